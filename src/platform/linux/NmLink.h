#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/ConnectionManager.h"
#include "platform/linux/HeldLinks.h"
#include "platform/linux/NmStatus.h"
#include "platform/linux/dbus/DbusService.h"

// The data link as NetworkManager reports it: its global state, connectivity, and the
// switches for networking and the mobile radio, read from a cache that the bus's signals
// keep current. A request asks nothing of NetworkManager while the network is up; with a
// profile named (its id or UUID) it activates that profile, without waiting for the
// answer, when it is not active. A NetworkManager that does not answer sensibly within a
// few seconds counts as absent: the kernel's routes decide until it does.
class NmLink final : public ConnectionManager {
public:
    using RouteProbe = std::function<bool(std::uint32_t address)>;
    // What the link is while NetworkManager is absent: as the kernel's route to the
    // server says, or simply up.
    enum class Without { Route, Direct };
    using Now = std::function<std::chrono::steady_clock::time_point()>;

    NmLink(std::shared_ptr<DbusConnection> bus, std::string profile, RouteProbe probe,
           Without without = Without::Route, Now now = std::chrono::steady_clock::now);

    bool MapDestination(const std::string& address, DestinationId& destination) override;
    bool RequestConnection(const DestinationId& destination, std::uint32_t& connection) override;
    std::uint32_t ReadStatus(std::uint32_t connection) override;
    void Release(std::uint32_t connection) override;
    // A change of what the link follows (the manager's state and switches, the active
    // connections), as the bus announced it.
    std::uint64_t NetworkChanges() const override { return service_.Changes(); }

    // Fills the cache, waiting at most the budget; for the start only.
    void Settle(std::chrono::milliseconds budget);
    // The network's status now, for a link to the given server address.
    std::uint32_t NetworkStatus(std::uint32_t address);

private:
    NmSnapshot Snapshot(std::uint32_t address) const;
    // Whether NetworkManager answers sensibly, and since when it has not.
    void JudgeAnswers();
    bool GivenUp() const;
    bool ProfileActive() const;
    void ActivateWhenDue(std::uint32_t network);
    void Activate();

    std::shared_ptr<DbusConnection> bus_;
    DbusService service_;
    std::string profile_;
    RouteProbe probe_;
    Without without_;
    Now now_;
    HeldLinks held_;
    HeldLinkStatus heldStatus_;
    bool sensible_ = false;
    bool troubled_ = false;
    std::chrono::steady_clock::time_point troubleSince_{};

    // Activation: one at a time, and not again within the interval after the last; the
    // interval doubles with every refusal in a row (an unknown profile, no permission).
    std::shared_ptr<bool> activating_ = std::make_shared<bool>(false);
    std::shared_ptr<int> refusals_ = std::make_shared<int>(0);
    bool everActivated_ = false;
    std::chrono::steady_clock::time_point lastActivation_{};
};
