#include "delivery/Sender.h"

#include <algorithm>
#include <limits>

#include "common/LastErrorText.h"
#include "common/MessageCodes.h"
#include "gps/GpsReader.h"
#include "platform/Clock.h"
#include "platform/ConnectionManager.h"
#include "settings/Settings.h"

CSender::CSender(CSettings& settings, CGpsReader* gpsReader, const Platform& platform)
    : settings_(settings),
      gpsReader_(gpsReader),
      connections_(platform.connections),
      sim_(platform.sim),
      socket_(platform.socket),
      messageNumber(static_cast<std::uint32_t>(platform.clock.UtcSeconds())),
      networkChangesSeen(platform.connections.NetworkChanges()) {}

CSender::~CSender() {
    socket_.Stop();
}

void CSender::Post(std::uint16_t code, std::uint16_t parameter, MessageOrigin origin) {
    if (queue.size() >= MaxQueued) {
        DropOldestReport();
    }
    queue.push_back({code, parameter, origin, 0});
    settings_.WriteLog("Начало передачи сообщения " + std::to_string(code));
    if (code == MsgAlarm) {
        // An alarm asks for the link at once, not after a report's long pause.
        linkRetryTicks = 0;
        linkBackoffTicks = std::min(linkBackoffTicks, LinkBackoffAlarmTicks);
    }
}

void CSender::DropOldestReport() {
    // The front is the one being delivered (perhaps awaiting its answer): it stays.
    const auto oldest = std::find_if(std::next(queue.begin()), queue.end(),
                                     [](const QueuedMessage& m) { return m.code != MsgAlarm; });
    // Alarms alone are never dropped: each needs a key held for its full time, so
    // they cannot come as a flood.
    if (oldest == queue.end()) {
        return;
    }
    // Given up as an undeliverable one is, with the same line, so every message posted
    // still ends in the event log.
    const std::uint16_t code = oldest->code;
    queue.erase(oldest);
    settings_.WriteLog("Сообщение " + std::to_string(code) + " не удалось передать");
}

void CSender::PutAlarmInFront() {
    if (queue.front().code == MsgAlarm) {
        return;
    }
    const auto alarm = std::find_if(queue.begin(), queue.end(),
                                    [](const QueuedMessage& m) { return m.code == MsgAlarm; });
    if (alarm == queue.end()) {
        return;
    }
    // The report keeps its attempts for when its turn comes again. A number it went out
    // with goes with it: a late answer to the report must not end the alarm.
    queue.front().failedAttempts = failedAttempts;
    if (failedAttempts > 0) {
        ++messageNumber;
    }
    const QueuedMessage moved = *alarm;
    queue.erase(alarm);
    queue.push_front(moved);
    failedAttempts = moved.failedAttempts;
}

void CSender::PopFront() {
    queue.pop_front();
    failedAttempts = queue.empty() ? 0 : queue.front().failedAttempts;
}

void CSender::Tick() {
    if (successHold > 0) {
        --successHold;
    }
    TakeNetworkChange();
    switch (state) {
        case SenderState::Idle:
            TickIdle();
            break;
        case SenderState::Connecting:
            TickConnecting();
            break;
        case SenderState::Starting:
            if (StartNetwork()) {
                state = SenderState::Ready;
            }
            break;
        case SenderState::Ready:
            TickReady();
            break;
        case SenderState::Waiting:
            TickWaiting();
            break;
    }
}

// A network that changed (an address, a route, the network manager's state) may let the
// link come up: the back-off's wait ends and the link is asked at once. Without a change
// the back-off alone bounds the wait.
void CSender::TakeNetworkChange() {
    const bool endsTheWait = NetworkChangeEndsTheWait();
    networkChangesSeen = connections_.NetworkChanges();
    if (endsTheWait) {
        linkRetryTicks = 0;
    }
}

bool CSender::NetworkChangeEndsTheWait() const {
    return linkRetryTicks > 0 && !queue.empty() &&
           (state == SenderState::Idle || state == SenderState::Connecting) &&
           connections_.NetworkChanges() != networkChangesSeen;
}

void CSender::TickIdle() {
    if (queue.empty()) {
        return;
    }
    if (WaitsForSearch()) {
        return;
    }
    if (linkRetryTicks > 0) {
        --linkRetryTicks;
        return;
    }
    if (!OpenConnection()) {
        failed = true;
        BackOffLink();
    }
}

