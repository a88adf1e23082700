#include "ui/qt/QtKeyDevices.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>

#include "app/MainWindow.h"
#include "platform/linux/EvdevKeySource.h"

namespace {

constexpr int kReopenMs = 5000;

}  // namespace

QtKeyDevices::QtKeyDevices(std::vector<std::unique_ptr<EvdevKeySource>>& sources,
                           CMainWindow& window)
    : window_(window), reopenTimer_(new QTimer(this)) {
    for (auto& source : sources) {
        devices_.push_back({source.get()});
    }
    for (Device& device : devices_) {
        if (!device.source->IsOpen() && !device.source->Open()) {
            std::fprintf(stderr, "mzorvany: %s: %s\n", device.source->Path().c_str(),
                         device.source->ErrorText().c_str());
        }
        Watch(device);
    }
    connect(reopenTimer_, &QTimer::timeout, this, [this] { Reopen(); });
    reopenTimer_->start(kReopenMs);
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
        if (event.down) {
            window_.OnAlarmKeyDown(event.timeMs, event.scanCode, event.keyCode);
        } else {
            window_.OnAlarmKeyUp(event.timeMs, event.scanCode, event.keyCode);
        }
    }
    if (!device.source->IsOpen() && device.notifier != nullptr) {
        device.notifier->setEnabled(false);
        device.notifier->deleteLater();
        device.notifier = nullptr;
    }
}

void QtKeyDevices::Reopen() {
    for (Device& device : devices_) {
        if (!device.source->IsOpen() && device.source->Open()) {
            Watch(device);
        }
    }
}
