#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "platform/AtomicFileWriter.h"
#include "platform/Clock.h"
#include "platform/ConnectionManager.h"
#include "platform/DatagramSocket.h"
#include "platform/Folders.h"
#include "platform/GpsDevice.h"
#include "platform/SimManager.h"
#include "platform/SoundPlayer.h"
#include "platform/linux/EvdevKeySource.h"
#include "platform/linux/RouteWatch.h"
#include "platform/linux/dbus/DbusConnection.h"
#include "ui/launcher/LaunchOptions.h"

// The Linux backends chosen by the platform options, owned for the program's life.
struct Backends {
    std::unique_ptr<Clock> clock;
    std::unique_ptr<Folders> folders;
    std::unique_ptr<SoundPlayer> sound;
    std::unique_ptr<AtomicFileWriter> fileWriter;
    std::unique_ptr<GpsDevice> gps;
    std::unique_ptr<ConnectionManager> connections;
    std::unique_ptr<SimManager> sim;
    std::unique_ptr<DatagramSocket> socket;
    std::vector<std::unique_ptr<EvdevKeySource>> keys;
    // The system bus the SIM and link backends share; a loop reads it whenever it is readable.
    std::shared_ptr<DbusConnection> bus;
    // The kernel's announcements the route link follows (null for the other links); a loop
    // drains it whenever it is readable.
    std::shared_ptr<RouteWatch> routeWatch;
    // Which SIM, link and GPS backends serve the tracker, and why, for its first line.
    std::string choice;

    // The settings folder the tracker will use (for the single-instance lock).
    std::string SettingsFolder() const;
    CMainWindow::Platform MakePlatform(std::function<void(const std::string&)> logTap,
                                       bool englishTexts = false) const;
};

struct BuiltBackends {
    std::unique_ptr<Backends> backends;
    std::string error;  // why the options cannot be served; backends is null then
};

// A front end with its own sound passes it in; otherwise a player program is used.
BuiltBackends BuildBackends(const LaunchOptions& options,
                            std::unique_ptr<SoundPlayer> sound = nullptr);
