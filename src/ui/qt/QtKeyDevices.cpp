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
    RetryWhileClosed();
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
        RetryWhileClosed();
    }
}

void QtKeyDevices::Reopen() {
    for (Device& device : devices_) {
        if (!device.source->IsOpen() && device.source->Open()) {
            Watch(device);
        }
    }
    RetryWhileClosed();
}

bool QtKeyDevices::Retrying() const {
    return reopenTimer_->isActive();
}

void QtKeyDevices::RetryWhileClosed() {
    const bool anyClosed = std::any_of(devices_.begin(), devices_.end(), [](const Device& device) {
        return !device.source->IsOpen();
    });
    if (!anyClosed) {
        reopenTimer_->stop();
    } else if (!reopenTimer_->isActive()) {
        reopenTimer_->start(EvdevKeySource::ReopenIntervalMs);
    }
}
