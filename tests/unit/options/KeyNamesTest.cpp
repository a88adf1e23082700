#include "options/KeyNames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace {

// key-names.txt is a copy of the table kept apart from the code: "code text" a line, every
// named code; every other code is unknown.
TEST(KeyNames, EveryCodeReadsAsTheIndependentTableSays) {
    std::ifstream file(MZ_TESTDATA_DIR "/key-names.txt");
    std::map<int, std::string> named;
    int code = 0;
    for (std::string name; file >> code && std::getline(file, name);) {
        named[code] = std::to_string(code) + name;
    }
    ASSERT_EQ(named.size(), 179u);
    for (code = -5; code <= 256; ++code) {
        const auto found = named.find(code);
        EXPECT_EQ(KeyName(code),
                  found != named.end() ? found->second : std::to_string(code) + " Unknown keycode");
    }
}

}  // namespace
