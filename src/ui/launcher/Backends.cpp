#include "ui/launcher/Backends.h"

#include <cerrno>

#include "platform/linux/AtModemSimCard.h"
#include "platform/linux/DirectLink.h"
#include "platform/linux/GpsdDevice.h"
#include "platform/linux/MmSimCard.h"
#include "platform/linux/NmLink.h"
#include "platform/linux/PosixAtomicFileWriter.h"
#include "platform/linux/ProcessSoundPlayer.h"
#include "platform/linux/RouteLink.h"
#include "platform/linux/SystemClock.h"
#include "platform/linux/UdpDatagramSocket.h"
#include "platform/linux/XdgFolders.h"
#include "platform/sim/FixedGpsDevice.h"
#include "platform/sim/SimulatedSimCard.h"
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

// At start only: how long a look at the bus may take, and how long filling a cache.
constexpr std::chrono::milliseconds NameLookBudget{1000};
constexpr std::chrono::milliseconds SettleBudget{1000};
constexpr const char* ModemManagerName = "org.freedesktop.ModemManager1";
constexpr const char* NetworkManagerName = "org.freedesktop.NetworkManager";

std::string ModemName(const LaunchOptions& options) {
    switch (options.modem) {
        case LaunchOptions::Modem::Auto:
            return "auto";
        case LaunchOptions::Modem::None:
            return "none";
        case LaunchOptions::Modem::At:
            return "at:" + options.modemDevice;
        case LaunchOptions::Modem::Sim:
            return "sim";
        case LaunchOptions::Modem::ModemManager:
            return options.modemIndex.empty() ? "mm" : "mm:" + options.modemIndex;
    }
    return {};
}

std::string GpsName(const LaunchOptions& options) {
    switch (options.gps) {
        case LaunchOptions::Gps::Gpsd: {
            const bool ipv6 = options.gpsHost.find(':') != std::string::npos;
            return "gpsd:" + (ipv6 ? "[" + options.gpsHost + "]" : options.gpsHost) + ":" +
                   options.gpsPort;
        }
        case LaunchOptions::Gps::Fixed:
            return "sim:" + options.fixedPosition;
        case LaunchOptions::Gps::None:
            return "none";
    }
    return {};
}

std::string LinkName(const LaunchOptions& options) {
    switch (options.link) {
        case LaunchOptions::Link::Auto:
            return "auto";
        case LaunchOptions::Link::Direct:
            return "direct";
        case LaunchOptions::Link::Route:
            return "route";
        case LaunchOptions::Link::NetworkManager:
            return options.linkProfile.empty() ? "nm" : "nm:" + options.linkProfile;
    }
    return {};
}

// The automatic choice of one backend: the service when its name is on the system bus.
// The reason, for the first line.
template <typename Choice>
std::string ChooseByBus(Choice& choice, Choice onBus, Choice otherwise, DbusConnection& bus,
                        const char* busName, const std::string& service) {
    const bool found = bus.NameHasOwner(busName, NameLookBudget);
    choice = found ? onBus : otherwise;
    return found ? " (auto: " + service + " is on the system bus)"
                 : " (auto: no " + service + " on the system bus)";
}

// The automatic choices as the system bus shows them at start, for the first line. A
// command for the running tracker uses neither the SIM nor the link, so nothing is looked
// at for it.
std::string ResolveAuto(LaunchOptions& options, DbusConnection& bus) {
    using O = LaunchOptions;
    if (options.command) {
        options.modem = O::Modem::None;
        options.link = O::Link::Direct;
        return {};
    }
    std::string modemWhy;
    if (options.modem == O::Modem::Auto) {
        modemWhy = ChooseByBus(options.modem, O::Modem::ModemManager, O::Modem::None, bus,
                               ModemManagerName, "ModemManager");
    }
    std::string linkWhy;
    if (options.link == O::Link::Auto) {
        linkWhy = ChooseByBus(options.link, O::Link::NetworkManager, O::Link::Direct, bus,
                              NetworkManagerName, "NetworkManager");
    }
    return "--modem=" + ModemName(options) + modemWhy + ", --link=" + LinkName(options) + linkWhy +
           ", --gps=" + GpsName(options);
}

