#include "ui/launcher/LaunchOptions.h"

#include <cctype>

#include "common/TextConvert.h"

namespace {

bool AllDigits(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

bool IsBaudRate(const std::string& text) {
    for (const char* rate : {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200",
                             "230400", "460800", "921600"}) {
        if (text == rate) {
            return true;
        }
    }
    return false;
}

std::string ParseGps(const std::string& value, LaunchOptions& options) {
    if (value == "none") {
        options.gps = LaunchOptions::Gps::None;
    } else if (value == "gpsd") {
        options.gps = LaunchOptions::Gps::Gpsd;
    } else if (value.rfind("gpsd:", 0) == 0) {
        std::string rest = value.substr(5);
        // The port follows the last colon, so a bracketed IPv6 host keeps its own.
        std::size_t colon = rest.rfind(':');
        std::string host = colon == std::string::npos ? rest : rest.substr(0, colon);
        std::string port = colon == std::string::npos ? "2947" : rest.substr(colon + 1);
        if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
            host = host.substr(1, host.size() - 2);
        }
        if (host.empty() || !AllDigits(port)) {
            return "--gps=gpsd:HOST:PORT wants a host and a port number";
        }
        options.gps = LaunchOptions::Gps::Gpsd;
        options.gpsHost = host;
        options.gpsPort = port;
    } else if (value.rfind("sim:", 0) == 0) {
        options.gps = LaunchOptions::Gps::Fixed;
        options.fixedPosition = value.substr(4);
    } else {
        return "--gps takes gpsd[:HOST:PORT], sim:LAT,LON[,ALT] or none";
    }
    return {};
}

std::string ParseModem(const std::string& value, LaunchOptions& options) {
    if (value == "none") {
        options.modem = LaunchOptions::Modem::None;
    } else if (value == "auto") {
        options.modem = LaunchOptions::Modem::Auto;
    } else if (value == "mm" || value.rfind("mm:", 0) == 0) {
        options.modem = LaunchOptions::Modem::ModemManager;
        options.modemIndex = value.size() > 3 ? value.substr(3) : std::string();
        if (value.size() == 3 || (!options.modemIndex.empty() && !AllDigits(options.modemIndex))) {
            return "--modem=mm:INDEX wants the number that ends the modem's object path";
        }
    } else if (value.rfind("at:", 0) == 0) {
        std::string rest = value.substr(3);
        std::size_t colon = rest.rfind(':');
        int baud = 115200;
        // Only a serial line rate counts as one: device names may hold colons too.
        if (colon != std::string::npos && IsBaudRate(rest.substr(colon + 1))) {
            baud = LeadingInteger(rest.substr(colon + 1));
            rest = rest.substr(0, colon);
        }
        if (rest.empty()) {
            return "--modem=at:DEVICE[:BAUD] wants a device";
        }
        options.modem = LaunchOptions::Modem::At;
        options.modemDevice = rest;
        options.modemBaud = baud;
    } else if (value.rfind("sim:", 0) == 0) {
        if (!DecodeHex(value.substr(4)) || value.size() == 4) {
            return "--modem=sim:HEX wants the EF_IMSI bytes as pairs of hex digits";
        }
        options.modem = LaunchOptions::Modem::Sim;
        options.simHex = value.substr(4);
    } else {
        return "--modem takes auto, mm[:INDEX], at:DEVICE[:BAUD], sim:HEX or none";
    }
    return {};
}

std::string ParseOne(const std::string& argument, LaunchOptions& options) {
    if (argument == "--help" || argument == "-h") {
        options.help = true;
        return {};
    }
    if (argument == "--version") {
        options.version = true;
        return {};
    }
    std::size_t equals = argument.find('=');
    if (argument.rfind("--", 0) != 0 || equals == std::string::npos) {
        return "unknown argument: " + argument;
    }
    std::string name = argument.substr(2, equals - 2);
    std::string value = argument.substr(equals + 1);
    if (name == "gps") {
        return ParseGps(value, options);
    }
    if (name == "modem") {
        return ParseModem(value, options);
    }
    if (name == "link") {
        options.linkProfile.clear();
        if (value == "direct") {
            options.link = LaunchOptions::Link::Direct;
        } else if (value == "route") {
            options.link = LaunchOptions::Link::Route;
        } else if (value == "auto") {
            options.link = LaunchOptions::Link::Auto;
        } else if (value == "nm") {
            options.link = LaunchOptions::Link::NetworkManager;
        } else if (value.rfind("nm:", 0) == 0 && value.size() > 3) {
            options.link = LaunchOptions::Link::NetworkManager;
            options.linkProfile = value.substr(3);
        } else {
            return "--link takes auto, nm[:CONNECTION], direct or route";
        }
        return {};
    }
    if (name == "keys") {
        std::size_t start = 0;
        while (start <= value.size()) {
            std::size_t comma = value.find(',', start);
            std::string path = value.substr(start, comma - start);
            if (path.empty()) {
                return "--keys wants one or more paths separated by commas";
            }
            options.keyDevices.push_back(path);
            if (comma == std::string::npos) {
                break;
            }
            start = comma + 1;
        }
        return {};
    }
    if (name == "command") {
        options.command = CommandOfWord(value);
        if (!options.command) {
            return "--command takes show, test or exit";
        }
        return {};
    }
    return "unknown option: --" + name;
}

}  // namespace

