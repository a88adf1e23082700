#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// mzorvany-pult running as a child process, its output read line by line.
class PultProcess {
public:
    explicit PultProcess(const std::vector<std::string>& arguments);
    ~PultProcess();
    PultProcess(const PultProcess&) = delete;
    PultProcess& operator=(const PultProcess&) = delete;

    // The port from "listening on ...:PORT"; 0 if it never said so within 20 s.
    std::uint16_t WaitListening();
    // The next line of standard output; false after 20 s without one.
    bool ReadLine(std::string& line);
    // The exit status, or -1 if it has not ended within 20 s.
    int WaitExit();

private:
    static bool ReadLineFrom(int fd, std::string& pending, std::string& line);

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string outPending_;
    std::string errPending_;
};