void CSender::TickConnecting() {
    if (linkRetryTicks > 0) {
        --linkRetryTicks;
        return;
    }
    if (PollConnection()) {
        state = SenderState::Starting;
        linkBackoffTicks = 0;
        linkPolls = 0;
    } else if (state == SenderState::Idle || ++linkPolls > LinkPatientPolls) {
        BackOffLink();  // failed and closed, or still not up
    }
}

// Out of coverage, in flight mode or with mobile data off the link cannot come up for a
// long while: asking again every tick only spends the battery and fills the event log.
void CSender::BackOffLink() {
    const bool alarm = alarmPeriodRunning || HasAlarmQueued();
    const std::int32_t longest = alarm ? LinkBackoffAlarmTicks : LinkBackoffLongestTicks;
    linkRetryTicks = std::min(linkBackoffTicks, longest);
    linkBackoffTicks =
        linkBackoffTicks == 0 ? LinkBackoffFirstTicks : std::min(linkBackoffTicks * 2, longest);
}

void CSender::TickReady() {
    if (queue.empty()) {
        pauseTicks = 0;
        return;
    }
    // The pause stands for the answer time-out of an attempt that failed at once; as
    // while waiting for an answer, the link is looked at only before the next send.
    if (pauseTicks > 0) {
        --pauseTicks;
        return;
    }
    // A held connection is no reason to send an old position.
    if (gpsReader_ != nullptr && WaitsForSearch()) {
        return;
    }
    if (!PollConnection()) {
        CloseConnection();
        return;
    }
    PutAlarmInFront();
    if (SendFront(queue.front())) {
        state = SenderState::Waiting;
        waitTicks = 0;
    } else {
        RecordFailedExchange();
    }
}

void CSender::TickWaiting() {
    switch (ReceiveStep()) {
        case ReceiveOutcome::Error:
            RecordError("Ошибка приема - " + SocketErrorText());
            CloseSocket();
            RecordFailedExchange();
            break;
        case ReceiveOutcome::Acknowledgement:
            AcceptAcknowledgement();
            break;
        case ReceiveOutcome::Nothing:
            break;
    }
    if (state == SenderState::Waiting && ++waitTicks > AnswerTimeoutTicks) {
        RecordFailedAttempt();
        lastError = "Сервер не отвечает";
    }
}

void CSender::AcceptAcknowledgement() {
    const std::uint16_t code = queue.front().code;
    // Each message gets its own full set of attempts; failures of an earlier,
    // delivered message must not shorten the life of the next alarm.
    PopFront();
    ++messageNumber;
    state = SenderState::Ready;
    waitTicks = 0;
    lastError.clear();
    failed = false;
    if (code == MsgAlarm) {
        ++alarmsAcknowledged;
    }
    settings_.WriteLog("Сообщение " + std::to_string(code) + " передано");
    successHold = SuccessHoldTicks;
}

void CSender::RecordFailedExchange() {
    // An attempt that failed at once (no network during a re-attach, say) must not burn
    // the next ones within ticks: it ends like an unanswered one, on the other server,
    // and the next attempt starts when the answer time-out would have passed.
    const std::int32_t waited = state == SenderState::Waiting ? waitTicks + 1 : 0;
    pauseTicks = AnswerTimeoutTicks + 1 - waited;
    RecordFailedAttempt();
}

// Every failed attempt, answered or not, alternates the main and the reserve server.
void CSender::RecordFailedAttempt() {
    useReserve = !useReserve;
    state = SenderState::Ready;
    if (failedAttempts < MaxFailedAttempts) {
        ++failedAttempts;
    }
    if (failedAttempts < MaxFailedAttempts || KeepsRetryingFront()) {
        return;
    }
    const std::uint16_t code = queue.front().code;
    PopFront();
    settings_.WriteLog("Сообщение " + std::to_string(code) + " не удалось передать");
    ++messageNumber;
    state = SenderState::Ready;
    waitTicks = 0;
    successHold = 0;
    failed = true;
    CloseSocket();
}

void CSender::RecordError(const std::string& text) {
    lastError = text;
    if (!errorLogged) {
        settings_.WriteLog(text);
        errorLogged = true;
    }
}

void CSender::CloseSocket() {
    if (udpSocket != -1) {
        socket_.Close(udpSocket);
        udpSocket = -1;
    }
}

void CSender::SetAlarmPeriodRunning(bool running) {
    alarmPeriodRunning = running;
}

bool CSender::KeepsRetryingFront() const {
    // The control room must learn of an alarm while it lasts, however long the network
    // is gone; follow-ups wait for the empty queue, so nothing piles up behind it.
    return alarmPeriodRunning && queue.front().code == MsgAlarm;
}

