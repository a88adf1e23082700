#include <array>

#include "common/DottedDecimal.h"
#include "delivery/Imsi.h"
#include "delivery/Ipv4Address.h"
#include "delivery/ReportDatagram.h"
#include "delivery/Sender.h"
#include "gps/GpsReader.h"
#include "settings/Settings.h"

namespace {

// Far more than a server sends in a tick; a flood beyond it is read on the next tick.
constexpr int kMaxDatagramsPerTick = 1024;

}  // namespace

bool CSender::StartNetwork() {
    imsi = ReadImsi(sim_);
    if (imsi.empty()) {
        RecordError("Нет SIM карты");
        return false;
    }
    if (!socket_.Start()) {
        RecordError("Ошибка инициализации TCP");
        return false;
    }
    return true;
}

bool CSender::SendFront(const QueuedMessage& message) {
    if (udpSocket == -1) {
        udpSocket = socket_.Create();
        if (udpSocket == -1) {
            RecordError("Не могу открыть сокет - " + SocketErrorText());
            return false;
        }
    }
    ReportFields fields;
    fields.imsi = imsi;
    fields.messageNumber = messageNumber;
    fields.code = message.code;
    fields.parameter = message.parameter;
    if (gpsReader_ != nullptr) {
        fields.text = gpsReader_->BuildReportText(settings_.OutSats);
    }
    const std::vector<std::uint8_t> datagram = BuildReportDatagram(fields);
    if (socket_.SendTo(udpSocket, datagram, ResolveServer()) > 0) {
        return true;
    }
    RecordError("Ошибка передачи - " + SocketErrorText());
    CloseSocket();
    return false;
}

namespace {

// Read as the settings check read it: decimal throughout, so "192.168.001.010" is
// 192.168.1.10 and not the octal 192.168.1.8. What the check would refuse goes nowhere.
std::uint32_t ServerAddress(const std::string& text) {
    return ReadDottedDecimal(text).value_or(Ipv4AddressNone);
}

}  // namespace

Ipv4Endpoint CSender::ResolveServer() const {
    std::string server = useReserve ? settings_.GetReserveServer() : settings_.GetMainServer();
    if (server.empty()) {
        server = settings_.GetMainServer();
    }
    return {ServerAddress(server), static_cast<std::uint16_t>(settings_.Port)};
}

bool CSender::IsServerAddress(std::uint32_t address) const {
    const std::string reserve = settings_.GetReserveServer();
    return address == ServerAddress(settings_.GetMainServer()) ||
           (!reserve.empty() && address == ServerAddress(reserve));
}

CSender::ReceiveOutcome CSender::ReceiveStep() {
    // Every datagram waiting is looked at, so a flood of junk from elsewhere cannot push
    // the server's answer out; the bound keeps an endless flood from stopping the tick.
    for (int looked = 0; looked < kMaxDatagramsPerTick; ++looked) {
        const int ready = socket_.WaitReadable(udpSocket);
        if (ready < 0) {
            return ReceiveOutcome::Error;
        }
        if (ready == 0) {
            return ReceiveOutcome::Nothing;
        }
        std::array<std::uint8_t, AcknowledgementSize> answer{};
        Ipv4Endpoint from;
        const long received = socket_.ReceiveFrom(udpSocket, answer, from);
        if (received < 0) {
            return ReceiveOutcome::Error;
        }
        // Only the configured servers may end a delivery; a datagram from any other host
        // must not be able to silence an alarm.
        if (static_cast<std::size_t>(received) == AcknowledgementSize &&
            IsServerAddress(from.address) && IsAcknowledgement(answer, imsi, messageNumber)) {
            return ReceiveOutcome::Acknowledgement;
        }
    }
    return ReceiveOutcome::Nothing;
}
