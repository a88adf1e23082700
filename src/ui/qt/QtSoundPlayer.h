#pragma once

#include <QObject>
#include <memory>

#include "platform/SoundPlayer.h"

class QSoundEffect;

// Plays a sound file through Qt Multimedia and returns at once. A missing file falls
// back to the built-in sound of the same name; without an audio output nothing plays
// and nothing is reported.
class QtSoundPlayer final : public QObject, public SoundPlayer {
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;

    void PlayAsync(const std::string& path) override;

private:
    std::unique_ptr<QSoundEffect> effect_;
};
