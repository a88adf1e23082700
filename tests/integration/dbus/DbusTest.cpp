#include <fcntl.h>
#include <signal.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "Pult.h"
#include "platform/linux/NmLink.h"
#include "platform/linux/dbus/DbusConnection.h"
#include "support/KeyRecords.h"
#include "support/PrivateBus.h"
#include "support/TextCount.h"

namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

constexpr const char* Mm = "org.freedesktop.ModemManager1";
constexpr const char* MmRoot = "/org/freedesktop/ModemManager1";
constexpr const char* Sim = "/org/freedesktop/ModemManager1/SIM/0";
constexpr const char* Nm = "org.freedesktop.NetworkManager";
constexpr const char* NmPath = "/org/freedesktop/NetworkManager";
constexpr const char* Mock = "org.freedesktop.DBus.Mock";
constexpr const char* Login = "org.freedesktop.login1";
constexpr const char* LoginPath = "/org/freedesktop/login1";
constexpr std::uint32_t NmDisconnected = 20, NmConnecting = 40, NmConnectedGlobal = 70;

// A phone on a bus of its own: dbusmock's ModemManager and NetworkManager, a pult, the tracker.
struct Phone : TrackerHome {
    explicit Phone(const std::string& params = "Frequency=144000\r\n") : TrackerHome(params) {
        env.push_back(bus.Environment());
    }
    PrivateBus bus{home};
    std::unique_ptr<ChildProcess> mm, nm;

    bool StartServices(std::uint32_t nmState, const std::string& imsi = "001010123456789") {
        return bus.Start() && StartMm(imsi) && StartNm(nmState);
    }
    bool StartNm(std::uint32_t state) {
        nm = bus.StartMock("networkmanager", Nm,
                           R"({"WwanEnabled": true, "State": )" + std::to_string(state) + "}");
        return nm != nullptr;
    }
    // The modem holds the SIM unless sim says otherwise ("/": none).
    bool StartMm(const std::string& imsi, const std::string& sim = Sim) {
        mm = bus.StartMock(MZ_MM_TEMPLATE, Mm,
                           R"({"Imsi": ")" + imsi + R"(", "Sim": ")" + sim + R"("})");
        return mm != nullptr;
    }
    testing::AssertionResult StartTracker(const std::vector<std::string>& options = {},
                                          std::chrono::seconds deadline = 20s,
                                          const std::string& program = MZ_DAEMON) {
        std::vector<std::string> command = {program, "--gps=sim:55.7512,37.6184"};
        command.insert(command.end(), options.begin(), options.end());
        Run(command);
        return Until([&] { return !port.empty() && Command("show") == 0; }, deadline);
    }
    // A report asked for with the link down waits, then goes once NetworkManager says it is up.
    void WaitsForTheLink(long delivered) {
        const long waits = Log("Ожидаю соединения GPRS");
        ASSERT_EQ(Command("test"), 0);
        ASSERT_TRUE(Until([&] { return Log("Ожидаю соединения GPRS") > waits; }));
        EXPECT_EQ(Delivered(), delivered) << Why();
        ASSERT_TRUE(SetNmState(NmConnectedGlobal));
        EXPECT_TRUE(Until([&] { return Delivered() == delivered + 1; }));
    }

    // A call to a mock's control interface, its arguments in sd-bus's notation.
    template <typename... Args>
    bool Tell(const char* service, const char* path, const char* method, const char* types,
              Args... args) {
        return bus.Call(service, path, Mock, method, [&](sd_bus_message* m) {
            return sd_bus_message_append(m, types, args...);
        });
    }
    bool SetNmState(std::uint32_t state) {
        return Tell(Nm, NmPath, "SetGlobalConnectionState", "u", state);
    }
};

