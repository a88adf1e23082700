#include "Soak.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>

#include "app/Resources.h"
#include "common/MessageCodes.h"
#include "delivery/Ipv4Address.h"
#include "delivery/ReportDatagram.h"
#include "platform/ConnectionManager.h"

namespace {

constexpr const char* kParams =
    "Frequency=3000\r\nAlertPressTime=3\r\nReserveServer=127.0.0.2\r\nPermittedKeys=112\r\n";
const std::string kStart = "Начало передачи сообщения ";
const std::string kMessage = "Сообщение ";
// More messages waiting than this would be a queue that grows without end.
constexpr std::size_t kMaxOpen = 64;
// The tracker's memory may grow by this much over the first day's, no more.
constexpr std::int64_t kMaxRssGrowthKb = 32 * 1024;

// AddressSanitizer keeps freed memory in quarantine, so there the resident size says
// nothing about the tracker's own memory.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryMeasurable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMemoryMeasurable = false;
#else
constexpr bool kMemoryMeasurable = true;
#endif
#else
constexpr bool kMemoryMeasurable = true;
#endif

std::int64_t ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    std::int64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * 4;
}

}  // namespace

Soak::Soak(std::uint32_t seed)
    : world(std::make_unique<SimWorld>(SimWorld::Options{seed, kParams})), random(seed) {}

void Soak::Fail(const std::string& text) {
    if (violation.empty()) {
        std::ostringstream out;
        out << "day " << Day() << ", tick " << world->Ticks() % TicksPerDay << ": " << text;
        violation = out.str();
    }
}

bool Soak::RunDay() {
    for (std::int64_t i = 0; i < TicksPerDay && violation.empty(); ++i) {
        Disturb();
        world->Tick();
        Check();
    }
    const std::int64_t rss = ResidentKb();
    if (firstDayRssKb == 0) {
        firstDayRssKb = rss;
    } else if (kMemoryMeasurable && rss > firstDayRssKb + kMaxRssGrowthKb) {
        Fail("memory grew from " + std::to_string(firstDayRssKb) + " to " + std::to_string(rss) +
             " KiB");
    }
    lastRssKb = rss;
    return violation.empty();
}

void Soak::Disturb() {
    auto& faults = world->network.faults;
    if (Chance(0.0003)) {  // loss, duplication, delay and reordering come and go
        faults.lossRate = Chance(0.5) ? 0 : std::uniform_real_distribution<>(0, 0.7)(random);
        faults.duplicateRate = Chance(0.5) ? 0 : 0.2;
        faults.reorderRate = Chance(0.5) ? 0 : 0.2;
        faults.maxDelayMs = Chance(0.5) ? 0 : Between(100, 3000);
    }
    if (Chance(0.0002)) {  // link drops and waiting statuses
        const std::uint32_t statuses[] = {
            ConnectionStatusDisconnected,        ConnectionStatusConnectionFailed,
            ConnectionStatusNoPathToDestination, ConnectionStatusWaitingForPath,
            ConnectionStatusWaitingForPhone,     ConnectionStatusWaitingConnection,
            ConnectionStatusWaitingForResource,  ConnectionStatusWaitingDisconnection};
        auto& forced = world->connections.forcedStatus;
        forced = forced
                     ? std::nullopt
                     : std::optional<std::uint32_t>(statuses[Between(0, std::size(statuses) - 1)]);
    }
    if (sendErrorTicks > 0 && --sendErrorTicks == 0) {
        world->socket.sendError = 0;
    } else if (sendErrorTicks == 0 && Chance(0.0001)) {
        world->socket.sendError = Chance(0.5) ? ENETUNREACH : EHOSTUNREACH;
        sendErrorTicks = Between(1, 600);
    }
    world->simCard.present ^= Chance(0.0001);
    world->gps.gone ^= Chance(0.0001);
    world->mainRoom.acknowledge ^= Chance(0.0002);
    world->reserveRoom.acknowledge ^= Chance(0.0002);
    if (handset.port != 0 && Chance(0.001)) {
        // Answers that must not count: a foreign host repeating the right number, and a
        // server repeating an old one.
        const std::uint32_t number = world->Sender().GetMessageNumber();
        const std::string imsi = world->Sender().imsi;
        world->network.Send({ParseIpv4Address("10.9.9.9"), 830}, handset,
                            BuildReportDatagram({imsi, number, 0, 0, ""}));
        world->network.Send({SimWorld::MainAddress, 830}, handset,
                            BuildReportDatagram({imsi, number - Between(1, 5), 0, 0, ""}));
        counts.forged += 2;
    }
    if (keyTicks == 0 && Chance(0.00002)) {  // holds short of the hold time and long ones
        world->PressKey(112);
        keyTicks = Chance(0.5) ? Between(1, 25) : Between(31, 200);
    } else if (keyTicks > 0 && --keyTicks == 0) {
        world->ReleaseKey(112);
    }
    if (Chance(0.0001)) {
        world->Command(CmdTest);
    }
    if (Chance(0.00002)) {  // the person changes the settings
        CSettings& settings = world->Settings();
        const char* frequencies[] = {"600", "3000", "36000"};
        settings.SetValue("Frequency", frequencies[Between(0, 2)]);
        settings.SetValue("ReserveServer", Chance(0.7) ? "127.0.0.2" : "");
        settings.Save();
    }
    if (Chance(0.00001)) {  // the clock set back or forward, or a suspend
        const int kind = Between(0, 2);
        world->JumpClock(kind == 0   ? -Between(1, 120) * 1000LL
                         : kind == 1 ? Between(1, 7200) * 1000LL
                                     : Between(60, 8 * 3600) * 1000LL);
        ++counts.clockJumps;
    }
}

