#include "support/GpsdOnPty.h"

#include "support/LoopbackListener.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>

namespace {

// gpsd answers ?DEVICES only from its main loop, once its device is open and set up.
bool GpsdHasDevice(const std::string& port, const std::string& device) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(std::stoi(port)));
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

}  // namespace

GpsdOnPty::~GpsdOnPty() {
    close(input);  // -1 is refused harmlessly
}

std::string GpsdOnPty::MissingPrograms() {
    for (const char* name : {"gpsd", "socat"}) {
        if (FindProgram(name).empty()) {
            std::string missing = name;
            return missing.append(" not installed");
        }
    }
    return "";
}

std::string GpsdOnPty::Start() {
    const std::string in = folder / "gps-in", dev = folder / "gps-dev";
    socat = std::make_unique<ChildProcess>(
        std::vector<std::string>{FindProgram("socat"), "pty,raw,echo=0,link=" + in,
                                 "pty,raw,echo=0,link=" + dev},
        folder / "socat");
    if (!WaitFor([&] { return access(in.c_str(), F_OK) == 0 && access(dev.c_str(), F_OK) == 0; })) {
        return "socat made no pty pair: " + socat->Errors();
    }
    char device[PATH_MAX];
    input = open(in.c_str(), O_WRONLY | O_NOCTTY);
    if (input < 0 || realpath(dev.c_str(), device) == nullptr) {
        return "cannot open the pty pair";
    }
    port = LoopbackListener().Port();  // free a moment ago
    gpsd = std::make_unique<ChildProcess>(
        std::vector<std::string>{FindProgram("gpsd"), "-N", "-n", "-b", "-S", port, "-F",
                                 folder / "gpsd.sock", device},
        folder / "gpsd");
    if (!WaitFor([&] { return GpsdHasDevice(port, device); })) {
        return std::string("gpsd did not open ") + device + " on port " + port + ": " +
               gpsd->Errors();
    }
    return {};
}

void GpsdOnPty::StopGpsd() {
    gpsd.reset();
}

bool GpsdOnPty::Send(const std::vector<std::string>& sentences) {
    std::string block;
    for (const std::string& sentence : sentences) {
        block += sentence + "\r\n";
    }
    // A blocking write to a terminal returns only when all went, or on an error.
    return write(input, block.data(), block.size()) == static_cast<ssize_t>(block.size());
}

std::vector<std::string> CaptureLines(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        line.erase(line.find_last_not_of("\r") + 1);
        if (!line.empty() && line[0] != '#') {
            lines.push_back(line);
        }
    }
    return lines;
}
