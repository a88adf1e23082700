#pragma once

#include <QObject>
#include <functional>
#include <map>

#include "ui/launcher/TrackerCommand.h"

class QSocketNotifier;
class QTimer;
class TrackerInstance;

// Serves the tracker's command socket from the Qt event loop, as the daemon's loop does
// from poll(): a notifier for each descriptor the server wants watched, and a timer for
// its next deadline (a client that has not sent its line, accepting paused).
class QtCommandSocket final : public QObject {
public:
    // Carries out a command; the line to answer with.
    using CommandHandler = std::function<const char*(TrackerCommand)>;

    QtCommandSocket(TrackerInstance& instance, CommandHandler handler);
    ~QtCommandSocket() override;

private:
    void Serve(int fd);
    // Brings the notifiers and the timer in line with what the server wants now.
    void Watch();

    TrackerInstance& instance_;
    CommandHandler handler_;
    std::map<int, QSocketNotifier*> notifiers_;
    QTimer* deadline_;
};
