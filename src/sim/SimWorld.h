#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "platform/GpsDevice.h"
#include "platform/sim/FixedGpsDevice.h"
#include "platform/sim/SimCanvas.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimConnectionManager.h"
#include "platform/sim/SimDatagramSocket.h"
#include "platform/sim/SimFileWriter.h"
#include "platform/sim/SimFolders.h"
#include "platform/sim/SimNetwork.h"
#include "platform/sim/SimShell.h"
#include "platform/sim/SimSoundPlayer.h"
#include "platform/sim/SimulatedSimCard.h"
#include "sim/SimControlRoom.h"

// A receiver that can be taken away: while gone every call fails as an unplugged
// device does; otherwise it is a fixed position under an open sky.
class SimSwitchableGps final : public GpsDevice {
public:
    explicit SimSwitchableGps(const Clock& clock);
    int Open() override;
    int GetPosition(GpsPosition& position, std::uint32_t maximumAgeMs) override;
    void Close() override {
        ++closeCount;
        fixed.Close();
    }

    bool gone = false;
    int closeCount = 0;

private:
    FixedGpsDevice fixed;
};

// The whole tracker (the real CMainWindow, CSender, CGpsReader and CSettings) on
// simulated backends, advanced tick by tick in simulated time. Deterministic for a seed.
class SimWorld {
public:
    static constexpr std::uint32_t MainAddress = 0x7F000001;     // 127.0.0.1
    static constexpr std::uint32_t ReserveAddress = 0x7F000002;  // 127.0.0.2
    static constexpr std::uint32_t LocalAddress = 0x0A000002;    // 10.0.0.2

    struct Options {
        std::uint32_t seed = 1;
        // params.ini content; written to a fresh settings folder before start-up.
        std::string params;
        bool english = false;
    };

    explicit SimWorld(const Options& options);
    ~SimWorld();
    SimWorld(const SimWorld&) = delete;
    SimWorld& operator=(const SimWorld&) = delete;

    // Advances the clock 100 ms per tick, delivering every timer that falls due.
    void Tick(std::int64_t count = 1);
    // The same count of ticks as Tick, but, as the front ends' loops do, sleeping
    // through those the core calls quiet while the window is hidden and no other timer
    // falls due.
    void Advance(std::int64_t count);
    // Ticks until the condition holds or limit ticks have passed; true when it held.
    template <typename Condition>
    bool TickUntil(Condition condition, std::int64_t limit) {
        for (std::int64_t i = 0; i < limit; ++i) {
            if (condition()) {
                return true;
            }
            Tick();
        }
        return condition();
    }

    // The machine sleeps for ms: the wall and boot clocks move on, no tick or timer runs
    // (the monotonic clock stands still), then the loop learns how long it slept.
    void Suspend(std::int64_t ms);
    // The phone's own idle suspend, past any block lock: held back while an exchange is
    // in flight (at most logind's 5 s), then asleep until the tracker's wake alarm fires,
    // latencyMs late, or maxMs pass. Returns the time asleep.
    std::int64_t IdleSuspend(std::int64_t maxMs, std::int64_t latencyMs);
    void PressKey(std::uint32_t keyCode, std::uint32_t scanCode = 0);
    void ReleaseKey(std::uint32_t keyCode, std::uint32_t scanCode = 0);
    void Command(int commandId) { window->OnCommand(commandId); }
    // Tears the window down as the end of the program does.
    void DestroyWindow() { window.reset(); }
    // A new start on the same settings folder after the program ended without an Exit
    // (a kill, a crash, a reboot): the window is made anew, the world goes on.
    void Restart();
    // The wall clock is set (by hand, by the network) while the loop's monotonic timers
    // and the boot clock do not move: no tick is missed or added.
    void JumpClock(std::int64_t ms) {
        clock.StepWall(ms);
        startMs += ms;
    }
    // Paints the window once onto a fresh recording canvas.
    const SimCanvas& PaintNow();

    CMainWindow& Window() { return *window; }
    CSettings& Settings() { return *window->Globals().settings; }
    CSender& Sender() { return *window->Globals().sender; }
    std::int64_t Ticks() const { return ticks; }
    std::int64_t NowMs() const { return clock.UtcMilliseconds() - startMs; }
    const std::string& SettingsFolder() const { return folder; }
    int CountLines(const std::string& text) const;

    SimClock clock;
    SimShell shell;
    SimSoundPlayer sound;
    SimFileWriter fileWriter;
    SimSwitchableGps gps;
    SimConnectionManager connections;
    SimulatedSimCard simCard;
    SimNetwork network;
    SimDatagramSocket socket;
    SimControlRoom mainRoom;
    SimControlRoom reserveRoom;
    SimCanvas canvas;
    // Every event line, in order, and the tick each came in.
    std::vector<std::string> log;
    std::vector<std::int64_t> logTicks;
    // Called after every tick that runs (not after those Advance sleeps through).
    std::function<void()> afterTick;
    // Ticks Advance slept through instead of running.
    std::int64_t skippedTicks = 0;

private:
    void StartWindow();

    std::string folder;
    bool english = false;
    std::unique_ptr<SimFolders> folders;
    std::unique_ptr<CMainWindow> window;
    std::int64_t ticks = 0;
    std::int64_t startMs = 0;
};
