#include "ui/launcher/Backends.h"

#include <cerrno>

#include "platform/linux/AtModemSim.h"
#include "platform/linux/DirectLink.h"
#include "platform/linux/GpsdDevice.h"
#include "platform/linux/PosixAtomicFileWriter.h"
#include "platform/linux/ProcessSoundPlayer.h"
#include "platform/linux/RouteLink.h"
#include "platform/linux/SystemClock.h"
#include "platform/linux/UdpDatagramSocket.h"
#include "platform/linux/XdgFolders.h"
#include "platform/sim/FixedGpsDevice.h"
#include "platform/sim/SimSimManager.h"
#include "settings/Settings.h"

namespace {

// No receiver fitted: every attempt to open it fails as an absent device does.
class NoGpsDevice final : public GpsDevice {
public:
    int Open() override { return ENODEV; }
    int GetPosition(GpsPosition&, std::uint32_t) override { return ENODEV; }
    void Close() override {}
};

// No modem fitted: the SIM cannot be read.
class NoSimManager final : public SimManager {
public:
    bool Open() override { return false; }
    bool ReadRecordInfo(std::uint32_t, SimRecordType&) override { return false; }
    bool ReadTransparent(std::uint32_t, std::span<std::uint8_t>, std::size_t& bytesRead) override {
        bytesRead = 0;
        return false;
    }
    void Close() override {}
};

}  // namespace

std::string Backends::SettingsFolder() const {
    std::string appData = folders->AppDataFolder();
    return appData.empty() ? std::string() : JoinPath(appData, "MZorvany");
}

CMainWindow::Platform Backends::MakePlatform(std::function<void(const std::string&)> logTap,
                                             bool englishTexts) const {
    return CMainWindow::Platform{*clock,       *folders, *sound,  *fileWriter,  *gps,
                                 *connections, *sim,     *socket, englishTexts, std::move(logTap)};
}

BuiltBackends BuildBackends(const LaunchOptions& options, std::unique_ptr<SoundPlayer> sound) {
    BuiltBackends built;
    auto backends = std::make_unique<Backends>();
    backends->clock = std::make_unique<SystemClock>();
    backends->folders = std::make_unique<XdgFolders>();
    backends->sound = sound ? std::move(sound) : std::make_unique<ProcessSoundPlayer>();
    backends->fileWriter = std::make_unique<PosixAtomicFileWriter>();

    switch (options.gps) {
        case LaunchOptions::Gps::Gpsd:
            backends->gps = std::make_unique<GpsdDevice>(options.gpsHost, options.gpsPort);
            break;
        case LaunchOptions::Gps::Fixed:
            backends->gps = FixedGpsDevice::FromText(options.fixedPosition, *backends->clock);
            if (!backends->gps) {
                built.error = "--gps=sim:" + options.fixedPosition +
                              ": not a latitude and longitude in decimal degrees";
                return built;
            }
            break;
        case LaunchOptions::Gps::None:
            backends->gps = std::make_unique<NoGpsDevice>();
            break;
    }

    switch (options.modem) {
        case LaunchOptions::Modem::None:
            backends->sim = std::make_unique<NoSimManager>();
            break;
        case LaunchOptions::Modem::At:
            backends->sim = std::make_unique<AtModemSim>(options.modemDevice, options.modemBaud);
            break;
        case LaunchOptions::Modem::Sim: {
            auto card = std::make_unique<SimSimManager>();
            auto bytes = DecodeHex(options.simHex);
            card->imsiFile.assign(bytes->begin(), bytes->end());
            backends->sim = std::move(card);
            break;
        }
    }

    if (options.link == LaunchOptions::Link::Route) {
        backends->connections = std::make_unique<RouteLink>();
    } else {
        backends->connections = std::make_unique<DirectLink>();
    }
    backends->socket = std::make_unique<UdpDatagramSocket>();

    for (const auto& path : options.keyDevices) {
        backends->keys.push_back(std::make_unique<EvdevKeySource>(path));
    }
    built.backends = std::move(backends);
    return built;
}