// A reprobed modem is still followed; the radio off (flight mode, hardware switch) is told once
// and the report waits for it, using up no attempt. Chatter of other objects holds nothing back.
TEST(Dbus, LinkFollowsAReprobedModemAndTheRadioSwitches) {
    Phone phone;
    ASSERT_TRUE(phone.StartServices(NmConnectedGlobal));
    ASSERT_TRUE(phone.StartTracker({"--modem=mm:0", "--link=nm"}));
    ASSERT_TRUE(phone.Tell(Mm, MmRoot, "ReprobeModem", "ss", "0", "3"));
    ASSERT_TRUE(phone.Reported(1));
    long reports = 1;
    for (const char* radioSwitch : {"WwanEnabled", "WwanHardwareEnabled"}) {
        SCOPED_TRACE(radioSwitch);
        ASSERT_TRUE(phone.Tell(Nm, NmPath, "SetProperty", "sssv", NmPath, Nm, radioSwitch, "b", 0));
        ASSERT_TRUE(phone.SetNmState(NmDisconnected));
        ASSERT_EQ(phone.Command("test"), 0);
        const long told = 2 * reports;  // each radio-off episode logs the text twice
        ASSERT_TRUE(phone.Until([&] { return phone.Log("GSM модуль отключен") == told; }));
        std::this_thread::sleep_for(2s);
        EXPECT_EQ(phone.Log("Открываю GPRS сессию"), reports + 1) << phone.Why();
        EXPECT_EQ(phone.Log("GSM модуль отключен"), told) << phone.Why();
        ASSERT_TRUE(phone.Tell(Nm, NmPath, "SetProperty", "sssv", NmPath, Nm, radioSwitch, "b", 1));
        ASSERT_TRUE(phone.SetNmState(NmConnectedGlobal));
        ++reports;
        ASSERT_TRUE(phone.Until([&] { return phone.Delivered() == reports; }));
    }
    EXPECT_EQ(phone.Log("Соединение GPRS установлено"), reports) << phone.Why();
    EXPECT_EQ(phone.Received("code=699"), reports) << "an attempt was used up";

    const char* chatter = R"(import dbus, dbus.lowlevel
for i in range(args[0]):
    m = dbus.lowlevel.SignalMessage('/org/freedesktop/NetworkManager/AccessPoint/%d' % i,
                                    'org.freedesktop.DBus.Properties', 'PropertiesChanged')
    m.append('org.freedesktop.NetworkManager.AccessPoint', {'Strength': dbus.Byte(i % 100)},
             dbus.Array([], signature='s'), signature='sa{sv}as')
    self.connection.send_message(m)
)";
    ASSERT_TRUE(phone.Tell(Nm, NmPath, "AddMethod", "sssss", Mock, "Chatter", "u", "", chatter));
    phone.Tell(Nm, NmPath, "Chatter", "u", 20000);
    // The report waits instead of going on a stale cache.
    ASSERT_TRUE(WaitFor([&] { return phone.SetNmState(NmDisconnected); }));
    phone.WaitsForTheLink(reports);
}

