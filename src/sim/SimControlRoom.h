#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "delivery/ReportDatagram.h"
#include "platform/DatagramSocket.h"

class SimNetwork;
struct SimDatagram;

// A control-room server on a SimNetwork: checks every datagram and acknowledges each
// well-formed one by echoing its first 21 bytes.
class SimControlRoom {
public:
    SimControlRoom(SimNetwork& network, const Ipv4Endpoint& endpoint);
    ~SimControlRoom();
    SimControlRoom(const SimControlRoom&) = delete;
    SimControlRoom& operator=(const SimControlRoom&) = delete;

    struct Received {
        Ipv4Endpoint from;
        ReportFields fields;
        bool acknowledged = false;
    };

    bool acknowledge = true;
    int dropFirst = 0;  // so many well-formed reports are taken in but not acknowledged

    std::vector<Received> reports;
    std::vector<std::string> malformed;

private:
    void OnDatagram(const SimDatagram& datagram);

    SimNetwork& network_;
    Ipv4Endpoint endpoint_;
};
