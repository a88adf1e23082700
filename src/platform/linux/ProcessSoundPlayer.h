#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/SoundPlayer.h"

// Plays a sound by starting a player program (aplay by default) in the background.
// Finished players are reaped on the next call, so nothing ever waits on them.
class ProcessSoundPlayer final : public SoundPlayer {
public:
    explicit ProcessSoundPlayer(std::vector<std::string> command = {"aplay", "-q"});
    ~ProcessSoundPlayer() override;

    void PlayAsync(const std::string& path) override;

private:
    void ReapFinished();

    std::vector<std::string> command_;
    std::vector<pid_t> running_;
};