ParsedOptions ParseLaunchOptions(const std::vector<std::string>& arguments) {
    ParsedOptions parsed;
    for (const auto& argument : arguments) {
        parsed.error = ParseOne(argument, parsed.options);
        if (!parsed.error.empty()) {
            break;
        }
    }
    return parsed;
}

std::optional<std::vector<unsigned char>> DecodeHex(const std::string& text) {
    if (text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        int value = 0;
        for (std::size_t j = i; j < i + 2; ++j) {
            char c = text[j];
            int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                        : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                                    : -1;
            if (digit < 0) {
                return std::nullopt;
            }
            value = value * 16 + digit;
        }
        bytes.push_back(static_cast<unsigned char>(value));
    }
    return bytes;
}

std::string LaunchOptionsHelp(const std::string& programName) {
    return "Usage: " + programName +
           " [OPTION]...\n"
           "The settings come from params.ini in the settings folder; these options only\n"
           "choose the devices.\n"
           "  --gps=gpsd[:HOST:PORT]    read positions from gpsd (default localhost:2947)\n"
           "  --gps=sim:LAT,LON[,ALT]   a simulated receiver that always has this fix\n"
           "  --gps=none                no receiver\n"
           "  --modem=auto              mm when ModemManager is on the system bus at start,\n"
           "                            else none (default; the choice is logged at start)\n"
           "  --modem=mm[:INDEX]        the SIM of ModemManager's first modem, or of the one\n"
           "                            whose object path ends in INDEX\n"
           "  --modem=at:DEVICE[:BAUD]  read the SIM's IMSI through a modem's AT commands\n"
           "  --modem=sim:HEX           a simulated SIM with these raw EF_IMSI bytes\n"
           "  --modem=none              no modem\n"
           "  --link=auto               nm when NetworkManager is on the system bus at start,\n"
           "                            else direct (default; the choice is logged at start)\n"
           "  --link=nm[:CONNECTION]    follow NetworkManager's state; with CONNECTION (a\n"
           "                            profile's id or UUID) activate it when not active\n"
           "  --link=direct|route       data link always up, or up while the kernel has a\n"
           "                            route to the main server\n"
           "  --keys=PATH[,PATH...]     evdev devices or FIFOs of input_event records\n"
           "                            watched for alarm keys (never grabbed)\n"
           "  --command=show|test|exit  hand a command to the running tracker and exit\n"
           "                            (0 when delivered, 1 when none runs)\n"
           "  --help, --version\n"
           "Exit codes: 0 normal end (also on SIGTERM or SIGINT), 1 --command found no\n"
           "running tracker, 2 another tracker runs for this settings folder, 1-6 an\n"
           "internal error escaped (its text goes to standard error), 64 a bad option.\n";
}
