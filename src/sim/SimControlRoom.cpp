#include "sim/SimControlRoom.h"

#include "platform/sim/SimNetwork.h"

SimControlRoom::SimControlRoom(SimNetwork& network, const Ipv4Endpoint& endpoint)
    : network_(network), endpoint_(endpoint) {
    network_.AttachHandler(endpoint_, [this](const SimDatagram& d) { OnDatagram(d); });
}

SimControlRoom::~SimControlRoom() {
    network_.Detach(endpoint_);
}

void SimControlRoom::OnDatagram(const SimDatagram& datagram) {
    DecodedReport report = DecodeReportDatagram(datagram.bytes);
    if (!report.error.empty()) {
        malformed.push_back(report.error);
        return;
    }
    const bool answer = acknowledge && dropFirst <= 0;
    if (dropFirst > 0) {
        --dropFirst;
    }
    reports.push_back({datagram.from, std::move(report.fields), answer});
    if (answer) {
        network_.Send(endpoint_, datagram.from,
                      {datagram.bytes.begin(), datagram.bytes.begin() + AcknowledgementSize});
    }
}
