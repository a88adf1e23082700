#pragma once

#include <chrono>
#include <string>
#include <string_view>

// A serial device in raw mode, read without blocking beyond a given time.
class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // False with errorText set when the device cannot be opened or configured.
    bool Open(const std::string& path, int baud);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Throws away whatever the device sent that nobody read.
    void DiscardInput();
    bool Write(std::string_view bytes, std::chrono::milliseconds timeout);
    // Appends what arrives within the time-out (at least one byte once any is there);
    // false on an error or hang-up.
    bool Read(std::string& bytes, std::chrono::milliseconds timeout);

    const std::string& ErrorText() const { return errorText_; }

private:
    bool Fail(const std::string& what);

    int fd_ = -1;
    std::string errorText_;
};
