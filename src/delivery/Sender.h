#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "common/StatusCode.h"
#include "delivery/SenderState.h"
#include "platform/DatagramSocket.h"

class CSettings;
class CGpsReader;
class Clock;
class ConnectionManager;
class SimManager;

// Who asked for a message: only the person's test report is limited to one waiting.
enum class MessageOrigin { Report, Test };

// One queued message; every post in the system passes parameter 0.
struct QueuedMessage {
    std::uint16_t code = 0;
    std::uint16_t parameter = 0;
    MessageOrigin origin = MessageOrigin::Report;
    // The failed attempts it had when an alarm was put in front of it.
    std::int32_t failedAttempts = 0;
};

// Gets messages to the control room: a queue delivered one at a time, one step per tick.
class CSender {
public:
    // Far more than the schedule, the follow-ups and one test ever queue; beyond it the
    // oldest report gives way, so a flood of posts cannot grow memory or delay an alarm.
    static constexpr std::size_t MaxQueued = 16;

    struct Platform {
        ConnectionManager& connections;
        SimManager& sim;
        DatagramSocket& socket;
        const Clock& clock;
    };

    // gpsReader may be null: then only an alarm opens the connection, and no report
    // text is sent.
    CSender(CSettings& settings, CGpsReader* gpsReader, const Platform& platform);
    ~CSender();
    CSender(const CSender&) = delete;
    CSender& operator=(const CSender&) = delete;

    // An alarm (122) is sent before every report queued, as soon as the attempt in
    // flight has its answer or its time-out; the rest go in the order posted.
    void Post(std::uint16_t code, std::uint16_t parameter,
              MessageOrigin origin = MessageOrigin::Report);
    bool HasTestQueued() const;
    std::size_t QueuedCount() const { return queue.size(); }
    // While an alarm period runs, a queued alarm is retried until acknowledged instead
    // of being given up after its attempts.
    void SetAlarmPeriodRunning(bool running);
    void Tick();
    // Coming ticks that would change nothing but counters, and the skip over them.
    std::int32_t QuietTicks() const;
    void SkipQuietTicks(std::int32_t count);
    // Ticks before the next step of a delivery that must run even while the machine
    // would sleep (an attempt, a retry, the end of the answer's wait); unbounded when none.
    std::int32_t TicksBeforeRetry() const;
    // The machine slept this many ticks' time: the waits about real time (the success
    // display, the pause before a retry, the answer time-out) count it.
    void OnSuspended(std::int32_t ticks);
    bool IsQueueEmpty() const;
    StatusCode GetStatusCode() const;
    std::string GetStatusText() const;

    SenderState GetState() const { return state; }
    // The link was refused, failed or has kept waiting: the delivery is backing off.
    bool LinkCannotComeUp() const {
        return linkBackoffTicks > 0 &&
               (state == SenderState::Idle || state == SenderState::Connecting);
    }
    std::uint32_t GetMessageNumber() const { return messageNumber; }
    std::int32_t GetFailedAttempts() const { return failedAttempts; }
    bool HasFailed() const { return failed; }
    bool UsesReserve() const { return useReserve; }
    const std::string& GetLastError() const { return lastError; }
    const std::string& GetConnectionText() const { return connectionText; }
    // How many alarm messages (122) the control room has acknowledged so far.
    std::uint32_t GetAlarmsAcknowledged() const { return alarmsAcknowledged; }

    // The SIM's IMSI as last read; shown by the options dialog.
    std::string imsi = "111111111111111";

private:
    enum class ReceiveOutcome { Error, Nothing, Acknowledgement };

    bool OpenConnection();
    bool PollConnection();
    void CloseConnection();
    bool StartNetwork();
    bool SendFront(const QueuedMessage& message);
    Ipv4Endpoint ResolveServer() const;
    ReceiveOutcome ReceiveStep();
    bool IsServerAddress(std::uint32_t address) const;
    bool HasAlarmQueued() const;
    void PutAlarmInFront();
    void DropOldestReport();
    void PopFront();
    bool WaitsForSearch() const;
    void RecordFailedAttempt();
    void RecordFailedExchange();
    bool KeepsRetryingFront() const;
    void RecordError(const std::string& text);
    void CloseSocket();
    void TakeNetworkChange();
    bool NetworkChangeEndsTheWait() const;
    void TickIdle();
    void TickConnecting();
    void BackOffLink();
    void TickReady();
    void TickWaiting();
    void AcceptAcknowledgement();
    std::string SocketErrorText() const;

    CSettings& settings_;
    CGpsReader* gpsReader_;
    ConnectionManager& connections_;
    SimManager& sim_;
    DatagramSocket& socket_;

    SenderState state = SenderState::Idle;
    int udpSocket = -1;
    std::uint32_t messageNumber = 0;
    std::deque<QueuedMessage> queue;
    std::int32_t failedAttempts = 0;
    std::int32_t waitTicks = 0;
    // Ticks before the next attempt may start, after one that failed without waiting.
    std::int32_t pauseTicks = 0;
    // Ticks before the link is asked for or looked at again, and the pause after the next
    // failure (0: the first failure retries at once).
    std::int32_t linkRetryTicks = 0;
    std::int32_t linkBackoffTicks = 0;
    std::int32_t linkPolls = 0;
    // The link's count of network changes as last taken.
    std::uint64_t networkChangesSeen = 0;
    bool alarmPeriodRunning = false;
    bool useReserve = false;
    bool failed = false;
    std::int32_t successHold = 0;
    std::string lastError;
    std::string connectionText = "Статус неизвестен";
    bool errorLogged = false;
    std::uint32_t lastConnectionStatus = 0;
    std::uint32_t connection = 0;
    std::uint32_t alarmsAcknowledged = 0;
};
