#include "ui/qt/SingleInstance.h"

#include <unistd.h>
#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

constexpr int kConnectMs = 2000;
constexpr int kMaxCommandLength = 64;

}  // namespace

QString SingleInstance::NameFor(const QString& settingsFolder) {
    const QByteArray hash =
        QCryptographicHash::hash(settingsFolder.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("mzorvany-%1-%2").arg(getuid()).arg(QString::fromLatin1(hash.left(16)));
}

SingleInstance::SingleInstance(const QString& settingsFolder) : name_(NameFor(settingsFolder)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::HandToRunning(TrackerCommand command) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectMs)) {
        return false;
    }
    const std::string_view word = WordOf(command);
    socket.write(QByteArray(word.data(), static_cast<qsizetype>(word.size())) + '\n');
    socket.waitForBytesWritten(kConnectMs);
    socket.disconnectFromServer();
    return true;
}

SingleInstance::Claim SingleInstance::Start(TrackerCommand command, CommandHandler handler) {
    if (HandToRunning(command)) {
        return Claim::AlreadyRunning;
    }
    handler_ = std::move(handler);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        // Either another start won the race, or a tracker that died left its socket.
        if (HandToRunning(command)) {
            return Claim::AlreadyRunning;
        }
        QLocalServer::removeServer(name_);
        if (!server_->listen(name_)) {
            return Claim::Failed;
        }
    }
    Serve();
    return Claim::First;
}

void SingleInstance::Serve() {
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                while (client->canReadLine()) {
                    const QString line = QString::fromUtf8(client->readLine()).trimmed();
                    const auto command = CommandOfWord(line.toStdString());
                    if (command && handler_) {
                        handler_(*command);
                    }
                }
                if (client->bytesAvailable() > kMaxCommandLength) {
                    client->abort();
                }
            });
        }
    });
}
