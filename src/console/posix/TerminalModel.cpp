#include "console/posix/TerminalModel.h"

#include <algorithm>
#include <cstdlib>

#include "console/Cp437.h"

namespace corvel::posix {
namespace {

// Colour number (bit 0 blue, bit 2 red) to ANSI index (bit 0 red, bit 2 blue).
int ansiColour(int colour) {
    return ((colour & 1) << 2) | (colour & 2) | ((colour >> 2) & 1) | (colour & 8);
}

bool sameLook(const TerminalModel::Cell& a, const TerminalModel::Cell& b) {
    if (a.glyph == ' ' && b.glyph == ' ') return a.background == b.background;
    return a.glyph == b.glyph && a.foreground == b.foreground && a.background == b.background;
}

}  // namespace

TerminalModel::TerminalModel(int rows, int columns)
    : rows_(rows), columns_(columns), cells_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns)) {}

TerminalModel::Cell& TerminalModel::cell(int row, int column) {
    return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(column)];
}

const TerminalModel::Cell& TerminalModel::at(int row, int column) const {
    return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(column)];
}

bool TerminalModel::shows(int row, int column, std::uint8_t character, std::uint8_t attribute) const {
    Cell want{cp437ToUnicode(character), ansiColour(attribute & 15), ansiColour(attribute >> 4)};
    return sameLook(at(row, column), want);
}

int TerminalModel::differingCells(const TerminalModel& other) const {
    int count = 0;
    for (std::size_t i = 0; i < cells_.size() && i < other.cells_.size(); ++i) {
        count += !sameLook(cells_[i], other.cells_[i]);
    }
    return count;
}

void TerminalModel::feed(std::string_view bytes) {
    for (char byte : bytes) {
        auto b = static_cast<unsigned char>(byte);
        if (state_ == State::escape) {
            escape(byte);
        } else if (state_ == State::csi) {
            if (b >= 0x40 && b <= 0x7e) sequence(byte);
            else sequence_ += byte;
        } else if (continuation_ > 0 && (b & 0xC0) == 0x80) {
            pending_ = (pending_ << 6) | (b & 0x3F);
            if (--continuation_ == 0) print(pending_);
        } else if (b >= 0xC0) {
            continuation_ = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
            pending_ = b & (0x3F >> continuation_);
        } else if (b < 32 || b == 127) {
            control(byte);
        } else {
            print(b);
        }
    }
}

// Autowrap is off: a glyph in the last column leaves the cursor there.
void TerminalModel::print(char32_t glyph) {
    cell(row_, column_) = Cell{glyph, foreground_, background_};
    column_ = std::min(column_ + 1, columns_ - 1);
}

void TerminalModel::control(char byte) {
    switch (byte) {
        case '\r': column_ = 0; break;
        case '\n': row_ = std::min(row_ + 1, rows_ - 1); break;
        case '\b': column_ = std::max(column_ - 1, 0); break;
        case '\a': break;
        case '\x1b': state_ = State::escape; break;
        default: unknown_ += byte;
    }
}

void TerminalModel::escape(char final) {
    state_ = State::ground;
    if (final == '[') {
        state_ = State::csi;
        sequence_.clear();
    } else if (final == 'M') {
        row_ = std::max(row_ - 1, 0);
    } else if (unknown_.empty()) {
        unknown_ = std::string("\x1b") + final;
    }
}

int TerminalModel::parameter(std::size_t index, int fallback) const {
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        start = sequence_.find(';', start);
        if (start == std::string::npos) return fallback;
        ++start;
    }
    int value = std::atoi(sequence_.c_str() + start);
    return value > 0 ? value : fallback;
}

void TerminalModel::erase(int row, int from, int to) {
    for (int c = from; c < to; ++c) cell(row, c) = blank();
}

void TerminalModel::sequence(char final) {
    state_ = State::ground;
    const int n = parameter(0, 1);
    auto clampRow = [&](int r) { return std::clamp(r, 0, rows_ - 1); };
    auto clampColumn = [&](int c) { return std::clamp(c, 0, columns_ - 1); };
    if (!sequence_.empty() && (sequence_[0] == '?' || sequence_[0] == '>' || sequence_[0] == '<' ||
                               sequence_.back() == ' ')) {
        return;  // private modes, the keyboard protocol and the cursor shape show no cells
    }
    if (final == 'c' && sequence_.empty()) return;  // a device-attributes request
    Cell* line = &cell(row_, 0);
    switch (final) {
        case 'H': row_ = clampRow(n - 1); column_ = clampColumn(parameter(1, 1) - 1); break;
        case 'G': column_ = clampColumn(n - 1); break;
        case 'd': row_ = clampRow(n - 1); break;
        case 'A': row_ = clampRow(row_ - n); break;
        case 'B': row_ = clampRow(row_ + n); break;
        case 'C': column_ = clampColumn(column_ + n); break;
        case 'D': column_ = clampColumn(column_ - n); break;
        case 'X': erase(row_, column_, std::min(column_ + n, columns_)); break;
        case 'K': erase(row_, parameter(0, 0) == 0 ? column_ : 0, columns_); break;
        case 'J':
            for (int r = 0; r < rows_; ++r) erase(r, 0, columns_);
            break;
        case '@':
            std::copy_backward(line + column_, line + columns_ - std::min(n, columns_ - column_), line + columns_);
            erase(row_, column_, std::min(column_ + n, columns_));
            break;
        case 'P':
            std::copy(line + std::min(column_ + n, columns_), line + columns_, line + column_);
            erase(row_, std::max(columns_ - n, column_), columns_);
            break;
        case 'L':
        case 'M': {
            // Insert or delete lines at the cursor's row; the rest move.
            const int count = std::min(n, rows_ - row_);
            auto rowAt = [&](int r) { return cells_.begin() + static_cast<std::ptrdiff_t>(r) * columns_; };
            if (final == 'L') {
                std::copy_backward(rowAt(row_), rowAt(rows_ - count), rowAt(rows_));
                for (int r = row_; r < row_ + count; ++r) erase(r, 0, columns_);
            } else {
                std::copy(rowAt(row_ + count), rowAt(rows_), rowAt(row_));
                for (int r = rows_ - count; r < rows_; ++r) erase(r, 0, columns_);
            }
            break;
        }
        case 'm': selectGraphicRendition(); break;
        case 't': break;  // window size requests
        default:
            if (unknown_.empty()) unknown_ = "\x1b[" + sequence_ + final;
    }
}

void TerminalModel::selectGraphicRendition() {
    auto count = static_cast<std::size_t>(std::count(sequence_.begin(), sequence_.end(), ';')) + 1;
    for (std::size_t i = 0; i < count; ++i) {
        int code = parameter(i, 0);
        if (code == 0) foreground_ = background_ = -1;
        else if (code >= 30 && code <= 37) foreground_ = code - 30;
        else if (code >= 90 && code <= 97) foreground_ = code - 90 + 8;
        else if (code >= 40 && code <= 47) background_ = code - 40;
        else if (code >= 100 && code <= 107) background_ = code - 100 + 8;
        else if (code == 39) foreground_ = -1;
        else if (code == 49) background_ = -1;
    }
}

}  // namespace corvel::posix