// A refused activation is asked again after a minute, then after twice as long each time
// up to an hour; a success starts the count anew. The link runs here, on the test's clock.
TEST(Dbus, ARefusedProfileIsAskedForAgainLessAndLessOften) {
    Phone phone;
    ASSERT_TRUE(phone.bus.Start() && phone.StartNm(NmDisconnected));
    const std::string address = phone.bus.Environment();
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address.substr(address.find('=') + 1).c_str(), 1);
    auto bus = std::make_shared<DbusConnection>();
    auto now = std::chrono::steady_clock::now();
    NmLink link(
        bus, "mobile", [](std::uint32_t) { return false; }, NmLink::Without::Route,
        [&] { return now; });
    link.Settle(5s);
    DestinationId destination{};
    std::uint32_t held = 0;
    ASSERT_TRUE(link.MapDestination("http://127.0.0.1", destination) &&
                link.RequestConnection(destination, held));
    long asked = 0, activated = 0;
    // Turns the link's loop: it has asked as often as expected, and has the last answer.
    auto Turned = [&] {
        const auto least = std::chrono::steady_clock::now() + 300ms;
        return WaitFor(
            [&] {
                bus->Drain();
                link.ReadStatus(held);
                const std::string log = MockLog(phone.home, Nm);
                return std::chrono::steady_clock::now() > least &&
                       CountMatches(log, "ListConnections") == asked &&
                       CountMatches(log, " ActivateConnection ") == activated &&
                       link.NetworkStatus(0) == (activated > 0 ? ConnectionStatusWaitingConnection
                                                               : ConnectionStatusConnectionFailed);
            },
            5s);
    };
    // Asked again exactly the wait after the last time.
    auto AskedAfter = [&](int seconds, bool succeeds = false) {
        now += std::chrono::seconds(seconds - 1);
        EXPECT_TRUE(Turned()) << "asked before " << seconds << " s";
        now += 1s;
        ++asked;
        activated += succeeds ? 1 : 0;
        EXPECT_TRUE(Turned()) << "not asked after " << seconds << " s";
    };
    ++asked;
    EXPECT_TRUE(Turned()) << "not asked at once";
    for (const int wait : {60, 120, 240, 480, 960, 1920, 3600, 3600}) {
        AskedAfter(wait);
    }
    ASSERT_TRUE(phone.bus.Call(
        Nm, "/org/freedesktop/NetworkManager/Settings", "org.freedesktop.NetworkManager.Settings",
        "AddConnection", [](sd_bus_message* m) {
            return sd_bus_message_append(m, "a{sa{sv}}", 1, "connection", 3, "id", "s", "mobile",
                                         "uuid", "s", "0f0e0d0c-0b0a-4908-8706-050403020100",
                                         "type", "s", "gsm");
        }));
    asked = CountMatches(MockLog(phone.home, Nm), "ListConnections");  // the mock's own
    AskedAfter(3600, true);
    now += 2h;  // active now, so nothing is asked
    EXPECT_TRUE(Turned());
    ASSERT_TRUE(phone.Tell(Nm, NmPath, "SetProperty", "sssv",
                           "/org/freedesktop/NetworkManager/ActiveConnection/0",
                           "org.freedesktop.NetworkManager.Connection.Active", "State", "u",
                           4));  // deactivated
    now -= 2h;                   // gone again: asked for a minute after the success
    AskedAfter(60, true);
}

// Out of coverage, NetworkManager announcing the network back ends the back-off's wait at once.
class DbusOf : public testing::TestWithParam<std::string> {};

TEST_P(DbusOf, AReportGoesAsSoonAsTheNetworkIsBack) {
    Phone phone;
    ASSERT_TRUE(phone.StartServices(NmDisconnected));
    ASSERT_TRUE(phone.StartTracker({"--link=nm"}, 20s, GetParam())) << phone.Why();
    ASSERT_EQ(phone.Command("test"), 0);
    std::this_thread::sleep_for(42s);  // into the back-off's 16 s wait
    ASSERT_EQ(phone.Received("code=699"), 0) << phone.Why();
    ASSERT_TRUE(phone.SetNmState(NmConnectedGlobal));
    EXPECT_TRUE(phone.Until([&] { return phone.Received("code=699.*ack=yes") == 1; }, 4s));
}

INSTANTIATE_TEST_SUITE_P(FrontEnds, DbusOf, testing::ValuesIn(kFrontEnds), FrontEndName);

