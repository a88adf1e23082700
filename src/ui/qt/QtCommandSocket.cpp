#include "ui/qt/QtCommandSocket.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "ui/launcher/TrackerInstance.h"

QtCommandSocket::QtCommandSocket(TrackerInstance& instance, CommandHandler handler)
    : instance_(instance), handler_(std::move(handler)), deadline_(new QTimer(this)) {
    deadline_->setSingleShot(true);
    connect(deadline_, &QTimer::timeout, this, [this] {
        instance_.Commands().DropIdle();
        Watch();
    });
    Watch();
}

QtCommandSocket::~QtCommandSocket() = default;

void QtCommandSocket::Serve(int fd) {
    instance_.Serve(fd, handler_);
    // A descriptor closed by Serve must not stay watched.
    Watch();
}

void QtCommandSocket::Watch() {
    const std::vector<int> wanted = instance_.Commands().Descriptors();
    for (auto it = notifiers_.begin(); it != notifiers_.end();) {
        if (std::find(wanted.begin(), wanted.end(), it->first) == wanted.end()) {
            // It may be the notifier whose signal is being handled.
            it->second->setEnabled(false);
            it->second->deleteLater();
            it = notifiers_.erase(it);
        } else {
            ++it;
        }
    }
    for (const int fd : wanted) {
        if (notifiers_.count(fd) == 0) {
            auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            connect(notifier, &QSocketNotifier::activated, this, [this, fd] { Serve(fd); });
            notifiers_[fd] = notifier;
        }
    }
    const int waitMs = instance_.Commands().WaitMs();
    if (waitMs < 0) {
        deadline_->stop();
    } else {
        deadline_->start(waitMs);
    }
}
