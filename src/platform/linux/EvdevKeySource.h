#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/KeyEvent.h"

// Key events read from an evdev device or from a FIFO carrying the same
// struct input_event records. The device is never grabbed, so every key still reaches
// the rest of the system. Keys without a virtual-key code are skipped; auto-repeat is
// a key-down like any other.
class EvdevKeySource {
public:
    // How often the front ends look again for a device that went away.
    static constexpr int ReopenIntervalMs = 2000;

    explicit EvdevKeySource(std::string path);
    ~EvdevKeySource();
    EvdevKeySource(const EvdevKeySource&) = delete;
    EvdevKeySource& operator=(const EvdevKeySource&) = delete;

    // Opens (or reopens) the path; false with ErrorText set when it cannot.
    bool Open();
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    // For poll(); -1 while closed.
    int Fd() const { return fd_; }
    const std::string& Path() const { return path_; }
    const std::string& ErrorText() const { return errorText_; }

    // Takes the next key event that has fully arrived. A read error (the device was
    // unplugged) closes the source; the owner may Open it again later. After a bounded
    // number of reads it gives false even if more waits, so a source that never runs dry
    // cannot hold up the caller; the descriptor then stays readable.
    bool Next(KeyEvent& event);

private:
    // Reads per turn (a turn ends when Next gives false): 64 records each.
    static constexpr int kMaxFillsPerTurn = 16;

    bool Fill();
    bool ReopenFifo();

    std::string path_;
    int fd_ = -1;
    bool isFifo_ = false;
    int fillsThisTurn_ = 0;
    std::string errorText_;
    std::uint32_t lastScanCode_ = 0;
    bool haveScanCode_ = false;
    unsigned char buffer_[24 * 64];
    std::size_t used_ = 0;
    std::size_t start_ = 0;
};
