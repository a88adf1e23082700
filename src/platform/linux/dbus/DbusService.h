#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/dbus/DbusConnection.h"
#include "platform/linux/dbus/DbusValue.h"

struct sd_bus_message;

// A cached view of one service on the bus: whether it is there, the properties of the
// objects asked for, and (through its object manager, when it has one) which objects it
// offers. Signals keep the cache current; Refresh handles what has arrived without waiting
// and starts again after the bus or the service came back. Nothing here blocks.
class DbusService {
public:
    // objectManagerPath is "" for a service without an object manager.
    DbusService(DbusConnection& bus, std::string name, std::string objectManagerPath = "");
    ~DbusService();
    DbusService(const DbusService&) = delete;
    DbusService& operator=(const DbusService&) = delete;

    // Keeps the properties of this interface of this object in the cache from now on.
    void Watch(const std::string& path, const std::string& interface);
    // Asks again for the watched properties of the object, unless that was asked lately or
    // is still unanswered: for a service whose answer made no sense.
    void Recheck(const std::string& path, const std::string& interface);
    // Watches the objects that a property (an object path or a list of them) of the cached
    // objects of parentInterface names, as childInterface; follows the property's changes.
    void Follow(const std::string& parentInterface, const std::string& property,
                const std::string& childInterface);

    // Connects when due, handles what has arrived, subscribes again after a reconnect.
    void Refresh();
    // Waits at most the budget until every question asked so far is answered, so that the
    // cache is filled before the first use. Only for the start; the tick never calls it.
    void Settle(std::chrono::milliseconds budget);
    // Whether the service is there is known: the bus is down, or it has answered, or it
    // has not answered for too long (then the service counts as absent).
    bool Known() const;
    // The service's name has an owner on the bus, as far as the last Refresh knows.
    bool Present() const;
    // How many changes of the watched properties, and of the service's owner, have been
    // announced so far.
    std::uint64_t Changes() const;
    // The cached properties, or null while they are not (yet) known.
    const DbusProperties* Find(const std::string& path, const std::string& interface) const;
    // The objects the object manager offers with this interface, in path order.
    std::vector<std::string> ObjectsWith(const std::string& interface) const;

    // A method call whose answer arrives on a later Refresh: done gets the reply, or null
    // and the error's name. False when it could not even be sent (no bus).
    using Reply = std::function<void(sd_bus_message* reply, const std::string& error)>;
    bool CallAsync(const std::string& path, const std::string& interface, const std::string& method,
                   const std::function<int(sd_bus_message*)>& append, Reply done);

    struct State;

private:
    void Resubscribe();
    void Subscribe();

    DbusConnection& bus_;
    std::shared_ptr<State> state_;
    std::uint64_t generation_ = 0;
    std::chrono::steady_clock::time_point subscribed_{};
    int connectHook_ = 0;
};
