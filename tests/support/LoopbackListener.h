#pragma once

#include <chrono>
#include <string>

// A TCP server on a free port of 127.0.0.1 that a test plays itself, one client at a time.
class LoopbackListener {
public:
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    const std::string& Port() const { return port_; }
    // Waits for the next client; false when none came within the deadline.
    bool Accept(std::chrono::milliseconds deadline);
    // The first line the client sent, with its end; "" when none came within the deadline.
    std::string ReadLine(std::chrono::milliseconds deadline);
    bool Send(const std::string& bytes);

private:
    int listener_ = -1;
    int client_ = -1;
    std::string port_;
};