// Either service may start, stop or be installed after the tracker: an automatic choice
// follows the bus. ModemManager's absence reads as no SIM, as "none" does; without
// NetworkManager the link is up, as "direct" is.
void FollowTheBus(const LaunchOptions& given, LaunchOptions& options) {
    using O = LaunchOptions;
    if (options.command) {
        return;
    }
    if (given.modem == O::Modem::Auto) {
        options.modem = O::Modem::ModemManager;
    }
    if (given.link == O::Link::Auto) {
        options.link = O::Link::NetworkManager;
    }
}

// A backend on the bus, given a moment to fill its cache so the first tick reads it.
template <typename Backend, typename... Arguments>
std::unique_ptr<Backend> Settled(Arguments&&... arguments) {
    auto backend = std::make_unique<Backend>(std::forward<Arguments>(arguments)...);
    backend->Settle(SettleBudget);
    return backend;
}

std::unique_ptr<SimManager> MakeSim(const LaunchOptions& options,
                                    const std::shared_ptr<DbusConnection>& bus) {
    switch (options.modem) {
        case LaunchOptions::Modem::Auto:
        case LaunchOptions::Modem::None:
            return std::make_unique<NoSimManager>();
        case LaunchOptions::Modem::At:
            return std::make_unique<AtModemSimCard>(options.modemDevice, options.modemBaud);
        case LaunchOptions::Modem::Sim: {
            auto card = std::make_unique<SimulatedSimCard>();
            auto bytes = DecodeHex(options.simHex);
            card->imsiFile.assign(bytes->begin(), bytes->end());
            return card;
        }
        case LaunchOptions::Modem::ModemManager:
            return Settled<MmSimCard>(bus, options.modemIndex);
    }
    return nullptr;
}

std::unique_ptr<ConnectionManager> MakeLink(const LaunchOptions& options,
                                            const std::shared_ptr<DbusConnection>& bus,
                                            NmLink::Without without,
                                            std::shared_ptr<RouteWatch>& routeWatch) {
    switch (options.link) {
        case LaunchOptions::Link::Auto:
        case LaunchOptions::Link::Direct:
            return std::make_unique<DirectLink>();
        case LaunchOptions::Link::Route:
            routeWatch = std::make_shared<RouteWatch>();
            return std::make_unique<RouteLink>(RouteLink::HasRouteTo, routeWatch);
        case LaunchOptions::Link::NetworkManager:
            return Settled<NmLink>(bus, options.linkProfile, RouteLink::HasRouteTo, without);
    }
    return nullptr;
}

// Null only for a fixed position that is not one.
std::unique_ptr<GpsDevice> MakeGps(const LaunchOptions& options, const Clock& clock) {
    switch (options.gps) {
        case LaunchOptions::Gps::Gpsd:
            return std::make_unique<GpsdDevice>(options.gpsHost, options.gpsPort);
        case LaunchOptions::Gps::Fixed:
            return FixedGpsDevice::FromText(options.fixedPosition, clock);
        case LaunchOptions::Gps::None:
            return std::make_unique<NoGpsDevice>();
    }
    return nullptr;
}

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

BuiltBackends BuildBackends(const LaunchOptions& given, std::unique_ptr<SoundPlayer> sound) {
    BuiltBackends built;
    LaunchOptions options = given;
    auto bus = std::make_shared<DbusConnection>();
    std::string choice = ResolveAuto(options, *bus);
    FollowTheBus(given, options);
    const NmLink::Without withoutNm =
        given.link == LaunchOptions::Link::Auto ? NmLink::Without::Direct : NmLink::Without::Route;
    auto backends = std::make_unique<Backends>();
    backends->clock = std::make_unique<SystemClock>();
    backends->folders = std::make_unique<XdgFolders>();
    backends->sound = sound ? std::move(sound) : std::make_unique<ProcessSoundPlayer>();
    backends->fileWriter = std::make_unique<PosixAtomicFileWriter>();
    backends->gps = MakeGps(options, *backends->clock);
    if (!backends->gps) {
        built.error = "--gps=sim:" + options.fixedPosition +
                      ": not a latitude and longitude in decimal degrees";
        return built;
    }
    backends->sim = MakeSim(options, bus);
    backends->connections = MakeLink(options, bus, withoutNm, backends->routeWatch);
    backends->choice = std::move(choice);
    backends->bus = bus;
    backends->socket = std::make_unique<UdpDatagramSocket>();
    for (const auto& path : options.keyDevices) {
        backends->keys.push_back(std::make_unique<EvdevKeySource>(path));
    }
    built.backends = std::move(backends);
    return built;
}
