#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class EvdevKeySource;
struct KeyEvent;
class QSocketNotifier;
class QTimer;

// Hands the key devices' events on from the Qt event loop. A device that goes away, or is
// made anew under its path, is looked for again as often as the daemon does; without key
// devices nothing wakes the loop to look.
class QtKeyDevices final : public QObject {
public:
    using KeyHandler = std::function<void(const KeyEvent&)>;

    QtKeyDevices(std::vector<std::unique_ptr<EvdevKeySource>>& sources, KeyHandler onKey);
    ~QtKeyDevices() override;

    // The devices are being looked at again every 2 s.
    bool Retrying() const;

private:
    struct Device {
        EvdevKeySource* source;
        QSocketNotifier* notifier = nullptr;
    };

    void Watch(Device& device);
    void Drain(Device& device);
    void Reopen();
    void KeepLookingAgain();

    KeyHandler onKey_;
    std::vector<Device> devices_;
    QTimer* reopenTimer_;
};
