#pragma once

#include <QObject>
#include <memory>
#include <vector>

class CMainWindow;
class EvdevKeySource;
class QSocketNotifier;
class QTimer;

// Feeds the key devices' events to the main window from the Qt event loop. A device
// that goes away is opened again every few seconds.
class QtKeyDevices final : public QObject {
public:
    QtKeyDevices(std::vector<std::unique_ptr<EvdevKeySource>>& sources, CMainWindow& window);
    ~QtKeyDevices() override;

private:
    struct Device {
        EvdevKeySource* source;
        QSocketNotifier* notifier = nullptr;
    };

    void Watch(Device& device);
    void Drain(Device& device);
    void Reopen();

    CMainWindow& window_;
    std::vector<Device> devices_;
    QTimer* reopenTimer_;
};
