#include "platform/linux/EvdevKeySource.h"

#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/LastErrorText.h"
#include "platform/linux/LinuxKeyMap.h"

static_assert(sizeof(input_event) <= 24, "buffer sized for whole records");
static_assert(KEY_CNT == 0x300, "the held set covers every key code");

EvdevKeySource::EvdevKeySource(std::string path) : path_(std::move(path)) {}

EvdevKeySource::~EvdevKeySource() {
    Close();
}

bool EvdevKeySource::Open() {
    Close();
    struct stat info {};
    if (stat(path_.c_str(), &info) != 0) {
        errorText_ = path_ + ": " + LastErrorText(errno);
        return false;
    }
    // A FIFO is opened for reading only, so a writer going away is seen (end-of-file) and
    // the half record it may have left can be dropped before the next writer starts.
    isFifo_ = S_ISFIFO(info.st_mode);
    fd_ = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        errorText_ = path_ + ": " + LastErrorText(errno);
        return false;
    }
    struct stat opened {};
    fstat(fd_, &opened);
    openDevice_ = opened.st_dev;
    openInode_ = opened.st_ino;
    errorText_.clear();
    skipToReport_ = false;
    used_ = start_ = 0;
    haveScanCode_ = false;
    return true;
}

bool EvdevKeySource::ReopenFifo() {
    // The new reader is opened before the old one is closed, so the FIFO never lacks a
    // reader (a writer would fail) and keeps what a next writer already put in it.
    const int fresh = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fresh < 0) {
        errorText_ = path_ + ": " + LastErrorText(errno);
        Close();
        return false;
    }
    close(fd_);
    fd_ = fresh;
    used_ = start_ = 0;
    haveScanCode_ = false;
    return true;
}

void EvdevKeySource::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    used_ = start_ = 0;
    ReleaseHeld(nullptr);
}

bool EvdevKeySource::CloseIfReplaced() {
    if (fd_ < 0) {
        return false;
    }
    struct stat now {};
    if (stat(path_.c_str(), &now) == 0 && now.st_dev == openDevice_ && now.st_ino == openInode_) {
        return false;
    }
    errorText_ = path_ + ": replaced";
    Close();
    return true;
}

void EvdevKeySource::ReleaseHeld(const std::bitset<kLinuxKeys>* stillDown) {
    for (std::size_t code = 0; code < kLinuxKeys; ++code) {
        if (held_[code] && (stillDown == nullptr || !(*stillDown)[code])) {
            held_.reset(code);
            const int virtualKey = VirtualKeyOfLinuxKey(static_cast<int>(code));
            releases_.push_back({0, static_cast<std::uint32_t>(code),
                                 static_cast<std::uint32_t>(virtualKey), false});
        }
    }
}

void EvdevKeySource::OnEventsDropped() {
    skipToReport_ = !isFifo_;
    // A device tells which keys are down now; a FIFO cannot, so all are let go.
    unsigned char bits[kLinuxKeys / 8] = {};
    if (isFifo_ || ioctl(fd_, EVIOCGKEY(sizeof(bits)), bits) < 0) {
        ReleaseHeld(nullptr);
        return;
    }
    std::bitset<kLinuxKeys> down;
    for (std::size_t code = 0; code < kLinuxKeys; ++code) {
        down[code] = (bits[code / 8] >> (code % 8)) & 1;
    }
    ReleaseHeld(&down);
}

void EvdevKeySource::Take(int linuxCode, bool down) {
    if (linuxCode >= 0 && static_cast<std::size_t>(linuxCode) < kLinuxKeys) {
        held_[static_cast<std::size_t>(linuxCode)] = down;
    }
}

bool EvdevKeySource::Fill() {
    if (fd_ < 0) {
        return false;
    }
    if (++fillsThisTurn_ > kMaxFillsPerTurn) {
        return false;  // a source that never runs dry lets the others have their turn
    }
    if (start_ > 0) {
        std::memmove(buffer_, buffer_ + start_, used_ - start_);
        used_ -= start_;
        start_ = 0;
    }
    ssize_t got = read(fd_, buffer_ + used_, sizeof(buffer_) - used_);
    if (got > 0) {
        used_ += static_cast<std::size_t>(got);
        return true;
    }
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
        return false;
    }
    if (got == 0 && isFifo_) {
        // The writer is gone, and with it whoever held the keys.
        ReleaseHeld(nullptr);
        ReopenFifo();
        return false;
    }
    errorText_ = path_ + ": " + (got == 0 ? std::string("closed") : LastErrorText(errno));
    Close();
    return false;
}

bool EvdevKeySource::Next(KeyEvent& event) {
    while (true) {
        if (!releases_.empty()) {
            event = releases_.front();
            releases_.erase(releases_.begin());
            return true;
        }
        if (used_ - start_ < sizeof(input_event) && !Fill()) {
            if (!releases_.empty()) {
                continue;
            }
            fillsThisTurn_ = 0;
            return false;
        }
        if (used_ - start_ < sizeof(input_event)) {
            continue;
        }
        input_event record;
        std::memcpy(&record, buffer_ + start_, sizeof(record));
        start_ += sizeof(record);
        if (record.type == EV_SYN && record.code == SYN_DROPPED) {
            OnEventsDropped();
            continue;
        }
        if (record.type == EV_SYN && record.code == SYN_REPORT) {
            skipToReport_ = false;
            continue;
        }
        if (skipToReport_) {
            continue;
        }
        if (record.type == EV_MSC && record.code == MSC_SCAN) {
            lastScanCode_ = static_cast<std::uint32_t>(record.value);
            haveScanCode_ = true;
            continue;
        }
        if (record.type != EV_KEY) {
            continue;
        }
        std::uint32_t scanCode = haveScanCode_ ? lastScanCode_ : record.code;
        haveScanCode_ = false;
        int virtualKey = VirtualKeyOfLinuxKey(record.code);
        if (virtualKey < 0 || record.value < 0 || record.value > 2) {
            continue;
        }
        event.timeMs =
            static_cast<std::uint32_t>(static_cast<std::uint64_t>(record.input_event_sec) * 1000u +
                                       static_cast<std::uint64_t>(record.input_event_usec) / 1000u);
        event.scanCode = scanCode;
        event.keyCode = static_cast<std::uint32_t>(virtualKey);
        event.down = record.value != 0;
        Take(record.code, event.down);
        return true;
    }
}
