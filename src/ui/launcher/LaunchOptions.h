#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ui/launcher/TrackerCommand.h"

// Which devices the tracker uses; the settings themselves come from params.ini only.
struct LaunchOptions {
    enum class Gps { Gpsd, Fixed, None };
    // Auto: ModemManager / NetworkManager when their names are on the system bus at
    // start, else None / Direct.
    enum class Modem { Auto, None, At, Sim, ModemManager };
    enum class Link { Auto, Direct, Route, NetworkManager };

    Gps gps = Gps::Gpsd;
    std::string gpsHost = "localhost";
    std::string gpsPort = "2947";
    std::string fixedPosition;  // "LAT,LON[,ALT]"

    Modem modem = Modem::Auto;
    std::string modemDevice;
    std::string modemIndex;  // ModemManager's modem: "" the first
    int modemBaud = 115200;
    std::string simHex;

    Link link = Link::Auto;
    std::string linkProfile;  // NetworkManager's profile to activate: "" none
    std::vector<std::string> keyDevices;
    std::optional<TrackerCommand> command;  // none: run the tracker itself
    bool help = false;
    bool version = false;
};

struct ParsedOptions {
    LaunchOptions options;
    std::string error;  // empty when every argument was understood
};

// Exit code for arguments that cannot be understood.
constexpr int ExitUsage = 64;

ParsedOptions ParseLaunchOptions(const std::vector<std::string>& arguments);
std::string LaunchOptionsHelp(const std::string& programName);
// Decodes hex digits into bytes; nullopt for an odd count or a non-hex character.
std::optional<std::vector<unsigned char>> DecodeHex(const std::string& text);