// auto follows the services and the bus as they come and go. Without a SIM (none in the modem,
// ModemManager gone) nothing leaves the phone; without NetworkManager the link counts as up.
TEST(Dbus, AutoFollowsServicesThatComeAndGo) {
    Phone phone;
    ASSERT_TRUE(phone.bus.Start());
    ASSERT_TRUE(phone.StartTracker());
    EXPECT_THAT(phone.tracker->Errors(), HasSubstr("--modem=none (auto: no ModemManager on the "
                                                   "system bus), --link=direct (auto: no "
                                                   "NetworkManager"));
    ASSERT_EQ(phone.Command("test"), 0);
    ASSERT_TRUE(phone.Until([&] { return phone.Log("Нет SIM карты") == 1; }));
    ASSERT_TRUE(phone.StartMm("001010123456789", "/") && phone.StartNm(NmConnectedGlobal));
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(phone.Received("code=699"), 0) << phone.Why();
    ASSERT_TRUE(phone.Tell(Mm, MmRoot, "SetModemSim", "so", "0", Sim));
    ASSERT_TRUE(phone.Until([&] {
        return phone.Received("imsi=001010123456789 .*code=699.*ack=yes") == 1 &&
               phone.Delivered() == 1;
    }));

    // ModemManager goes, the link is lost and comes back: no SIM is read, nothing is sent.
    phone.mm.reset();
    ASSERT_TRUE(phone.SetNmState(NmDisconnected));
    ASSERT_EQ(phone.Command("test"), 0);
    ASSERT_TRUE(phone.Until([&] { return phone.Log("Соединение GPRS разорвано") == 1; }));
    const long connected = phone.Log("Соединение GPRS установлено");
    ASSERT_TRUE(phone.SetNmState(NmConnectedGlobal));
    ASSERT_TRUE(phone.Until([&] { return phone.Log("Соединение GPRS установлено") > connected; }));
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(phone.Delivered(), 1) << phone.Why();
    ASSERT_TRUE(phone.StartMm("250991234567890"));
    ASSERT_TRUE(phone.Until([&] {
        return phone.Received("imsi=250991234567890 .*code=699.*ack=yes") == 1 &&
               phone.Delivered() == 2;
    }));

    phone.nm.reset();
    ASSERT_TRUE(phone.Reported(3));
    ASSERT_TRUE(phone.StartNm(NmDisconnected));
    phone.WaitsForTheLink(3);

    // The bus dies: reports go on over the held link, which keeps its IMSI; it is lost and found
    // until the tracker, back on a new bus (looked for every 5 s), reads the new SIM.
    phone.bus.Kill();
    phone.mm.reset();
    phone.nm.reset();
    ASSERT_TRUE(phone.Reported(5));
    const long before = phone.Received("imsi=001010123456789 .*ack=yes");
    ASSERT_TRUE(phone.StartServices(NmConnectedGlobal, "001010123456789"));
    EXPECT_TRUE(phone.Until(
        [&] {
            phone.SetNmState(NmDisconnected);
            phone.Command("test");
            std::this_thread::sleep_for(1s);
            phone.SetNmState(NmConnectedGlobal);
            std::this_thread::sleep_for(1s);
            return phone.Received("imsi=001010123456789 .*ack=yes") > before;
        },
        60s));
    EXPECT_EQ(phone.Command("exit"), 0);
    EXPECT_EQ(phone.tracker->Wait(), 0);
}

// A bus or a NetworkManager that never answers, or answers with wrong types, counts as absent,
// holding up neither the start nor reports. Answering sensibly, NetworkManager is followed.
TEST(Dbus, ABusOrNetworkManagerThatMakesNoSenseCountsAsAbsent) {
    for (const std::string how : {"hung_bus", "silent", "wrong_types"}) {
        SCOPED_TRACE(how);
        Phone phone;
        const std::string state = how == "wrong_types" ? R"("70")" : "40";  // else connecting
        ASSERT_TRUE(phone.bus.Start() && phone.StartMm("001010123456789"));
        phone.nm = phone.bus.StartMock("networkmanager", Nm,
                                       R"({"WwanEnabled": true, "State": )" + state + "}");
        ASSERT_NE(phone.nm, nullptr);
        std::vector<std::string> options = {"--link=nm"};
        if (how == "silent") {
            phone.nm->Signal(SIGSTOP);  // owns its name, answers nothing
        } else if (how == "hung_bus") {
            phone.bus.Signal(SIGSTOP);
            options.push_back(SimModem);
            ASSERT_TRUE(phone.StartTracker({SimModem}, 10s));
            EXPECT_THAT(phone.tracker->Errors(),
                        HasSubstr("--link=direct (auto: no NetworkManager"));
            ASSERT_EQ(phone.Command("exit"), 0);
            ASSERT_EQ(phone.tracker->Wait(), 0);
        }
        ASSERT_TRUE(phone.StartTracker(options, how == "hung_bus" ? 10s : 20s));
        ASSERT_TRUE(phone.Reported(1));
        phone.bus.Signal(SIGCONT);
        if (how == "wrong_types") {
            ASSERT_TRUE(phone.SetNmState(NmDisconnected));
            phone.WaitsForTheLink(1);
        }
    }
}

