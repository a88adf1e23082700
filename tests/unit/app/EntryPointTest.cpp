#include "app/EntryPoint.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Foreign {};

struct EscapeCase {
    const char* name;
    std::function<int()> body;
    const char* boxText;  // nullptr: no box
    int exitCode;
};

TEST(EntryPoint, EscapedExceptionsShowTheirTextAndEndWithTheirCode) {
    // clang-format off
    const EscapeCase cases[] = {
        {"NarrowText", []() -> int { throw "disk"; }, "Exeption occurred: disk", 1},
        {"WideText", []() -> int { throw u"широта"; }, "Exeption occurred: широта", 2},
        {"WideString", []() -> int { throw std::u16string(u"wide"); }, "Exeption occurred: wide", 3},
        {"Number", []() -> int { throw 42; }, "Exeption occurred: 42", 4},
        {"StdException", []() -> int { throw std::runtime_error("bad"); }, "Exeption occurred: bad", ExitStdException},
        {"BadAlloc", []() -> int { throw std::bad_alloc(); }, "Exeption occurred: std::bad_alloc", ExitStdException},
        {"ForeignType", []() -> int { throw Foreign{}; }, "Exeption occurred", 5},
        {"NoException", [] { return ExitAlreadyRunning; }, nullptr, ExitAlreadyRunning},
    };
    // clang-format on
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> boxes;
        EXPECT_EQ(RunGuarded(c.body, [&](const std::string& said) { boxes.push_back(said); }),
                  c.exitCode);
        EXPECT_EQ(boxes,
                  c.boxText ? std::vector<std::string>{c.boxText} : std::vector<std::string>{});
    }
    EXPECT_EQ(RunGuarded([]() -> int { throw 7; },
                         [](const std::string&) { throw std::runtime_error("no display"); }),
              4)
        << "a failing error box still ends with the code";
}

}  // namespace
