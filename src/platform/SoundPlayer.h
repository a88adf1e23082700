#pragma once

#include <string>

class SoundPlayer {
public:
    SoundPlayer() = default;
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;
    virtual ~SoundPlayer() = default;

    // Starts playing a sound file and returns at once; a missing file or sound
    // device is not reported.
    virtual void PlayAsync(const std::string& path) = 0;
};
