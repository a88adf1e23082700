#include "sim/SimWorld.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>

#include "app/Resources.h"
#include "gps/GpsPosition.h"

namespace {

std::string MakeSettingsRoot(std::uint32_t seed) {
    namespace fs = std::filesystem;
    std::random_device entropy;
    for (int attempt = 0;; ++attempt) {
        fs::path path =
            fs::temp_directory_path() / ("mzorvany-sim-" + std::to_string(seed) + "-" +
                                         std::to_string(entropy()) + "-" + std::to_string(attempt));
        std::error_code error;
        if (fs::create_directory(path, error)) {
            return path.string();
        }
        if (attempt > 100) {
            throw std::runtime_error("cannot make a settings folder under " +
                                     fs::temp_directory_path().string());
        }
    }
}

}  // namespace

SimSwitchableGps::SimSwitchableGps(const Clock& clock) : fixed(clock, 55.751244, 37.618423, 150) {}

int SimSwitchableGps::Open() {
    return gone ? ENODEV : fixed.Open();
}

int SimSwitchableGps::GetPosition(GpsPosition& position, std::uint32_t maximumAgeMs) {
    return gone ? ENODEV : fixed.GetPosition(position, maximumAgeMs);
}

SimWorld::SimWorld(const Options& options)
    : gps(clock),
      network(clock, options.seed),
      socket(network, LocalAddress),
      mainRoom(network, {MainAddress, 830}),
      reserveRoom(network, {ReserveAddress, 830}),
      folder(MakeSettingsRoot(options.seed)),
      english(options.english) {
    startMs = clock.UtcMilliseconds();
    std::filesystem::create_directories(std::filesystem::path(folder) / "MZorvany");
    if (!options.params.empty()) {
        std::ofstream(std::filesystem::path(folder) / "MZorvany" / "params.ini", std::ios::binary)
            << options.params;
    }
    folders = std::make_unique<SimFolders>(folder, folder + "/bin/mzorvany");
    StartWindow();
}

void SimWorld::StartWindow() {
    CMainWindow::Platform platform{clock,
                                   *folders,
                                   sound,
                                   fileWriter,
                                   gps,
                                   connections,
                                   simCard,
                                   socket,
                                   english,
                                   [this](const std::string& line) {
                                       log.push_back(line);
                                       logTicks.push_back(ticks);
                                   }};
    shell.nowMs = 0;
    shell.paint = [this] {
        canvas.Clear();
        window->Paint(canvas);
    };
    window = std::make_unique<CMainWindow>(shell, shell, platform);
    window->CreateControls();
    shell.HideMainWindow();
}

void SimWorld::Restart() {
    window.reset();
    for (int id : std::vector<int>(shell.RunningTimers())) {
        shell.StopTimer(id);
    }
    StartWindow();
}

SimWorld::~SimWorld() {
    window.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

void SimWorld::Tick(std::int64_t count) {
    for (std::int64_t i = 0; i < count; ++i) {
        clock.AdvanceMilliseconds(100);
        ++ticks;
        for (int id : shell.TakeDueTimers(NowMs())) {
            // An earlier timer of this round may have stopped a later one.
            if (shell.IsTimerRunning(id)) {
                window->OnTimer(id);
            }
        }
        if (afterTick) {
            afterTick();
        }
    }
}

void SimWorld::Advance(std::int64_t count) {
    constexpr std::int64_t tickMs = TickPeriodMs;
    while (count > 0) {
        std::int64_t quiet = 0;
        if (!shell.windowShown && shell.IsTimerRunning(TickTimerId) &&
            shell.TimerPeriod(TickTimerId) == tickMs) {
            quiet = std::min<std::int64_t>(window->QuietTicks(), count);
            // Another timer wakes the loop; the tick of its round runs in full.
            if (auto due = shell.NextDueMs(TickTimerId)) {
                quiet = std::min(quiet, std::max<std::int64_t>((*due - NowMs() - 1) / tickMs, 0));
            }
        }
        if (quiet == 0) {
            Tick();
            --count;
            continue;
        }
        clock.AdvanceMilliseconds(quiet * tickMs);
        ticks += quiet;
        skippedTicks += quiet;
        shell.SkipTo(NowMs(), TickTimerId);
        window->SkipQuietTicks(static_cast<std::int32_t>(quiet));
        count -= quiet;
    }
}

void SimWorld::Suspend(std::int64_t ms) {
    clock.AdvanceMilliseconds(ms);
    startMs += ms;  // NowMs is the monotonic time the timers run on
    window->OnSuspended(ms / TickPeriodMs);
}

std::int64_t SimWorld::IdleSuspend(std::int64_t maxMs, std::int64_t latencyMs) {
    constexpr std::int64_t delayMaxTicks = 5000 / TickPeriodMs;
    TickUntil([&] { return !window->ExchangeInFlight(); }, delayMaxTicks);
    std::int64_t ms = maxMs;
    const std::int32_t wake = window->TicksBeforeWake();
    if (wake != std::numeric_limits<std::int32_t>::max()) {
        ms = std::min<std::int64_t>(ms, wake * TickPeriodMs + latencyMs);
    }
    Suspend(ms);
    return ms;
}

void SimWorld::PressKey(std::uint32_t keyCode, std::uint32_t scanCode) {
    window->OnAlarmKeyDown(static_cast<std::uint32_t>(NowMs()), scanCode, keyCode);
}

void SimWorld::ReleaseKey(std::uint32_t keyCode, std::uint32_t scanCode) {
    window->OnAlarmKeyUp(static_cast<std::uint32_t>(NowMs()), scanCode, keyCode);
}

const SimCanvas& SimWorld::PaintNow() {
    canvas.Clear();
    window->Paint(canvas);
    return canvas;
}

int SimWorld::CountLines(const std::string& text) const {
    int count = 0;
    for (const auto& line : log) {
        count += line == text ? 1 : 0;
    }
    return count;
}
