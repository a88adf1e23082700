#include "common/LastErrorText.h"

#include <cstring>

std::string LastErrorText(int errorCode) {
    if (errorCode == 0) {
        return {};
    }
    std::string text = std::strerror(errorCode);
    if (text.size() > 255) {
        text.resize(255);
    }
    return text;
}