void Soak::Check() {
    CheckDatagrams();
    for (const std::string& line : world->log) {
        CheckLine(line);
    }
    world->log.clear();
    // What the simulated parts record for tests would otherwise grow for days.
    world->shell.invalidations.clear();
    world->shell.trayIcons.clear();
    world->shell.boxes.clear();
    world->sound.played.clear();
    world->connections.mappedAddresses.clear();
    counts.maxOpen = std::max<std::int64_t>(counts.maxOpen, static_cast<std::int64_t>(open.size()));
    if (open.size() > kMaxOpen) {
        Fail(std::to_string(open.size()) + " messages waiting");
    }
}

void Soak::CheckDatagrams() {
    for (const SimDatagram& datagram : world->network.sent) {
        const bool toServer = datagram.to.address == SimWorld::MainAddress ||
                              datagram.to.address == SimWorld::ReserveAddress;
        if (!toServer || datagram.from.address != SimWorld::LocalAddress) {
            continue;  // answers and what the soak itself sends
        }
        handset = datagram.from;
        ++counts.datagrams;
        const DecodedReport decoded = DecodeReportDatagram(datagram.bytes);
        if (!decoded.error.empty()) {
            Fail("malformed datagram: " + decoded.error);
        } else if (decoded.fields.code != MsgAlarm && decoded.fields.code != MsgIntimate) {
            Fail("datagram with code " + std::to_string(decoded.fields.code));
        }
    }
    world->network.sent.clear();
    for (auto* room : {&world->mainRoom, &world->reserveRoom}) {
        if (!room->malformed.empty()) {
            Fail("the control room got a malformed datagram: " + room->malformed.front());
        }
        for (const auto& report : room->reports) {
            if (report.acknowledged) {
                (room == &world->mainRoom ? ackedByMain : ackedByReserve)
                    .insert(report.fields.messageNumber);
            }
        }
        room->reports.clear();
    }
}

void Soak::CheckLine(const std::string& line) {
    if (line.rfind(kStart, 0) == 0) {
        open.push_back(line.substr(kStart.size()));
        ++counts.posted;
        counts.alarms += open.back() == "122" ? 1 : 0;
        return;
    }
    if (line.rfind(kMessage, 0) != 0) {
        return;
    }
    const std::size_t space = line.find(' ', kMessage.size());
    const std::string code = line.substr(kMessage.size(), space - kMessage.size());
    // An alarm overtakes the reports queued before it; each code keeps its order.
    const auto oldest = std::find(open.begin(), open.end(), code);
    if (oldest == open.end()) {
        Fail("'" + line + "' ends no message in order");
        return;
    }
    open.erase(oldest);
    if (line.ends_with(" передано")) {
        ++counts.delivered;
        // The number just acknowledged; the sender has moved on to the next.
        const std::uint32_t number = world->Sender().GetMessageNumber() - 1;
        const bool reserveConfigured = !world->Settings().GetReserveServer().empty();
        if (ackedByMain.count(number) == 0 &&
            !(reserveConfigured && ackedByReserve.count(number) != 0)) {
            Fail("message " + std::to_string(number) +
                 " counted as delivered without an answer from a configured server");
        }
        // Older numbers cannot be needed again: the set stays small.
        ackedByMain.erase(ackedByMain.begin(), ackedByMain.lower_bound(number - 100));
        ackedByReserve.erase(ackedByReserve.begin(), ackedByReserve.lower_bound(number - 100));
    } else {
        ++counts.givenUp;
        if (code == "122" && world->Window().Mode() == ReportMode::Alarm &&
            world->Window().AlarmTicksLeft() > 0) {
            Fail("an alarm given up inside its alarm period");
        }
    }
}
