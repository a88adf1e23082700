#include "platform/linux/dbus/DbusService.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace {

using Key = std::pair<std::string, std::string>;  // object path, interface

constexpr std::chrono::seconds UnansweredLimit{5};
// A service that keeps a call unanswered this long has it fail, so its silence ends.
constexpr std::uint64_t CallTimeoutMicros = 5'000'000;
// Objects kept per service, from its object manager and from followed properties each.
constexpr std::size_t MaxObjects = 64;
// A watched object whose properties make no sense is asked again at most this often.
constexpr std::chrono::seconds RecheckInterval{5};

struct FollowRule {
    std::string parentInterface;
    std::string property;
    std::string childInterface;
};

}  // namespace

struct DbusService::State {
    std::string name;
    std::vector<FollowRule> follows;
    int pendingCalls = 0;
    std::string objectManagerPath;
    bool present = false;
    bool ownerAnswered = false;
    bool busDown = false;
    std::set<Key> watched;
    std::map<Key, DbusProperties> cache;
    std::map<std::string, std::set<std::string>> managed;          // path → interfaces
    std::set<Key> fetching;                                        // GetAll asked, not answered
    std::map<Key, std::chrono::steady_clock::time_point> fetched;  // when last asked
    DbusCapsHit capsHit;
    bool capsTold = false;
    // The PropertiesChanged matches of watched objects, so that nothing else is sent to us.
    std::map<Key, sd_bus_slot*> propertyMatches;
    // Announced changes of the cached properties and of the service's owner.
    std::uint64_t changes = 0;
};

