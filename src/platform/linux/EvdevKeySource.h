#pragma once

#include <sys/types.h>

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/KeyEvent.h"

// Key events read from an evdev device or from a FIFO carrying the same
// struct input_event records. The device is never grabbed, so every key still reaches
// the rest of the system. Keys without a virtual-key code are skipped; auto-repeat is
// a key-down like any other. A key this source holds is never left held by a source
// that went away or lost events: it gets its key-up.
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
    // cannot hold up the caller; the descriptor then stays readable. The key-ups of a
    // source that closed come out after it closed.
    bool Next(KeyEvent& event);
    // For the look-again timer: when the path now names another file than the one open
    // (a FIFO or device made anew, or removed), lets go of the keys and closes, so that
    // the next Open takes the new one. True when it closed.
    bool CloseIfReplaced();

private:
    // Reads per turn (a turn ends when Next gives false): 64 records each.
    static constexpr int kMaxFillsPerTurn = 16;

    // Linux key codes (KEY_CNT).
    static constexpr std::size_t kLinuxKeys = 0x300;

    bool Fill();
    bool ReopenFifo();
    void Take(int linuxCode, bool down);
    // Key-ups for the keys held that are not in stillDown (null: none is).
    void ReleaseHeld(const std::bitset<kLinuxKeys>* stillDown);
    void OnEventsDropped();

    std::string path_;
    int fd_ = -1;
    bool isFifo_ = false;
    int fillsThisTurn_ = 0;
    std::string errorText_;
    std::bitset<kLinuxKeys> held_;
    std::vector<KeyEvent> releases_;
    // After a device dropped events the rest of that report is stale.
    bool skipToReport_ = false;
    dev_t openDevice_ = 0;
    ino_t openInode_ = 0;
    std::uint32_t lastScanCode_ = 0;
    bool haveScanCode_ = false;
    unsigned char buffer_[24 * 64];
    std::size_t used_ = 0;
    std::size_t start_ = 0;
};
