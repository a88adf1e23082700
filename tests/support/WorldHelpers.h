#pragma once

#include <memory>
#include <string>

#include "common/MessageCodes.h"
#include "sim/SimWorld.h"

inline std::unique_ptr<SimWorld> MakeWorld(const std::string& params, std::uint32_t seed = 1) {
    return std::make_unique<SimWorld>(SimWorld::Options{seed, params});
}

inline int Posts(const SimWorld& world, int code) {
    return world.CountLines("Начало передачи сообщения " + std::to_string(code));
}