namespace {

using StatePtr = std::shared_ptr<DbusService::State>;
using Handler = std::function<void(const StatePtr&, sd_bus_message*)>;

// What a callback needs; the service may be gone by the time a reply arrives.
struct Hook {
    std::weak_ptr<DbusService::State> state;
    Handler handler;
    bool isCall = false;
};

void ApplyFollows(sd_bus* bus, const StatePtr& state);

int OnMessage(sd_bus_message* message, void* userdata, sd_bus_error*) {
    auto* hook = static_cast<Hook*>(userdata);
    if (StatePtr state = hook->state.lock()) {
        if (hook->isCall && state->pendingCalls > 0) {
            --state->pendingCalls;
        }
        hook->handler(state, message);
        ApplyFollows(sd_bus_message_get_bus(message), state);
        if (state->capsHit.Any() && !state->capsTold) {
            state->capsTold = true;
            std::fprintf(stderr,
                         "%s: %s sends more than is kept (texts over %zu bytes, over %zu "
                         "items or objects); the rest is ignored\n",
                         program_invocation_short_name, state->name.c_str(), DbusMaxText,
                         DbusMaxItems);
        }
    }
    return 0;
}

void DeleteHook(void* userdata) {
    delete static_cast<Hook*>(userdata);
}

// The bus owns the slot from here on; the hook goes with it.
void HandOver(sd_bus_slot* slot) {
    sd_bus_slot_set_destroy_callback(slot, DeleteHook);
    sd_bus_slot_set_floating(slot, 1);
    sd_bus_slot_unref(slot);
}

bool AddMatch(sd_bus* bus, const std::string& rule, const StatePtr& state, Handler handler) {
    auto* hook = new Hook{state, std::move(handler)};
    sd_bus_slot* slot = nullptr;
    if (sd_bus_add_match_async(bus, &slot, rule.c_str(), OnMessage, nullptr, hook) < 0) {
        delete hook;
        return false;
    }
    HandOver(slot);
    return true;
}

// The slot stays ours: unreferencing it removes the match.
sd_bus_slot* AddOwnedMatch(sd_bus* bus, const std::string& rule, const StatePtr& state,
                           Handler handler) {
    auto* hook = new Hook{state, std::move(handler)};
    sd_bus_slot* slot = nullptr;
    if (sd_bus_add_match_async(bus, &slot, rule.c_str(), OnMessage, nullptr, hook) < 0) {
        delete hook;
        return nullptr;
    }
    sd_bus_slot_set_destroy_callback(slot, DeleteHook);
    return slot;
}

bool Send(sd_bus* bus, sd_bus_message* call, const StatePtr& state, Handler handler) {
    auto* hook = new Hook{state, std::move(handler), true};
    sd_bus_slot* slot = nullptr;
    if (sd_bus_call_async(bus, &slot, call, OnMessage, hook, CallTimeoutMicros) < 0) {
        delete hook;
        return false;
    }
    HandOver(slot);
    ++state->pendingCalls;
    return true;
}

bool Call(sd_bus* bus, const StatePtr& state, const std::string& path, const std::string& interface,
          const std::string& method, const std::function<int(sd_bus_message*)>& append,
          Handler handler) {
    sd_bus_message* call = nullptr;
    bool sent = sd_bus_message_new_method_call(bus, &call, state->name.c_str(), path.c_str(),
                                               interface.c_str(), method.c_str()) >= 0 &&
                (!append || append(call) >= 0) && Send(bus, call, state, std::move(handler));
    sd_bus_message_unref(call);
    return sent;
}

bool IsKnown(const DbusService::State& state, const Key& key) {
    if (state.watched.count(key) != 0) {
        return true;
    }
    auto found = state.managed.find(key.first);
    return found != state.managed.end() && found->second.count(key.second) != 0;
}

void Fetch(sd_bus* bus, const StatePtr& state, const Key& key) {
    state->fetched[key] = std::chrono::steady_clock::now();
    state->fetching.insert(key);
    Call(
        bus, state, key.first, "org.freedesktop.DBus.Properties", "GetAll",
        [&](sd_bus_message* m) { return sd_bus_message_append(m, "s", key.second.c_str()); },
        [key](const StatePtr& s, sd_bus_message* reply) {
            s->fetching.erase(key);
            if (sd_bus_message_is_method_error(reply, nullptr)) {
                s->cache.erase(key);
                return;
            }
            DbusProperties properties;
            if (IsKnown(*s, key) && ReadDbusProperties(reply, properties, s->capsHit)) {
                s->cache[key] = std::move(properties);
            }
        });
}

// Puts one object the object manager offers into the cache, while there is room.
void AddManaged(DbusService::State& state, const std::string& path, DbusInterfaces& interfaces) {
    auto known = state.managed.find(path);
    if (known == state.managed.end() && state.managed.size() >= MaxObjects) {
        state.capsHit.objects = true;
        return;
    }
    auto& names = state.managed[path];
    for (auto& [interface, properties] : interfaces) {
        if (names.size() >= DbusMaxInterfaces && names.count(interface) == 0) {
            state.capsHit.items = true;
            continue;
        }
        names.insert(interface);
        state.cache[{path, interface}] = std::move(properties);
    }
}

void ForgetManaged(DbusService::State& state) {
    for (const auto& [path, interfaces] : state.managed) {
        for (const auto& interface : interfaces) {
            if (state.watched.count({path, interface}) == 0) {
                state.cache.erase({path, interface});
            }
        }
    }
    state.managed.clear();
}

void FetchManaged(sd_bus* bus, const StatePtr& state) {
    Call(bus, state, state->objectManagerPath, "org.freedesktop.DBus.ObjectManager",
         "GetManagedObjects", nullptr, [](const StatePtr& s, sd_bus_message* reply) {
             ForgetManaged(*s);
             DbusObjects objects;
             if (sd_bus_message_is_method_error(reply, nullptr) ||
                 !ReadDbusObjects(reply, objects, s->capsHit)) {
                 return;
             }
             for (auto& [path, interfaces] : objects) {
                 AddManaged(*s, path, interfaces);
             }
         });
}

void OnPropertiesChanged(const StatePtr& state, sd_bus_message* m);

// Objects below the object manager are matched all at once.
bool UnderManager(const DbusService::State& state, const std::string& path) {
    const std::string& root = state.objectManagerPath;
    return !root.empty() &&
           (path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                             path[root.size()] == '/'));
}

