#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/MainWindow.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimConnectionManager.h"
#include "platform/sim/SimDatagramSocket.h"
#include "platform/sim/SimFileWriter.h"
#include "platform/sim/SimFolders.h"
#include "platform/sim/SimNetwork.h"
#include "platform/sim/SimSoundPlayer.h"
#include "platform/sim/SimulatedSimCard.h"
#include "sim/SimControlRoom.h"
#include "sim/SimWorld.h"
#include "ui/qt/QtShell.h"

// The real tracker in the real Qt widgets, over simulated receiver, link, SIM and
// network, with a settings folder of its own. Ticks are given by the caller, each
// moving the simulated clock 100 ms, so what the window shows is repeatable.
class SimTracker {
public:
    struct Options {
        bool english = false;
        std::string params;  // params.ini content, written before start-up
    };

    static const char* const kDefaultParams;

    explicit SimTracker(const Options& options);
    ~SimTracker();
    SimTracker(const SimTracker&) = delete;
    SimTracker& operator=(const SimTracker&) = delete;

    void Tick(int count = 1);
    // The simulated parts and this tracker's folders, for a further window.
    CMainWindow::Platform Platform(bool english);
    CMainWindow& Window() { return *window_; }
    QtShell& Shell() { return *shell_; }
    CSettings& Settings() { return *window_->Globals().settings; }
    const std::string& SettingsFolder() const { return settingsFolder_; }
    std::string ParamsText() const;

    SimClock clock;
    SimSoundPlayer sound;
    SimFileWriter fileWriter;
    SimSwitchableGps gps{clock};
    SimConnectionManager connections;
    SimulatedSimCard simCard;
    SimNetwork network{clock, 1};
    SimDatagramSocket socket{network, SimWorld::LocalAddress};
    SimControlRoom mainRoom{network, {SimWorld::MainAddress, 830}};

private:
    std::string root_;
    std::string settingsFolder_;
    std::unique_ptr<SimFolders> folders_;
    std::unique_ptr<QtShell> shell_;
    std::unique_ptr<CMainWindow> window_;
};
