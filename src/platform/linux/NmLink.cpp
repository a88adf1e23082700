#include "platform/linux/NmLink.h"

#include <systemd/sd-bus.h>

#include <algorithm>

#include "platform/linux/LinkDestination.h"

namespace {
constexpr const char* Service = "org.freedesktop.NetworkManager";
constexpr const char* ManagerPath = "/org/freedesktop/NetworkManager";
constexpr const char* ManagerInterface = "org.freedesktop.NetworkManager";
constexpr const char* ActiveInterface = "org.freedesktop.NetworkManager.Connection.Active";
constexpr const char* SettingsPath = "/org/freedesktop/NetworkManager/Settings";
constexpr const char* SettingsInterface = "org.freedesktop.NetworkManager.Settings";
constexpr const char* ProfileInterface = "org.freedesktop.NetworkManager.Settings.Connection";
constexpr std::uint32_t ActiveDeactivated = 4;
// A profile that failed to come up (or is coming up slowly) is asked for again only after
// this long, so a refused activation does not become a request on every tick; refusals in
// a row stretch it up to the longest.
constexpr std::chrono::seconds ActivationInterval{60};
constexpr std::chrono::seconds LongestActivationInterval{3600};
// NetworkManager counts as there only while it answers sensibly; one that keeps silent or
// sends nonsense for this long is as good as absent until it answers sensibly again.
constexpr std::chrono::seconds NonsenseLimit{5};

// The first refusal waits the plain interval, each further one in a row twice as long.
std::chrono::seconds IntervalAfter(int refusals) {
    const std::chrono::seconds interval =
        ActivationInterval * (1 << std::clamp(refusals - 1, 0, 6));
    return std::min(interval, LongestActivationInterval);
}

std::uint32_t Number(const DbusProperties* properties, const char* name, std::uint32_t absent) {
    const DbusValue* value = FindProperty(properties, name);
    return value != nullptr && value->kind == DbusValue::Kind::Number
               ? static_cast<std::uint32_t>(value->number)
               : absent;
}

bool Flag(const DbusProperties* properties, const char* name, bool absent) {
    const DbusValue* value = FindProperty(properties, name);
    return value != nullptr && value->kind == DbusValue::Kind::Flag ? value->flag : absent;
}

std::string Text(const DbusProperties* properties, const char* name) {
    const DbusValue* value = FindProperty(properties, name);
    return value != nullptr && value->kind == DbusValue::Kind::Text ? value->text : std::string();
}

// The manager's properties make sense: its State is one of NMState's values.
bool Sensible(const DbusProperties* manager) {
    const DbusValue* state = FindProperty(manager, "State");
    return state != nullptr && state->kind == DbusValue::Kind::Number && state->number >= 0 &&
           state->number <= 70 && state->number % 10 == 0;
}

// The "connection" group's id and uuid from a profile's a{sa{sv}} settings.
bool ProfileMatches(sd_bus_message* reply, const std::string& profile) {
    if (sd_bus_message_enter_container(reply, SD_BUS_TYPE_ARRAY, "{sa{sv}}") < 0) {
        return false;
    }
    while (sd_bus_message_enter_container(reply, SD_BUS_TYPE_DICT_ENTRY, "sa{sv}") > 0) {
        const char* group = nullptr;
        if (sd_bus_message_read_basic(reply, SD_BUS_TYPE_STRING, &group) < 0) {
            return false;
        }
        if (std::string(group) == "connection") {
            DbusProperties settings;
            DbusCapsHit ignored;
            if (!ReadDbusProperties(reply, settings, ignored)) {
                return false;
            }
            return Text(&settings, "id") == profile || Text(&settings, "uuid") == profile;
        }
        if (sd_bus_message_skip(reply, "a{sv}") < 0 || sd_bus_message_exit_container(reply) < 0) {
            return false;
        }
    }
    return false;
}
}  // namespace

NmLink::NmLink(std::shared_ptr<DbusConnection> bus, std::string profile, RouteProbe probe,
               Without without, Now now)
    : bus_(std::move(bus)),
      service_(*bus_, Service),
      profile_(std::move(profile)),
      probe_(std::move(probe)),
      without_(without),
      now_(std::move(now)) {
    service_.Watch(ManagerPath, ManagerInterface);
    service_.Follow(ManagerInterface, "ActiveConnections", ActiveInterface);
    service_.Refresh();
}

void NmLink::Settle(std::chrono::milliseconds budget) {
    service_.Settle(budget);
}

bool NmLink::MapDestination(const std::string& address, DestinationId& destination) {
    return MapHttpAddress(address, destination);
}

bool NmLink::RequestConnection(const DestinationId& destination, std::uint32_t& connection) {
    connection = held_.Hold(destination);
    return true;
}

std::uint32_t NmLink::ReadStatus(std::uint32_t connection) {
    HeldLinks::Link* link = held_.Find(connection);
    if (link == nullptr) {
        return ConnectionStatusDisconnected;
    }
    const std::uint32_t network = NetworkStatus(link->address);
    ActivateWhenDue(network);
    return heldStatus_.Next(network, link->wasConnected);
}