void MatchProperties(sd_bus* bus, const StatePtr& state, const Key& key) {
    if (UnderManager(*state, key.first) || state->propertyMatches.count(key) != 0) {
        return;
    }
    const std::string rule = "type='signal',sender='" + state->name + "',path='" + key.first +
                             "',interface='org.freedesktop.DBus.Properties',member='"
                             "PropertiesChanged',arg0='" +
                             key.second + "'";
    if (sd_bus_slot* slot = AddOwnedMatch(bus, rule, state, OnPropertiesChanged)) {
        state->propertyMatches[key] = slot;
    }
}

void UnmatchProperties(DbusService::State& state, const Key& key) {
    auto found = state.propertyMatches.find(key);
    if (found != state.propertyMatches.end()) {
        sd_bus_slot_unref(found->second);
        state.propertyMatches.erase(found);
    }
}

void UnmatchAll(DbusService::State& state) {
    for (auto& [key, slot] : state.propertyMatches) {
        sd_bus_slot_unref(slot);
    }
    state.propertyMatches.clear();
}

// Watches what the followed properties name now, and stops watching what they no longer name.
void ApplyFollows(sd_bus* bus, const StatePtr& state) {
    for (const auto& rule : state->follows) {
        std::set<std::string> named;
        for (const auto& [key, properties] : state->cache) {
            auto found = properties.find(rule.property);
            if (key.second != rule.parentInterface || found == properties.end()) {
                continue;
            }
            const DbusValue& value = found->second;
            if (value.kind == DbusValue::Kind::Text) {
                named.insert(value.text);
            }
            for (const auto& path : value.list) {
                named.insert(path);
            }
        }
        named.erase("/");
        named.erase("");
        for (auto it = state->watched.begin(); it != state->watched.end();) {
            if (it->second == rule.childInterface && named.count(it->first) == 0) {
                state->cache.erase(*it);
                state->fetched.erase(*it);
                UnmatchProperties(*state, *it);
                it = state->watched.erase(it);
            } else {
                ++it;
            }
        }
        for (const auto& path : named) {
            const Key key{path, rule.childInterface};
            if (state->watched.count(key) == 0 && state->watched.size() >= 2 * MaxObjects) {
                state->capsHit.objects = true;
                continue;
            }
            if (state->watched.insert(key).second) {
                MatchProperties(bus, state, key);
                Fetch(bus, state, {path, rule.childInterface});
            }
        }
    }
}

void Reload(sd_bus* bus, const StatePtr& state) {
    for (const auto& key : state->watched) {
        Fetch(bus, state, key);
    }
    if (!state->objectManagerPath.empty()) {
        FetchManaged(bus, state);
    }
}

void Vanish(DbusService::State& state) {
    state.present = false;
    state.cache.clear();
    state.managed.clear();
    state.fetching.clear();
}

void OnOwnerChanged(const StatePtr& state, sd_bus_message* m) {
    const char* name = nullptr;
    const char* before = nullptr;
    const char* after = nullptr;
    if (sd_bus_message_read(m, "sss", &name, &before, &after) < 0 || after == nullptr) {
        return;
    }
    Vanish(*state);
    state->ownerAnswered = true;
    ++state->changes;
    if (*after != '\0') {
        state->present = true;
        Reload(sd_bus_message_get_bus(m), state);
    }
}

