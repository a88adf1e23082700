#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Cuts bytes, as they arrive in pieces of any size, into lines of at most a fixed length.
// A longer line is dropped whole, up to its end, so a peer cannot make the buffer grow.
class BoundedLines {
public:
    explicit BoundedLines(std::size_t maximumLength) : maximumLength_(maximumLength) {}

    // Hands each completed line, without its "\n" or "\r\n", to take.
    void Feed(std::string_view bytes, const std::function<void(std::string_view)>& take);
    // Forgets a line begun, as at a new connection.
    void Clear();

private:
    std::size_t maximumLength_;
    std::string partial_;
    bool dropping_ = false;  // inside a line already too long
};
