#pragma once

#include <QObject>
#include <QTimer>
#include <memory>

class DbusConnection;
class QSocketNotifier;

// Reads the system bus whenever it is readable, as the daemon's loop does: a service's
// signal (a network that comes back) is handled when it comes, also while the tick
// sleeps. Before the event loop blocks it looks at the bus's descriptor (new after a
// reconnect), whether sd-bus has output to write, and when a call's time-out is due.
class QtBusWatch final : public QObject {
public:
    explicit QtBusWatch(std::shared_ptr<DbusConnection> bus);
    ~QtBusWatch() override;
    QtBusWatch(const QtBusWatch&) = delete;
    QtBusWatch& operator=(const QtBusWatch&) = delete;

private:
    void BeforeBlocking();
    void Drain();

    std::shared_ptr<DbusConnection> bus_;
    int watchedFd_ = -1;
    QSocketNotifier* readable_ = nullptr;
    QSocketNotifier* writable_ = nullptr;
    QTimer due_;
};
