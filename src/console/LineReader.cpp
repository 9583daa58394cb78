// Splitting a byte stream into bounded lines.
#include "console/LineReader.h"

#include <algorithm>
#include <array>
#include <utility>

namespace corvel {

void LineReader::keep(const char* bytes, std::size_t count) {
    const std::size_t room = lineLimit - line_.size();
    line_.append(bytes, std::min(count, room));
    if (count > room) overlong_ = true;
}

std::optional<std::string> LineReader::readLine() {
    std::array<char, 4096> buffer{};
    for (;;) {
        const std::size_t newline = pending_.find('\n');
        if (newline != std::string::npos) {
            keep(pending_.data(), newline);
            pending_.erase(0, newline + 1);
            // A CR before the LF goes with it, unless the line lost its end.
            if (!overlong_ && !line_.empty() && line_.back() == '\r') line_.pop_back();
            overlong_ = false;
            return std::exchange(line_, std::string());
        }
        keep(pending_.data(), pending_.size());
        pending_.clear();
        if (ended_) break;
        const std::size_t got = source_(buffer.data(), buffer.size());
        if (got == 0) {
            ended_ = true;
            continue;
        }
        pending_.assign(buffer.data(), std::min(got, buffer.size()));
    }
    if (line_.empty() && !overlong_) return std::nullopt;
    overlong_ = false;
    return std::exchange(line_, std::string());
}

std::string withoutControlCharacters(std::string_view text) {
    std::string kept;
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 32 && b != 127) kept += c;
    }
    return kept;
}

}  // namespace corvel
