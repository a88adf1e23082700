#pragma once

#include <array>
#include <optional>
#include <string_view>

// What a later start (--command=WORD) asks of the tracker already running.
enum class TrackerCommand { Show, Test, Exit };

struct TrackerCommandWord {
    TrackerCommand command;
    std::string_view word;
};

// The one spelling of each command, on the command line and on the command socket alike.
inline constexpr std::array<TrackerCommandWord, 3> TrackerCommandWords{{
    {TrackerCommand::Show, "show"},
    {TrackerCommand::Test, "test"},
    {TrackerCommand::Exit, "exit"},
}};

constexpr std::string_view WordOf(TrackerCommand command) {
    for (const auto& each : TrackerCommandWords) {
        if (each.command == command) {
            return each.word;
        }
    }
    return {};
}

constexpr std::optional<TrackerCommand> CommandOfWord(std::string_view word) {
    for (const auto& each : TrackerCommandWords) {
        if (each.word == word) {
            return each.command;
        }
    }
    return std::nullopt;
}
