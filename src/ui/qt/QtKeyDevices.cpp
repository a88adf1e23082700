#include "ui/qt/QtKeyDevices.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>

#include "platform/linux/EvdevKeySource.h"
#include "platform/linux/NonBlockingOutput.h"

QtKeyDevices::QtKeyDevices(std::vector<std::unique_ptr<EvdevKeySource>>& sources, KeyHandler onKey)
    : onKey_(std::move(onKey)), reopenTimer_(new QTimer(this)) {
    for (auto& source : sources) {
        devices_.push_back({source.get()});
    }
    for (Device& device : devices_) {
        if (!device.source->IsOpen() && !device.source->Open()) {
            StandardError().Line("mzorvany: " + device.source->Path() + ": " +
                                 device.source->ErrorText());
        }
        Watch(device);
    }
    connect(reopenTimer_, &QTimer::timeout, this, [this] { Reopen(); });
    KeepLookingAgain();
}

QtKeyDevices::~QtKeyDevices() = default;

void QtKeyDevices::Watch(Device& device) {
    delete device.notifier;
    device.notifier = nullptr;
    if (!device.source->IsOpen()) {
        return;
    }
    device.notifier = new QSocketNotifier(device.source->Fd(), QSocketNotifier::Read, this);
    connect(device.notifier, &QSocketNotifier::activated, this, [this, &device] { Drain(device); });
}

void QtKeyDevices::Drain(Device& device) {
    KeyEvent event;
    while (device.source->Next(event)) {
        onKey_(event);
    }
    if (!device.source->IsOpen() && device.notifier != nullptr) {
        device.notifier->setEnabled(false);
        device.notifier->deleteLater();
        device.notifier = nullptr;
        KeepLookingAgain();
    }
}

void QtKeyDevices::Reopen() {
    for (Device& device : devices_) {
        if (device.source->CloseIfReplaced()) {
            Drain(device);  // the key-ups of what it held
        }
        if (!device.source->IsOpen() && device.source->Open()) {
            Watch(device);
        }
    }
    KeepLookingAgain();
}

bool QtKeyDevices::Retrying() const {
    return reopenTimer_->isActive();
}

void QtKeyDevices::KeepLookingAgain() {
    // An open device is looked at too: one made anew under its path replaces it.
    if (devices_.empty()) {
        reopenTimer_->stop();
    } else if (!reopenTimer_->isActive()) {
        reopenTimer_->start(EvdevKeySource::ReopenIntervalMs);
    }
}
