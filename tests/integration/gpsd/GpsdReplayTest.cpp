#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "common/LastErrorText.h"
#include "gps/GpsReader.h"
#include "platform/linux/GpsdDevice.h"
#include "unit/gps/ReaderFixture.h"

extern char** environ;

namespace {

using Steady = std::chrono::steady_clock;

std::string Which(const std::string& name) {
    std::istringstream dirs(std::string(std::getenv("PATH") ? std::getenv("PATH") : "") +
                            ":/usr/sbin:/sbin:/usr/local/sbin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        if (!dir.empty() && access((dir + "/" + name).c_str(), X_OK) == 0) {
            return dir + "/" + name;
        }
    }
    return {};
}

pid_t Spawn(std::vector<std::string> arguments, const std::string& logPath) {
    arguments[0] = Which(arguments[0]);
    std::vector<char*> argv;
    for (std::string& a : arguments) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void End(pid_t& pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        const auto until = Steady::now() + std::chrono::seconds(5);
        while (waitpid(pid, nullptr, WNOHANG) == 0) {
            if (Steady::now() > until) {
                kill(pid, SIGKILL);
                waitpid(pid, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    pid = -1;
}

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

std::string FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return std::to_string(ntohs(address.sin_port));
}

// gpsd answers ?DEVICES only from its main loop, once its device is open and set up.
bool GpsdHasDevice(const std::string& port, const std::string& device) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(std::stoi(port));
    const timeval timeout{1, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string reply;
    char buffer[4096];
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        write(s, "?DEVICES;\n", 10) == 10) {
        for (ssize_t n = 0; reply.find("\"DEVICES\"") == std::string::npos &&
                            (n = read(s, buffer, sizeof buffer)) > 0;) {
            reply.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(s);
    return reply.find("\"" + device + "\"", reply.find("\"DEVICES\"")) != std::string::npos;
}

template <typename Condition>
bool WaitFor(Condition condition) {
    const auto until = Steady::now() + std::chrono::seconds(20);
    while (!condition() && Steady::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

std::optional<double> NumberAfter(const std::string& line, const std::string& key) {
    const std::size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos) {
        return std::nullopt;
    }
    return std::strtod(line.c_str() + at + key.size() + 3, nullptr);
}

std::vector<std::string> Lines(const std::string& name) {
    std::ifstream file(std::string(MZ_TESTDATA_DIR) + "/nmea/" + name, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        while (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

// What gpsd itself decoded from a capture: its reports of a 2D or 3D fix.
struct CheckedFix {
    double latitude = 0, longitude = 0;
    std::optional<double> altitude;  // above sea level, 3D fixes only
    std::string time;                // e.g. 2022-10-18T11:32:58.000Z, or ""
};

// A real gpsd reading a pseudo-terminal that the test writes a receiver's sentences into.
class GpsdOnPty {
public:
    GpsdOnPty() = default;
    GpsdOnPty(const GpsdOnPty&) = delete;
    GpsdOnPty& operator=(const GpsdOnPty&) = delete;
    ~GpsdOnPty() { Stop(); }

    // "" when gpsd and socat are installed, else what is missing.
    static std::string MissingPrograms();
    // Starts socat and gpsd and waits until gpsd has the device open; "" or what failed.
    std::string Start();
    void Stop();
    // Writes sentences as a receiver does, each ended with CR LF.
    bool Send(const std::vector<std::string>& sentences);
    std::string Port() const { return port_; }

private:
    std::string dir_, port_;
    pid_t socat_ = -1, gpsd_ = -1;
    int input_ = -1;
};

std::string GpsdOnPty::MissingPrograms() {
    std::string missing;
    for (const char* name : {"gpsd", "socat"}) {
        if (Which(name).empty()) {
            missing += std::string(missing.empty() ? "" : " and ") + name;
        }
    }
    return missing.empty() ? "" : missing + " not installed";
}

std::string GpsdOnPty::Start() {
    char pattern[] = "/tmp/mz-gpsd-XXXXXX";
    dir_ = mkdtemp(pattern) != nullptr ? pattern : "";
    const std::string in = dir_ + "/gps-in", dev = dir_ + "/gps-dev";
    socat_ = Spawn({"socat", "pty,raw,echo=0,link=" + in, "pty,raw,echo=0,link=" + dev},
                   dir_ + "/socat.log");
    if (dir_.empty() || socat_ < 0 ||
        !WaitFor([&] { return access(in.c_str(), F_OK) == 0 && access(dev.c_str(), F_OK) == 0; })) {
        return "socat made no pty pair";
    }
    char device[PATH_MAX];
    input_ = open(in.c_str(), O_WRONLY | O_NOCTTY);
    if (input_ < 0 || realpath(dev.c_str(), device) == nullptr) {
        return "cannot open the pty pair";
    }
    port_ = FreePort();
    gpsd_ = Spawn({"gpsd", "-N", "-n", "-b", "-S", port_, "-F", dir_ + "/gpsd.sock", device},
                  dir_ + "/gpsd.log");
    if (gpsd_ < 0 || !WaitFor([&] { return GpsdHasDevice(port_, device); })) {
        return std::string("gpsd did not open ") + device + " on port " + port_;
    }
    return {};
}

void GpsdOnPty::Stop() {
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
    }
    End(gpsd_);
    End(socat_);
    if (!dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
        dir_.clear();
    }
}

bool GpsdOnPty::Send(const std::vector<std::string>& sentences) {
    std::string block;
    for (const std::string& sentence : sentences) {
        block += sentence + "\r\n";
    }
    for (std::size_t done = 0; done < block.size();) {
        const ssize_t n = write(input_, block.data() + done, block.size() - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The sentences of a capture, without its comment lines.
std::vector<std::string> CaptureSentences(const std::string& name) {
    std::vector<std::string> sentences;
    for (const std::string& line : Lines(name)) {
        if (!line.empty() && line[0] != '#') {
            sentences.push_back(line);
        }
    }
    return sentences;
}

std::vector<CheckedFix> CheckedFixes(const std::string& name) {
    std::vector<CheckedFix> fixes;
    for (const std::string& line : Lines(name + ".chk")) {
        const auto mode = NumberAfter(line, "mode");
        const auto latitude = NumberAfter(line, "lat");
        const auto longitude = NumberAfter(line, "lon");
        if (line.find("\"TPV\"") == std::string::npos || !mode || *mode < 2 || !latitude ||
            !longitude) {
            continue;
        }
        CheckedFix fix{*latitude, *longitude, std::nullopt, {}};
        if (*mode >= 3) {
            fix.altitude = NumberAfter(line, "altMSL");
        }
        const std::size_t time = line.find("\"time\":\"");
        if (time != std::string::npos) {
            fix.time = line.substr(time + 8, line.find('"', time + 8) - time - 8);
        }
        fixes.push_back(fix);
    }
    return fixes;
}

// The Long= and Lat= lines of a report, which lead it whenever there is a position.
std::string CoordinateLines(const std::string& report) {
    const std::size_t lat = report.find("Lat=");
    return lat == std::string::npos ? "" : report.substr(0, report.find("\r\n", lat) + 2);
}

std::string CoordinateLines(const CheckedFix& fix) {
    char text[128];
    std::snprintf(text, sizeof text, "Long=%f %c\r\nLat=%f %c\r\n", std::abs(fix.longitude),
                  fix.longitude >= 0 ? 'E' : 'W', std::abs(fix.latitude),
                  fix.latitude >= 0 ? 'N' : 'S');
    return text;
}

// The altitude as gpsd decoded it, and a UTC time only with a plausible year. gpsd
// versions mend or break receivers' rollover dates differently, so only the time of day
// is compared with the capture's record.
bool ShowsAltitudeAndTime(const std::string& report, const CheckedFix& fix) {
    char alt[64];
    std::snprintf(alt, sizeof alt, "Alt=%f\r\n", static_cast<float>(fix.altitude.value_or(0)));
    if (fix.altitude && report.find(alt) == std::string::npos) {
        return false;
    }
    const std::size_t at = report.find("Time=");
    if (at == std::string::npos) {
        return true;
    }
    const std::string line = report.substr(at, report.find("\r\n", at) - at);
    const std::time_t now = std::time(nullptr);
    const int year = std::atoi(line.substr(11, 4).c_str());
    return line.size() == 25 && year >= 2000 && year <= 1971 + now / 31556952 &&
           (fix.time.size() < 19 || line.substr(17, 8) == fix.time.substr(11, 8));
}

// Whether a sentence carries a position the receiver vouches for.
bool HasFix(const std::string& sentence) {
    std::vector<std::string> f;
    std::size_t start = 0;
    for (std::size_t end; (end = sentence.find(',', start)) != std::string::npos; start = end + 1) {
        f.push_back(sentence.substr(start, end - start));
    }
    const std::string type = f.empty() || f[0].size() < 6 ? "" : f[0].substr(3);
    return (type == "GGA" && f.size() > 6 && !f[2].empty() && f[6] != "0" && !f[6].empty()) ||
           (type == "RMC" && f.size() > 3 && f[2] == "A" && !f[3].empty());
}

struct ReplayCase {
    const char* capture;
    bool startsWithoutFix;
};

class GpsdReplayTest : public ::testing::TestWithParam<ReplayCase> {
protected:
    void SetUp() override {
        if (const std::string missing = GpsdOnPty::MissingPrograms(); !missing.empty()) {
            GTEST_SKIP() << "replay through a real gpsd skipped: " << missing;
        }
        ASSERT_EQ(gpsd.Start(), "");
        device = std::make_unique<GpsdDevice>("localhost", gpsd.Port());
        reader = std::make_unique<CGpsReader>(rig.settings, *device, rig.clock);
    }

    // One poll of the reader: ten ticks, a second of simulated time.
    std::string Poll() {
        for (int i = 0; i < 10; ++i) {
            rig.clock.AdvanceMilliseconds(100);
            reader->Tick();
        }
        return reader->BuildReportText(true);
    }
    int Logged(const std::string& line) const {
        return static_cast<int>(std::count(rig.log.begin(), rig.log.end(), line));
    }

    GpsdOnPty gpsd;
    LoggedSettings rig;
    std::unique_ptr<GpsdDevice> device;
    std::unique_ptr<CGpsReader> reader;
};

TEST_P(GpsdReplayTest, ReportsWhatGpsdDecodedUntilGpsdGoesAway) {
    const std::vector<std::string> sentences = CaptureSentences(GetParam().capture);
    const std::vector<CheckedFix> fixes = CheckedFixes(GetParam().capture);
    ASSERT_FALSE(fixes.empty());
    std::set<std::string> decoded;
    for (const CheckedFix& fix : fixes) {
        decoded.insert(CoordinateLines(fix));
    }
    reader->SwitchOn();
    ASSERT_EQ(rig.log, std::vector<std::string>{"Включение GPS"});

    const auto firstFix = std::find_if(sentences.begin(), sentences.end(), HasFix);
    auto sent = sentences.begin();
    if (GetParam().startsWithoutFix) {
        ASSERT_TRUE(gpsd.Send({sent, firstFix}));
        sent = firstFix;
        for (int i = 0; i < 20; ++i) {  // gives gpsd time to err, if it would
            EXPECT_EQ(Poll(), "");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_EQ(reader->GetStatusCode(), 1);
    }
    auto check = [&](const std::string& report) {
        EXPECT_TRUE(report.empty() || decoded.count(CoordinateLines(report)))
            << "gpsd never decoded:\n"
            << report;
        EXPECT_LE(std::count(report.begin(), report.end(), '\n'), 6 + 12);
    };
    while (sent != sentences.end()) {
        const auto next = sent + std::min<std::ptrdiff_t>(8, sentences.end() - sent);
        ASSERT_TRUE(gpsd.Send({sent, next}));
        sent = next;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        check(Poll());
    }
    auto showsLastFix = [&] {
        const std::string report = reader->BuildReportText(false);
        return CoordinateLines(report) == CoordinateLines(fixes.back()) &&
               ShowsAltitudeAndTime(report, fixes.back());
    };
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!showsLastFix() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        check(Poll());
    }
    EXPECT_TRUE(showsLastFix()) << "gpsd's last fix:\n"
                                << CoordinateLines(fixes.back()) << "alt "
                                << fixes.back().altitude.value_or(0) << " at " << fixes.back().time
                                << "\nthe report:\n"
                                << reader->BuildReportText(false);
    EXPECT_EQ(Logged("Определены координаты GPS"), 1);

    GpsPosition stale;
    EXPECT_EQ(device->GetPosition(stale, 0), 0);
    EXPECT_EQ(stale.dwValidFields & (GPS_VALID_LATITUDE | GPS_VALID_SATELLITE_COUNT), 0U);

    gpsd.Stop();
    Poll();
    EXPECT_EQ(rig.log.back(), "Ошибка GPS. " + LastErrorText(ECONNRESET));
    reader->SwitchOff();
    reader->SwitchOn();
    EXPECT_EQ(rig.log.back(), "Не удалось включить GPS. " + LastErrorText(ECONNREFUSED));
    EXPECT_TRUE(reader->IsFixRecent());
}

INSTANTIATE_TEST_SUITE_P(Captures, GpsdReplayTest,
                         ::testing::Values(ReplayCase{"quectel-eg25-g.log", true},
                                           ReplayCase{"bu353s4.log", false},
                                           ReplayCase{"garmin15x.log", false},
                                           ReplayCase{"nmea-fuzzy-cases.log", false},
                                           ReplayCase{"april6_2019.log", true}),
                         [](const auto& info) {
                             std::string name = info.param.capture;
                             name = name.substr(0, name.find('.'));
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
