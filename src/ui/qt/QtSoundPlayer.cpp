#include "ui/qt/QtSoundPlayer.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

#include "platform/linux/DataFile.h"

QtSoundPlayer::QtSoundPlayer() = default;

QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::PlayAsync(const std::string& path) {
    if (QMediaDevices::audioOutputs().isEmpty()) {
        return;
    }
    const QString file = QString::fromStdString(FindDataFile(path));
    QUrl source = QUrl::fromLocalFile(file);
    if (!QFileInfo::exists(file)) {
        const QString builtIn = QStringLiteral(":/") + QFileInfo(file).fileName();
        if (!QFileInfo::exists(builtIn)) {
            return;
        }
        source = QUrl(QStringLiteral("qrc") + builtIn);
    }
    if (effect_ == nullptr) {
        effect_ = std::make_unique<QSoundEffect>();
    }
    effect_->stop();
    effect_->setSource(source);
    effect_->play();
}