// 20 000 active connections, an 8 MiB text, 20 000 modems: the tracker goes on reporting with
// bounded memory and says once per service that it ignored the rest.
TEST(Dbus, AFloodFromTheServicesKeepsMemoryBounded) {
    Phone phone;
    ASSERT_TRUE(phone.StartServices(NmConnectedGlobal));
    ASSERT_TRUE(phone.StartTracker());
    ASSERT_TRUE(phone.Reported(1));
    const auto residentKib = [&] {
        const auto status =
            ReadWholeFile("/proc/" + std::to_string(phone.tracker->Pid()) + "/status");
        const auto at = status.find("VmRSS:");
        return at == std::string::npos ? 0 : std::atol(status.c_str() + at + 6);
    };
    const long before = residentKib();

    const char* flood = R"(import dbus
paths = ['/org/freedesktop/NetworkManager/ActiveConnection/%d' % i for i in range(20000)]
self.UpdateProperties(args[0], {'ActiveConnections': dbus.Array(paths, signature='o')})
self.UpdateProperties(args[0], {'Version': 'x' * (8 << 20)})
)";
    ASSERT_TRUE(phone.Tell(Nm, NmPath, "AddMethod", "sssss", Mock, "Flood", "s", "", flood));
    // The mocks take longer than a call's deadline over these; the next calls wait for them.
    phone.Tell(Nm, NmPath, "Flood", "s", Nm);
    phone.Tell(Mm, MmRoot, "AnnounceModems", "uu", 1, 20000);
    ASSERT_TRUE(WaitFor([&] { return phone.SetNmState(NmConnectedGlobal); }));
    ASSERT_TRUE(WaitFor([&] { return phone.Tell(Mm, MmRoot, "SetModemSim", "so", "0", Sim); }));
    long most = before;
    for (long report = 2; report <= 4; ++report) {
        ASSERT_TRUE(phone.Reported(report));
        most = std::max(most, residentKib());
    }
    std::printf("resident memory: %ld KiB before the flood, at most %ld KiB after\n", before, most);
#ifdef __SANITIZE_ADDRESS__
    // Freed memory waits in the sanitizer's quarantine: the normal build holds the bound.
    constexpr long kGrowthKib = 512 * 1024;
#else
    constexpr long kGrowthKib = 8 * 1024;
#endif
    EXPECT_LT(most, before + kGrowthKib) << "KiB";
    for (const char* service : {Nm, Mm}) {
        EXPECT_EQ(CountMatches(phone.tracker->Errors(), std::string(service) + " sends more"), 1)
            << phone.tracker->Errors();
    }
}

// Inhibitors logind holds now; -1 when it cannot be asked.
int HeldInhibitors(PrivateBus& bus) {
    int held = -1;
    bus.Call(Login, LoginPath, "org.freedesktop.login1.Manager", "ListInhibitors", nullptr,
             [&](sd_bus_message* m) {
                 held = sd_bus_message_enter_container(m, 'a', "(ssssuu)") < 0 ? -1 : 0;
                 while (held >= 0 && sd_bus_message_skip(m, "(ssssuu)") > 0) {
                     ++held;
                 }
             });
    return held;
}

// How many times the tracker has asked logind to hold off sleep.
long SleepInhibits(const TempFolder& home) {
    return CountMatches(MockLog(home, Login), R"(Inhibit "sleep" "MZorvany" ".*" "block")");
}

