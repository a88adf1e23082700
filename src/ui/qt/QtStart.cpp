#include "ui/qt/QtStart.h"

#include <pthread.h>

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/EntryPoint.h"
#include "app/MainWindow.h"
#include "platform/linux/NonBlockingOutput.h"
#include "ui/launcher/LoopPower.h"
#include "ui/launcher/ObeyCommand.h"
#include "ui/launcher/Startup.h"
#include "ui/launcher/TrackerInstance.h"
#include "ui/qt/QtBusWatch.h"
#include "ui/qt/QtCommandSocket.h"
#include "ui/qt/QtShell.h"
#include "ui/qt/QtSoundPlayer.h"
#include "ui/qt/WindowRun.h"

namespace {

// Appended to every plugin choice so that an unreachable display ends in a plugin we
// can recognise instead of in Qt's abort.
constexpr const char* kFallbackPlatform = "offscreen";

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

bool Asked(const std::string& platforms, const std::string& name) {
    return (";" + platforms + ";").find(";" + name + ";") != std::string::npos;
}

int RunWindow(QtShell& shell, Backends& backends, bool english, TrackerInstance& instance) {
    if (!instance.Claim()) {
        return ExitAlreadyRunning;  // a plain second start is refused
    }
    const QtCommandSocket commands(instance, [&shell](TrackerCommand received) {
        // Through the shell: once the window is gone (an error box may still be open)
        // the command finds none.
        CMainWindow* window = shell.Attached();
        if (window == nullptr) {
            return CommandDoneLine;
        }
        switch (ObeyCommand(*window, received)) {
            case CommandOutcome::Done:
                break;
            case CommandOutcome::AlreadyQueued:
                return CommandAlreadyQueuedLine;
            case CommandOutcome::EndProgram:
                shell.EndProgram(ExitNormal);
                break;
        }
        return CommandDoneLine;
    });
    const QtBusWatch busWatch(backends.bus);
    LoopPower power([](const std::string& text) { StandardError().Line("mzorvany: " + text); });
    shell.UsePower(&power);
    // However the run ends the shell has let go of the window, so neither is used again.
    const int exitCode = RunTrackerWindow(
        shell, std::make_unique<CMainWindow>(shell, shell, backends.MakePlatform({}, english)),
        backends.keys, backends.routeWatch.get());
    shell.UsePower(nullptr);
    return exitCode;
}

}  // namespace

bool PrepareDisplay(std::string& message) {
    std::string platforms = Env("QT_QPA_PLATFORM");
    if (platforms.empty()) {
        if (!Env("WAYLAND_DISPLAY").empty()) {
            platforms = Env("DISPLAY").empty() ? "wayland" : "wayland;xcb";
        } else if (!Env("DISPLAY").empty()) {
            platforms = "xcb";
        } else {
            message =
                "mzorvany: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                "the tracker without a display is mzorvanyd";
            return false;
        }
    }
    if (!Asked(platforms, kFallbackPlatform)) {
        platforms += std::string(";") + kFallbackPlatform;
    }
    qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platforms));
    return true;
}

namespace {

// Opens the display and starts Qt, or says why it cannot (exit 1).
std::optional<int> StartQt(int& argc, char** argv, std::unique_ptr<QApplication>& app) {
    const std::string asked = Env("QT_QPA_PLATFORM");
    std::string message;
    if (!PrepareDisplay(message)) {
        StandardError().Line(message);
        return 1;
    }
    app = std::make_unique<QApplication>(argc, argv);
    if (QGuiApplication::platformName() == QLatin1String(kFallbackPlatform) &&
        !Asked(asked, kFallbackPlatform)) {
        StandardError().Line("mzorvany: cannot open the display " + (Env("WAYLAND_DISPLAY").empty()
                                                                         ? Env("DISPLAY")
                                                                         : Env("WAYLAND_DISPLAY")));
        return 1;
    }
    QApplication::setQuitOnLastWindowClosed(false);
    // Ties the windows to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.mzorvany.Tracker"));
    return std::nullopt;
}

}  // namespace

int RunQtTracker(int argc, char** argv) {
    // The daemons' convention, as in mzorvanyd: SIGUSR1 and SIGUSR2 are ignored, and
    // SIGHUP is blocked before Qt starts its threads, for the window to take it.
    std::signal(SIGUSR1, SIG_IGN);
    std::signal(SIGUSR2, SIG_IGN);
    sigset_t hangUp;
    sigemptyset(&hangUp);
    sigaddset(&hangUp, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &hangUp, nullptr);
    std::unique_ptr<QApplication> app;
    const FrontEnd qt{"mzorvany", [&] { return StartQt(argc, argv, app); },
                      [] { return std::make_unique<QtSoundPlayer>(); }};
    const Startup start = StartUp(qt, std::vector<std::string>(argv + 1, argv + argc));
    if (!start.backends) {
        return start.exitCode;
    }
    const std::string folder = start.backends->SettingsFolder();
    if (start.options.command) {
        return HandCommand("mzorvany", folder, *start.options.command);
    }
    const bool english = QLocale::system().language() == QLocale::English;
    TrackerInstance instance("mzorvany", folder);
    QtShell shell(english);
    return RunGuarded([&] { return RunWindow(shell, *start.backends, english, instance); },
                      [](const std::string& text) {
                          QMessageBox::critical(nullptr, QStringLiteral("Error"),
                                                QString::fromStdString(text));
                      });
}
