#include "app/EntryPoint.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

namespace {

struct Foreign {};

TEST(EntryPoint, EscapedExceptionsShowTheirTextAndEndWithTheirCode) {
    const std::tuple<std::function<int()>, const char*, int> cases[] = {
        {[]() -> int { throw "disk"; }, "Exeption occurred: disk", 1},
        {[]() -> int { throw u"широта"; }, "Exeption occurred: широта", 2},
        {[]() -> int { throw std::u16string(u"wide"); }, "Exeption occurred: wide", 3},
        {[]() -> int { throw 42; }, "Exeption occurred: 42", 4},
        {[]() -> int { throw std::runtime_error("bad"); }, "Exeption occurred: bad", 6},
        {[]() -> int { throw std::bad_alloc(); }, "Exeption occurred: std::bad_alloc", 6},
        {[]() -> int { throw Foreign{}; }, "Exeption occurred", 5},
        {[] { return ExitAlreadyRunning; }, nullptr, 2},
    };
    for (const auto& [body, text, exitCode] : cases) {
        std::vector<std::string> boxes;
        EXPECT_EQ(RunGuarded(body, [&](const std::string& said) { boxes.push_back(said); }),
                  exitCode)
            << (text ? text : "no exception");
        EXPECT_EQ(boxes, text ? std::vector<std::string>{text} : std::vector<std::string>{});
    }
    EXPECT_EQ(RunGuarded([]() -> int { throw 7; },
                         [](const std::string&) { throw std::runtime_error("no display"); }),
              4)
        << "a failing error box still ends with the code";
}

}  // namespace
