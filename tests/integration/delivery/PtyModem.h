#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A modem on a pseudo-terminal: a thread of the test reads AT commands from the master
// side and writes what the script answers, optionally echoing the command first.
class PtyModem {
public:
    // Given the command line without its CR, gives the bytes of the answer ("" = silence).
    using Script = std::function<std::string(const std::string& command)>;

    PtyModem(Script script, bool echo);
    ~PtyModem();
    PtyModem(const PtyModem&) = delete;
    PtyModem& operator=(const PtyModem&) = delete;

    const std::string& DevicePath() const { return path_; }
    std::vector<std::string> Commands();

private:
    void Run();

    Script script_;
    bool echo_;
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> commands_;
    std::thread thread_;
};
