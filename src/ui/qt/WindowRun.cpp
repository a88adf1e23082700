#include "ui/qt/WindowRun.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <memory>

#include "app/MainWindow.h"
#include "platform/linux/NonBlockingOutput.h"
#include "platform/linux/RouteWatch.h"
#include "ui/qt/QtKeyDevices.h"
#include "ui/qt/QtShell.h"

namespace {

class DetachOnExit {
public:
    explicit DetachOnExit(QtShell& shell) : shell_(shell) {}
    ~DetachOnExit() { shell_.Detach(); }
    DetachOnExit(const DetachOnExit&) = delete;
    DetachOnExit& operator=(const DetachOnExit&) = delete;

private:
    QtShell& shell_;
};

// SIGHUP, blocked since the start, reads params.ini again, as in the daemon.
class HangUpReload {
public:
    explicit HangUpReload(CMainWindow& window) {
        sigset_t hangUp;
        sigemptyset(&hangUp);
        sigaddset(&hangUp, SIGHUP);
        fd_ = signalfd(-1, &hangUp, SFD_NONBLOCK | SFD_CLOEXEC);
        if (fd_ < 0) {
            return;
        }
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this, &window] {
            signalfd_siginfo info;
            while (read(fd_, &info, sizeof info) == sizeof info) {
                if (!window.ReloadSettings()) {
                    StandardError().Line("mzorvany: params.ini cannot be read; the settings stay");
                }
            }
        });
    }
    ~HangUpReload() {
        notifier_.reset();
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    HangUpReload(const HangUpReload&) = delete;
    HangUpReload& operator=(const HangUpReload&) = delete;

private:
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace

int RunTrackerWindow(QtShell& shell, std::unique_ptr<CMainWindow> window,
                     std::vector<std::unique_ptr<EvdevKeySource>>& keySources, RouteWatch* routes) {
    // Locals end in reverse order: the key devices, then the shell's hold on the
    // window, then the window itself.
    const std::unique_ptr<CMainWindow> owned = std::move(window);
    const DetachOnExit detach(shell);
    shell.Attach(owned.get());
    owned->CreateControls();
    shell.HideMainWindow();
    shell.ShowIfNoTray();
    const QtKeyDevices keys(keySources,
                            [&shell](const KeyEvent& event) { shell.OnDeviceKey(event); });
    const HangUpReload reload(*owned);
    // The core learns of a change when the event loop next asks it for quiet ticks.
    std::unique_ptr<QSocketNotifier> routeNotifier;
    if (routes != nullptr && routes->Fd() >= 0) {
        routeNotifier = std::make_unique<QSocketNotifier>(routes->Fd(), QSocketNotifier::Read);
        QObject::connect(routeNotifier.get(), &QSocketNotifier::activated,
                         [routes] { routes->Drain(); });
    } else if (routes != nullptr) {
        StandardError().Line("mzorvany: " + routes->Unwatched());
    }
    return QApplication::exec();
}
