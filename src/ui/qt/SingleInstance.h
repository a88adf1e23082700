#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "ui/launcher/TrackerCommand.h"

class QLocalServer;

// One running tracker per settings folder. The first start listens on a local socket
// named after the folder; a later start hands its command to it and leaves.
class SingleInstance final : public QObject {
public:
    using CommandHandler = std::function<void(TrackerCommand)>;

    explicit SingleInstance(const QString& settingsFolder);
    ~SingleInstance() override;

    enum class Claim { First, AlreadyRunning, Failed };

    // Hands the command to a running instance, or becomes the running instance and
    // from then on passes the commands of later starts to handler.
    Claim Start(TrackerCommand command, CommandHandler handler);
    // Only hands the command to a running instance; false when none took it. A start
    // that merely carries a command must never hold the name, even briefly: a tracker
    // starting at that moment would take it for a running one and leave.
    bool HandToRunning(TrackerCommand command);
    const QString& Name() const { return name_; }

    static QString NameFor(const QString& settingsFolder);

private:
    void Serve();

    QString name_;
    QLocalServer* server_ = nullptr;
    CommandHandler handler_;
};
