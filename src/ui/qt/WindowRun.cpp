#include "ui/qt/WindowRun.h"

#include <QApplication>

#include "app/MainWindow.h"
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

}  // namespace

int RunTrackerWindow(QtShell& shell, std::unique_ptr<CMainWindow> window,
                     std::vector<std::unique_ptr<EvdevKeySource>>& keySources) {
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
    return QApplication::exec();
}
