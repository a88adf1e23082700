#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <cstdlib>

#include "app/MainWindow.h"
#include "app/Resources.h"
#include "ui/launcher/LoopPower.h"
#include "ui/qt/MainWidget.h"
#include "ui/qt/QtShell.h"

namespace {

std::int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A re-arm closer than this to the timer's own next expiry is not worth a system call.
constexpr std::int64_t kSlackMs = 10;

}  // namespace

void QtShell::WatchEventLoop() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr) {
        return;  // no event loop: the tick runs every 100 ms as it always did
    }
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
            [this] { SleepThroughQuietTicks(); });
    connect(dispatcher, &QAbstractEventDispatcher::awake, this, [this] { CatchUpQuietTicks(); });
}

void QtShell::UsePower(LoopPower* power) {
    delete wakeAlarm_;
    wakeAlarm_ = nullptr;
    power_ = power;
    if (power_ != nullptr && power_->WakeAlarmFd() >= 0) {
        wakeAlarm_ = new QSocketNotifier(power_->WakeAlarmFd(), QSocketNotifier::Read, this);
        connect(wakeAlarm_, &QSocketNotifier::activated, this, [this] { power_->TakeWakeAlarm(); });
    }
}

void QtShell::TickRan() {
    const std::int64_t now = SteadyMs();
    pacer_.Ticked(now);
    QTimer* timer = timers_[TickTimerId];
    if (timer->interval() != TickPeriodMs) {
        timer->start(TickPeriodMs);  // back on the 100 ms grid after a long sleep
    }
    tickArmedForMs_ = now + TickPeriodMs;
}

void QtShell::SleepThroughQuietTicks() {
    if (main_ == nullptr || ending_) {
        return;
    }
    if (power_ != nullptr) {
        power_->HoldLocks(*main_);
    }
    auto found = timers_.find(TickTimerId);
    if (!pacer_.Started() || found == timers_.end() || !found->second->isActive()) {
        return;
    }
    // A shown window animates on every tick; logind's answer is looked for on the next.
    const bool answerAwaited = power_ != nullptr && power_->AnswerAwaited();
    pacer_.SetQuiet(window_->isVisible() || answerAwaited ? 0 : main_->QuietTicks());
    const std::int64_t now = SteadyMs();
    ArmTick(*found->second, now);
    if (power_ != nullptr) {
        power_->ArmWakeAlarm(*main_, pacer_, now);
    }
}

void QtShell::ArmTick(QTimer& timer, std::int64_t now) {
    const std::int64_t next = pacer_.NextTickMs();
    if (next - now <= TickPeriodMs && timer.interval() == TickPeriodMs) {
        return;  // the plain 100 ms tick comes in time
    }
    if (std::llabs(next - tickArmedForMs_) <= kSlackMs) {
        return;
    }
    tickArmedForMs_ = next;
    timer.start(static_cast<int>(std::max<std::int64_t>(next - now, 0)));
}

void QtShell::CatchUpQuietTicks() {
    if (main_ == nullptr || ending_) {
        return;
    }
    // The quiet ticks awake first: they were quiet by what the core knew before the sleep.
    const std::int64_t now = SteadyMs();
    main_->SkipQuietTicks(pacer_.CatchUp(now));
    if (power_ != nullptr && pacer_.Started()) {
        main_->OnSuspended(power_->TakePassedTicks(pacer_, now));
    }
}