bool CSender::WaitsForSearch() const {
    // A report waits for the GPS search to end so that it carries the new position; an
    // alarm, and anything sent while its period runs, never waits.
    const bool searching = gpsReader_ == nullptr || gpsReader_->timeoutTicks != 0;
    return searching && !alarmPeriodRunning && !HasAlarmQueued();
}

bool CSender::HasAlarmQueued() const {
    return std::any_of(queue.begin(), queue.end(),
                       [](const QueuedMessage& m) { return m.code == MsgAlarm; });
}

bool CSender::HasTestQueued() const {
    return std::any_of(queue.begin(), queue.end(),
                       [](const QueuedMessage& m) { return m.origin == MessageOrigin::Test; });
}

std::string CSender::SocketErrorText() const {
    return LastErrorText(socket_.LastError());
}

bool CSender::IsQueueEmpty() const {
    return queue.empty();
}

StatusCode CSender::GetStatusCode() const {
    if (state == SenderState::Idle) {
        return StatusCode::Off;
    }
    if (failed) {
        return StatusCode::Failed;
    }
    if (!queue.empty()) {
        return StatusCode::Busy;
    }
    return successHold > 0 ? StatusCode::Done : StatusCode::Ready;
}

std::string CSender::GetStatusText() const {
    if (state == SenderState::Idle || state == SenderState::Connecting) {
        return connectionText;
    }
    if (failed) {
        return lastError;
    }
    if (state == SenderState::Waiting) {
        return "Жду ответа сервера";
    }
    return successHold > 0 ? "Сообщение передано успешно" : "Передаю сообщение";
}

std::int32_t CSender::QuietTicks() const {
    constexpr std::int32_t unbounded = std::numeric_limits<std::int32_t>::max();
    switch (state) {
        case SenderState::Idle: {
            if (queue.empty()) {
                return unbounded;
            }
            // A report waiting for the GPS search stays put until the search ends, which
            // the GPS reader counts; an alarm or an ended search opens at once.
            if (WaitsForSearch()) {
                return unbounded;
            }
            return NetworkChangeEndsTheWait() ? 0 : linkRetryTicks;
        }
        case SenderState::Connecting:
            return NetworkChangeEndsTheWait() ? 0 : linkRetryTicks;
        case SenderState::Ready:
            if (!queue.empty()) {
                return pauseTicks == 0 && gpsReader_ != nullptr && WaitsForSearch() ? unbounded : 0;
            }
            // The end of the success hold changes the status shown.
            if (successHold > 0) {
                return successHold - 1;
            }
            return unbounded;
        case SenderState::Starting:
        case SenderState::Waiting:
            break;
    }
    return 0;
}

void CSender::SkipQuietTicks(std::int32_t count) {
    if (count > 0) {
        successHold = std::max<std::int32_t>(successHold - count, 0);
        // As Tick counts them: while connecting, or before an attempt that is not waiting
        // for the GPS search.
        if (state == SenderState::Connecting ||
            (state == SenderState::Idle && !queue.empty() && !WaitsForSearch())) {
            linkRetryTicks = std::max<std::int32_t>(linkRetryTicks - count, 0);
        }
    }
}

void CSender::OnSuspended(std::int32_t ticks) {
    if (ticks <= 0) {
        return;
    }
    successHold = std::max<std::int32_t>(successHold - ticks, 0);
    pauseTicks = std::max<std::int32_t>(pauseTicks - ticks, 0);
    linkRetryTicks = std::max<std::int32_t>(linkRetryTicks - ticks, 0);
    if (state == SenderState::Waiting) {
        // An answer that came meanwhile is still read on the next tick.
        waitTicks = std::max(waitTicks, AnswerTimeoutTicks);
    }
}

std::int32_t CSender::TicksBeforeRetry() const {
    constexpr std::int32_t unbounded = std::numeric_limits<std::int32_t>::max();
    if (queue.empty()) {
        return unbounded;
    }
    const bool waitsForSearch = gpsReader_ != nullptr && WaitsForSearch();
    switch (state) {
        case SenderState::Idle:
            return WaitsForSearch() ? unbounded : linkRetryTicks;
        case SenderState::Connecting:
            return linkRetryTicks;
        case SenderState::Starting:
            return 0;
        case SenderState::Ready:
            return pauseTicks == 0 && waitsForSearch ? unbounded : pauseTicks;
        case SenderState::Waiting:
            return std::max<std::int32_t>(AnswerTimeoutTicks - waitTicks, 0);
    }
    return 0;
}
