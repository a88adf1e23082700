#include "platform/sim/SimNetwork.h"

#include "platform/sim/SimClock.h"

namespace {
std::pair<std::uint32_t, std::uint16_t> Key(const Ipv4Endpoint& e) {
    return {e.address, e.port};
}
}  // namespace

SimNetwork::SimNetwork(const SimClock& clock, std::uint32_t seed) : clock_(clock), random_(seed) {}

double SimNetwork::Uniform() {
    return static_cast<double>(random_()) / 4294967296.0;
}

bool SimNetwork::Send(const Ipv4Endpoint& from, const Ipv4Endpoint& to,
                      std::vector<std::uint8_t> bytes) {
    if (to.address == 0xFFFFFFFFu) {
        return false;
    }
    SimDatagram datagram{from, to, std::move(bytes), 0, nextSequence_++};
    sent.push_back(datagram);
    if (Uniform() < faults.lossRate) {
        ++lostCount;
        return true;
    }
    if (Uniform() < faults.duplicateRate) {
        ++duplicatedCount;
        Schedule(datagram);
    }
    Schedule(std::move(datagram));
    return true;
}

void SimNetwork::Schedule(SimDatagram datagram) {
    std::int64_t delay = faults.minDelayMs;
    if (faults.maxDelayMs > faults.minDelayMs) {
        delay += static_cast<std::int64_t>(
            Uniform() * static_cast<double>(faults.maxDelayMs - faults.minDelayMs + 1));
    }
    if (Uniform() < faults.reorderRate) {
        delay += faults.reorderDelayMs;
    }
    datagram.deliverAtMs = clock_.UtcMilliseconds() + delay;
    datagram.sequence = nextSequence_++;
    inFlight_.emplace(std::make_pair(datagram.deliverAtMs, datagram.sequence), std::move(datagram));
}

void SimNetwork::Pump() {
    const std::int64_t now = clock_.UtcMilliseconds();
    while (!inFlight_.empty() && inFlight_.begin()->first.first <= now) {
        SimDatagram datagram = std::move(inFlight_.begin()->second);
        inFlight_.erase(inFlight_.begin());
        auto found = endpoints_.find(Key(datagram.to));
        if (found == endpoints_.end()) {
            ++undeliverableCount;
        } else if (found->second.handler) {
            // Copy: the handler may send, attach or detach.
            Handler handler = found->second.handler;
            handler(datagram);
        } else {
            found->second.inbox.push_back(std::move(datagram));
        }
    }
}

void SimNetwork::AttachHandler(const Ipv4Endpoint& endpoint, Handler handler) {
    endpoints_[Key(endpoint)] = Endpoint{std::move(handler), {}};
}

void SimNetwork::AttachInbox(const Ipv4Endpoint& endpoint) {
    endpoints_[Key(endpoint)] = Endpoint{};
}

void SimNetwork::Detach(const Ipv4Endpoint& endpoint) {
    endpoints_.erase(Key(endpoint));
}

bool SimNetwork::HasDue(const Ipv4Endpoint& endpoint) {
    Pump();
    auto found = endpoints_.find(Key(endpoint));
    return found != endpoints_.end() && !found->second.inbox.empty();
}

bool SimNetwork::TakeDue(const Ipv4Endpoint& endpoint, SimDatagram& datagram) {
    if (!HasDue(endpoint)) {
        return false;
    }
    auto& inbox = endpoints_.find(Key(endpoint))->second.inbox;
    datagram = std::move(inbox.front());
    inbox.pop_front();
    return true;
}
