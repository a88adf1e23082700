#include <QAbstractEventDispatcher>
#include <QTimer>
#include <chrono>
#include <cstdlib>

#include "app/MainWindow.h"
#include "app/Resources.h"
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
    auto found = timers_.find(TickTimerId);
    if (main_ == nullptr || ending_ || !pacer_.Started() || found == timers_.end() ||
        !found->second->isActive()) {
        return;
    }
    // A shown window animates on every tick.
    pacer_.SetQuiet(window_->isVisible() ? 0 : main_->QuietTicks());
    const std::int64_t now = SteadyMs();
    const std::int64_t next = pacer_.NextTickMs();
    QTimer* timer = found->second;
    if (next - now <= TickPeriodMs && timer->interval() == TickPeriodMs) {
        return;  // the plain 100 ms tick comes in time
    }
    if (std::llabs(next - tickArmedForMs_) <= kSlackMs) {
        return;
    }
    tickArmedForMs_ = next;
    timer->start(static_cast<int>(std::max<std::int64_t>(next - now, 0)));
}

void QtShell::CatchUpQuietTicks() {
    if (main_ != nullptr && !ending_) {
        main_->SkipQuietTicks(pacer_.CatchUp(SteadyMs()));
    }
}
