#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <vector>

#include "platform/DatagramSocket.h"

class SimClock;

struct SimDatagram {
    Ipv4Endpoint from;
    Ipv4Endpoint to;
    std::vector<std::uint8_t> bytes;
    std::int64_t deliverAtMs = 0;
    std::uint64_t sequence = 0;
};

// How the simulated network mistreats datagrams; each one is judged on its own.
struct SimNetworkFaults {
    double lossRate = 0;       // dropped
    double duplicateRate = 0;  // delivered twice
    double reorderRate = 0;    // held back by reorderDelayMs, so later ones overtake it
    std::int64_t minDelayMs = 0;
    std::int64_t maxDelayMs = 0;
    std::int64_t reorderDelayMs = 300;
};

// An in-memory UDP network in simulated time. Datagrams become due when the clock
// reaches their delivery time and are handed over by Pump (which the simulated sockets
// call whenever they look for data). Endpoints are either socket inboxes or handlers.
class SimNetwork {
public:
    using Handler = std::function<void(const SimDatagram&)>;

    explicit SimNetwork(const SimClock& clock, std::uint32_t seed = 1);

    // False (the caller reports EACCES) for the broadcast address, as a socket without
    // broadcast permission does.
    bool Send(const Ipv4Endpoint& from, const Ipv4Endpoint& to, std::vector<std::uint8_t> bytes);
    void Pump();

    void AttachHandler(const Ipv4Endpoint& endpoint, Handler handler);
    void AttachInbox(const Ipv4Endpoint& endpoint);
    void Detach(const Ipv4Endpoint& endpoint);
    bool HasDue(const Ipv4Endpoint& endpoint);
    bool TakeDue(const Ipv4Endpoint& endpoint, SimDatagram& datagram);

    SimNetworkFaults faults;
    // Every datagram offered to the network, in order, before any fault.
    std::vector<SimDatagram> sent;
    int lostCount = 0;
    int duplicatedCount = 0;
    int undeliverableCount = 0;

private:
    struct Endpoint {
        Handler handler;
        std::deque<SimDatagram> inbox;
    };
    double Uniform();
    void Schedule(SimDatagram datagram);

    const SimClock& clock_;
    std::mt19937 random_;
    std::uint64_t nextSequence_ = 0;
    std::multimap<std::pair<std::int64_t, std::uint64_t>, SimDatagram> inFlight_;
    std::map<std::pair<std::uint32_t, std::uint16_t>, Endpoint> endpoints_;
};