void NmLink::Release(std::uint32_t connection) {
    held_.Release(connection);
}

std::uint32_t NmLink::NetworkStatus(std::uint32_t address) {
    service_.Refresh();
    JudgeAnswers();
    return MapNmStatus(Snapshot(address));
}

void NmLink::JudgeAnswers() {
    const auto now = now_();
    sensible_ = service_.Present() && Sensible(service_.Find(ManagerPath, ManagerInterface));
    if (sensible_ || !service_.Present() || !service_.Known()) {
        troubled_ = false;
        return;
    }
    if (!troubled_) {
        troubled_ = true;
        troubleSince_ = now;
    }
    service_.Recheck(ManagerPath, ManagerInterface);
}

bool NmLink::GivenUp() const {
    return troubled_ && now_() - troubleSince_ >= NonsenseLimit;
}

NmSnapshot NmLink::Snapshot(std::uint32_t address) const {
    NmSnapshot nm;
    const DbusProperties* manager = service_.Find(ManagerPath, ManagerInterface);
    nm.known = service_.Known() && (!service_.Present() || sensible_ || GivenUp());
    nm.present = sensible_;
    nm.state = Number(manager, "State", 0);
    nm.connectivity = Number(manager, "Connectivity", 0);
    nm.networkingEnabled = Flag(manager, "NetworkingEnabled", true);
    // The radio's software switch (flight mode) and its hardware switch.
    nm.wwanEnabled =
        Flag(manager, "WwanEnabled", true) && Flag(manager, "WwanHardwareEnabled", true);
    // Without a usable server address there is no route to look for.
    nm.routeToServer =
        (without_ == Without::Direct && !nm.present) || (address != 0 && probe_(address));
    nm.activating = *activating_;
    nm.activationFailed = *refusals_ > 0 && !ProfileActive();
    return nm;
}

bool NmLink::ProfileActive() const {
    const DbusValue* active =
        FindProperty(service_.Find(ManagerPath, ManagerInterface), "ActiveConnections");
    if (profile_.empty() || active == nullptr) {
        return false;
    }
    for (const auto& path : active->list) {
        const DbusProperties* connection = service_.Find(path, ActiveInterface);
        if ((Text(connection, "Id") == profile_ || Text(connection, "Uuid") == profile_) &&
            Number(connection, "State", 0) != ActiveDeactivated) {
            return true;
        }
    }
    return false;
}

void NmLink::ActivateWhenDue(std::uint32_t network) {
    // A step lost with the bus never answers; the interval also ends such a wait.
    if (profile_.empty() || network == ConnectionStatusConnected || !sensible_ || ProfileActive()) {
        return;
    }
    const auto now = now_();
    if (everActivated_ && now - lastActivation_ < IntervalAfter(*refusals_)) {
        return;
    }
    everActivated_ = true;
    lastActivation_ = now;
    Activate();
}

// Finds the profile among the stored ones, then activates it; every step is answered on a
// later tick.
void NmLink::Activate() {
    *activating_ = true;
    auto activating = activating_;
    auto refusals = refusals_;
    auto service = &service_;
    const std::string profile = profile_;
    const bool listed = service_.CallAsync(
        SettingsPath, SettingsInterface, "ListConnections", nullptr,
        [=](sd_bus_message* reply, const std::string&) {
            std::vector<std::string> paths;
            const char* path = nullptr;
            if (reply != nullptr &&
                sd_bus_message_enter_container(reply, SD_BUS_TYPE_ARRAY, "o") >= 0) {
                while (sd_bus_message_read_basic(reply, SD_BUS_TYPE_OBJECT_PATH, &path) > 0) {
                    paths.emplace_back(path);
                }
            }
            auto left = std::make_shared<std::size_t>(paths.size());
            auto found = std::make_shared<bool>(false);
            auto finish = [=](bool ok) {
                *activating = false;
                *refusals = ok ? 0 : *refusals + 1;
            };
            if (paths.empty()) {
                finish(false);
                return;
            }
            for (const auto& candidate : paths) {
                const bool asked = service->CallAsync(
                    candidate, ProfileInterface, "GetSettings", nullptr,
                    [=](sd_bus_message* settings, const std::string&) {
                        --*left;
                        if (!*found && settings != nullptr && ProfileMatches(settings, profile)) {
                            *found = true;
                            const bool sent = service->CallAsync(
                                ManagerPath, ManagerInterface, "ActivateConnection",
                                [&](sd_bus_message* m) {
                                    return sd_bus_message_append(m, "ooo", candidate.c_str(), "/",
                                                                 "/");
                                },
                                [=](sd_bus_message* answer, const std::string&) {
                                    finish(answer != nullptr);
                                });
                            if (!sent) {
                                finish(false);
                            }
                        } else if (*left == 0 && !*found) {
                            finish(false);
                        }
                    });
                if (!asked && --*left == 0 && !*found) {
                    finish(false);
                }
            }
        });
    if (!listed) {
        *activating_ = false;
        ++*refusals_;
    }
}
