// The command socket's line handling, fed the client's bytes in pieces: a line is taken
// at its first newline whatever the pieces, only the three commands are known, and a
// client that sends more than a line without a newline is given up.
#include <fuzzer/FuzzedDataProvider.h>

#include "FuzzCheck.h"
#include "ui/launcher/CommandChannel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::string received;
    CommandLine line;
    while (input.remaining_bytes() > 0 && line.state == CommandLine::State::Incomplete) {
        received += input.ConsumeRandomLengthString(64);
        line = TakeCommandLine(received);
    }
    const std::size_t newline = received.find('\n');
    switch (line.state) {
        case CommandLine::State::Known: {
            FUZZ_CHECK(line.command.has_value());
            const std::string word(WordOf(*line.command));
            FUZZ_CHECK(word == "show" || word == "test" || word == "exit");
            FUZZ_CHECK(received.compare(0, word.size() + 1, word + "\n") == 0);
            break;
        }
        case CommandLine::State::Unknown: {
            FUZZ_CHECK(newline <= 64);
            const std::string first = received.substr(0, newline);
            FUZZ_CHECK(first != "show" && first != "test" && first != "exit");
            break;
        }
        case CommandLine::State::Incomplete:
            FUZZ_CHECK(input.remaining_bytes() == 0);
            FUZZ_CHECK(newline == std::string::npos && received.size() <= 64);
            break;
        case CommandLine::State::TooLong:
            FUZZ_CHECK(received.size() > 64 && (newline == std::string::npos || newline > 64));
            break;
    }
    return 0;
}