// Each report holds a logind sleep inhibitor from start to end; without logind the tracker
// reports all the same, saying once that nothing is held.
TEST(Dbus, SleepInhibitorIsHeldWhileAReportRuns) {
    for (const auto& [program, withLogind] : std::vector<std::pair<std::string, bool>>{
             {MZ_DAEMON, true}, {MZ_DAEMON, false}, {kFrontEnds.back(), true}}) {  // Qt, if built
        SCOPED_TRACE(program + (withLogind ? " with logind" : " without logind"));
        const bool qt = program != MZ_DAEMON;
        Phone phone;
        ASSERT_TRUE(phone.StartServices(NmConnectedGlobal));
        const auto logind = withLogind ? phone.bus.StartMock("logind", Login) : nullptr;
        ASSERT_EQ(logind != nullptr, withLogind);
        ASSERT_TRUE(phone.StartTracker({}, 20s, program));
        for (long report = 1; report <= 2; ++report) {
            ASSERT_EQ(phone.Command("test"), 0);
            // The Qt front end logs to no output; its lock's end shows the report's.
            ASSERT_TRUE(phone.Until([&] {
                return qt ? phone.Received("code=699.*ack=yes") == report
                          : phone.Delivered() == report;
            }));
            if (withLogind) {
                EXPECT_TRUE(WaitFor([&] { return SleepInhibits(phone.home) == report; }))
                    << MockLog(phone.home, Login);
                EXPECT_TRUE(WaitFor([&] { return HeldInhibitors(phone.bus) == 0; }))
                    << "the lock outlived report " << report;
            }
        }
        EXPECT_EQ(
            CountMatches(phone.tracker->Errors(), withLogind ? "inhibitor" : "no sleep inhibitor"),
            withLogind ? 0 : 1)
            << phone.tracker->Errors();
    }
}

// An alarm and its follow-ups are one report: the inhibitor is taken once at the key and held
// between follow-ups, beside a delay lock let go while logind announces a sleep.
TEST(Dbus, AnAlarmTakesTheSleepInhibitorOnce) {
    Phone phone("Frequency=144000\r\nAlertPressTime=1\r\nPermittedKeys=112\r\n");
    ASSERT_TRUE(phone.StartServices(NmConnectedGlobal));
    auto logind = phone.bus.StartMock("logind", Login);
    ASSERT_NE(logind, nullptr);
    const std::string fifo = phone.KeyFifo();
    ASSERT_NE(fifo, "");
    ASSERT_TRUE(phone.StartTracker({"--keys=" + fifo}));
    EXPECT_EQ(HeldInhibitors(phone.bus), 0) << "a lock while idle";

    const int keys = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(keys, 0);
    ASSERT_TRUE(WriteKey(keys, KEY_F1, 1));
    ASSERT_TRUE(phone.Until([&] { return phone.Received("code=122.*ack=yes") == 1; }));
    ASSERT_TRUE(WriteKey(keys, KEY_F1, 0));
    close(keys);
    ASSERT_TRUE(WaitFor([&] { return SleepInhibits(phone.home) == 1; }))
        << MockLog(phone.home, Login);
    EXPECT_TRUE(WaitFor([&] { return HeldInhibitors(phone.bus) == 2; })) << "block and delay";

    // Follow-ups go every 15 s while the alarm period runs.
    for (long followUp = 1; followUp <= 2; ++followUp) {
        ASSERT_TRUE(phone.Until([&] { return phone.Delivered() == followUp; }, 25s));
        EXPECT_EQ(SleepInhibits(phone.home), 1) << "taken again by follow-up " << followUp;
        EXPECT_EQ(HeldInhibitors(phone.bus), 2) << "let go before follow-up " << followUp;
    }
    const auto announce = [&](int sleeping) {
        return phone.Tell(Login, LoginPath, "EmitSignal", "sssav", "org.freedesktop.login1.Manager",
                          "PrepareForSleep", "b", 1, "b", sleeping);
    };
    ASSERT_TRUE(announce(1));
    EXPECT_TRUE(WaitFor([&] { return HeldInhibitors(phone.bus) == 1; })) << "the delay held";
    ASSERT_TRUE(announce(0));
    EXPECT_TRUE(WaitFor([&] { return HeldInhibitors(phone.bus) == 2; })) << "no delay again";
    EXPECT_EQ(CountMatches(phone.tracker->Errors(), "inhibitor"), 0) << phone.tracker->Errors();

    // Whatever ends the tracker ends its lock.
    ASSERT_EQ(phone.Command("exit"), 0);
    ASSERT_EQ(phone.tracker->Wait(), 0) << phone.Why();
    EXPECT_TRUE(WaitFor([&] { return HeldInhibitors(phone.bus) == 0; })) << "outlived the tracker";
}

}  // namespace