void OnPropertiesChanged(const StatePtr& state, sd_bus_message* m) {
    const char* interface = nullptr;
    const char* path = sd_bus_message_get_path(m);
    if (path == nullptr || sd_bus_message_read_basic(m, SD_BUS_TYPE_STRING, &interface) < 0) {
        return;
    }
    const Key key{path, interface};
    if (!IsKnown(*state, key)) {
        return;
    }
    // Read over what is cached, so the bounds hold for the merged properties.
    DbusProperties merged = state->cache[key];
    if (!ReadDbusProperties(m, merged, state->capsHit)) {
        return;
    }
    DbusProperties& cached = state->cache[key];
    cached = std::move(merged);
    ++state->changes;
    char type = 0;
    if (sd_bus_message_peek_type(m, &type, nullptr) > 0 && type == SD_BUS_TYPE_ARRAY &&
        sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "s") >= 0) {
        const char* name = nullptr;
        bool any = false;
        while (sd_bus_message_read_basic(m, SD_BUS_TYPE_STRING, &name) > 0) {
            cached.erase(name);
            any = true;
        }
        if (any) {
            Fetch(sd_bus_message_get_bus(m), state, key);
        }
    }
}

void OnInterfacesAdded(const StatePtr& state, sd_bus_message* m) {
    const char* path = nullptr;
    DbusInterfaces interfaces;
    if (sd_bus_message_read_basic(m, SD_BUS_TYPE_OBJECT_PATH, &path) >= 0 && path != nullptr &&
        KeepDbusText(path, state->capsHit) && ReadDbusInterfaces(m, interfaces, state->capsHit)) {
        AddManaged(*state, path, interfaces);
    }
}

void OnInterfacesRemoved(const StatePtr& state, sd_bus_message* m) {
    const char* path = nullptr;
    if (sd_bus_message_read_basic(m, SD_BUS_TYPE_OBJECT_PATH, &path) < 0 || path == nullptr ||
        sd_bus_message_enter_container(m, SD_BUS_TYPE_ARRAY, "s") < 0) {
        return;
    }
    const char* interface = nullptr;
    auto& interfaces = state->managed[path];
    while (sd_bus_message_read_basic(m, SD_BUS_TYPE_STRING, &interface) > 0) {
        interfaces.erase(interface);
        if (state->watched.count({path, interface}) == 0) {
            state->cache.erase({path, interface});
        }
    }
    if (interfaces.empty()) {
        state->managed.erase(path);
    }
}

}  // namespace

DbusService::DbusService(DbusConnection& bus, std::string name, std::string objectManagerPath)
    : bus_(bus), state_(std::make_shared<State>()) {
    state_->name = std::move(name);
    state_->objectManagerPath = std::move(objectManagerPath);
    connectHook_ = bus_.AddConnectHook([this] { Resubscribe(); });
}

DbusService::~DbusService() {
    bus_.RemoveConnectHook(connectHook_);
    UnmatchAll(*state_);
}

void DbusService::Watch(const std::string& path, const std::string& interface) {
    if (!state_->watched.insert({path, interface}).second) {
        return;
    }
    if (bus_.Bus() != nullptr && generation_ == bus_.Generation()) {
        MatchProperties(bus_.Bus(), state_, {path, interface});
        if (state_->present) {
            Fetch(bus_.Bus(), state_, {path, interface});
        }
    }
}

void DbusService::Recheck(const std::string& path, const std::string& interface) {
    const Key key{path, interface};
    auto last = state_->fetched.find(key);
    if (!state_->present || bus_.Bus() == nullptr || generation_ != bus_.Generation() ||
        state_->watched.count(key) == 0 || state_->fetching.count(key) != 0 ||
        (last != state_->fetched.end() &&
         std::chrono::steady_clock::now() - last->second < RecheckInterval)) {
        return;
    }
    Fetch(bus_.Bus(), state_, key);
}

void DbusService::Follow(const std::string& parentInterface, const std::string& property,
                         const std::string& childInterface) {
    state_->follows.push_back({parentInterface, property, childInterface});
}

void DbusService::Refresh() {
    state_->busDown = !bus_.Ensure();
    if (state_->busDown) {
        Vanish(*state_);
        return;
    }
    if (generation_ != bus_.Generation()) {
        Resubscribe();
    }
    bus_.Drain();
    if (bus_.Bus() == nullptr) {
        state_->busDown = true;
        Vanish(*state_);
    }
}

