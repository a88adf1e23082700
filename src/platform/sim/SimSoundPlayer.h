#pragma once

#include <string>
#include <vector>

#include "platform/SoundPlayer.h"

// Records what would have been played.
class SimSoundPlayer final : public SoundPlayer {
public:
    void PlayAsync(const std::string& path) override { played.push_back(path); }

    std::vector<std::string> played;
};
