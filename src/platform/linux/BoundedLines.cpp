#include "platform/linux/BoundedLines.h"

void BoundedLines::Feed(std::string_view bytes, const std::function<void(std::string_view)>& take) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (!dropping_ && partial_.size() + piece.size() > maximumLength_) {
            dropping_ = true;
            partial_.clear();
        }
        if (!dropping_) {
            partial_.append(piece);
        }
        if (end == std::string_view::npos) {
            return;
        }
        if (!dropping_) {
            std::string_view line = partial_;
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            take(line);
        }
        partial_.clear();
        dropping_ = false;
        bytes.remove_prefix(end + 1);
    }
}

void BoundedLines::Clear() {
    partial_.clear();
    dropping_ = false;
}