bool DbusService::Known() const {
    // A bus that has not answered for this long is as good as absent (hung, say).
    return state_->busDown || state_->ownerAnswered ||
           std::chrono::steady_clock::now() - subscribed_ > UnansweredLimit;
}

void DbusService::Resubscribe() {
    generation_ = bus_.Generation();
    Vanish(*state_);
    state_->ownerAnswered = false;
    Subscribe();
}

void DbusService::Subscribe() {
    subscribed_ = std::chrono::steady_clock::now();
    sd_bus* bus = bus_.Bus();
    state_->pendingCalls = 0;
    const std::string& name = state_->name;
    AddMatch(bus,
             "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
             "member='NameOwnerChanged',arg0='" +
                 name + "'",
             state_, OnOwnerChanged);
    UnmatchAll(*state_);
    for (const auto& key : state_->watched) {
        MatchProperties(bus, state_, key);
    }
    if (!state_->objectManagerPath.empty()) {
        AddMatch(bus,
                 "type='signal',sender='" + name +
                     "',interface='org.freedesktop.DBus.Properties',member='PropertiesChanged',"
                     "path_namespace='" +
                     state_->objectManagerPath + "'",
                 state_, OnPropertiesChanged);
        const std::string manager = "type='signal',sender='" + name + "',path='" +
                                    state_->objectManagerPath +
                                    "',interface='org.freedesktop.DBus.ObjectManager',member=";
        AddMatch(bus, manager + "'InterfacesAdded'", state_, OnInterfacesAdded);
        AddMatch(bus, manager + "'InterfacesRemoved'", state_, OnInterfacesRemoved);
    }
    // Asked after the matches, so no change of owner can fall between the two.
    sd_bus_message* call = nullptr;
    if (sd_bus_message_new_method_call(bus, &call, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", "GetNameOwner") >= 0 &&
        sd_bus_message_append(call, "s", name.c_str()) >= 0) {
        Send(bus, call, state_, [](const StatePtr& s, sd_bus_message* reply) {
            if (s->ownerAnswered) {
                return;  // a change of owner came first and is newer
            }
            s->ownerAnswered = true;
            if (!sd_bus_message_is_method_error(reply, nullptr)) {
                s->present = true;
                Reload(sd_bus_message_get_bus(reply), s);
            }
        });
    }
    sd_bus_message_unref(call);
}

std::uint64_t DbusService::Changes() const {
    return state_->changes;
}

bool DbusService::Present() const {
    return state_->present;
}

const DbusProperties* DbusService::Find(const std::string& path,
                                        const std::string& interface) const {
    auto found = state_->cache.find({path, interface});
    return state_->present && found != state_->cache.end() ? &found->second : nullptr;
}

std::vector<std::string> DbusService::ObjectsWith(const std::string& interface) const {
    std::vector<std::string> paths;
    for (const auto& [path, interfaces] : state_->managed) {
        if (interfaces.count(interface) != 0) {
            paths.push_back(path);
        }
    }
    return paths;
}

bool DbusService::CallAsync(const std::string& path, const std::string& interface,
                            const std::string& method,
                            const std::function<int(sd_bus_message*)>& append, Reply done) {
    if (bus_.Bus() == nullptr || generation_ != bus_.Generation()) {
        return false;
    }
    return Call(bus_.Bus(), state_, path, interface, method, append,
                [done = std::move(done)](const StatePtr&, sd_bus_message* reply) {
                    const sd_bus_error* error = sd_bus_message_get_error(reply);
                    if (error != nullptr) {
                        done(nullptr, error->name != nullptr ? error->name : "error");
                    } else {
                        done(reply, "");
                    }
                });
}

void DbusService::Settle(std::chrono::milliseconds budget) {
    const auto deadline = std::chrono::steady_clock::now() + budget;
    Refresh();
    while (bus_.Bus() != nullptr && state_->pendingCalls > 0) {
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) {
            break;
        }
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
        if (sd_bus_wait(bus_.Bus(), static_cast<std::uint64_t>(micros)) < 0) {
            break;
        }
        Refresh();
    }
}
