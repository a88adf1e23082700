#include "ui/qt/QtBusWatch.h"

#include <poll.h>

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <utility>

#include "platform/linux/dbus/DbusConnection.h"

QtBusWatch::QtBusWatch(std::shared_ptr<DbusConnection> bus) : bus_(std::move(bus)) {
    due_.setSingleShot(true);
    connect(&due_, &QTimer::timeout, this, [this] { Drain(); });
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        dispatcher != nullptr && bus_ != nullptr) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { BeforeBlocking(); });
    }
}

QtBusWatch::~QtBusWatch() {
    delete readable_;
    delete writable_;
}

void QtBusWatch::BeforeBlocking() {
    const int fd = bus_->Fd();
    if (fd != watchedFd_) {
        delete readable_;
        delete writable_;
        readable_ = writable_ = nullptr;
        watchedFd_ = fd;
        if (fd >= 0) {
            readable_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            writable_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
            connect(readable_, &QSocketNotifier::activated, this, [this] { Drain(); });
            connect(writable_, &QSocketNotifier::activated, this, [this] { Drain(); });
        }
    }
    if (writable_ != nullptr) {
        writable_->setEnabled((bus_->Events() & POLLOUT) != 0);
    }
    const int dueMs = bus_->DueInMs();
    if (dueMs < 0) {
        due_.stop();
    } else if (!due_.isActive() || due_.remainingTime() > dueMs) {
        due_.start(dueMs);
    }
}

void QtBusWatch::Drain() {
    bus_->Drain();
}
