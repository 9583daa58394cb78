// Processed stream output: a run of ordinary bytes goes into a row with one
// cell write; control bytes move the cursor.
#include "console/StreamOutput.h"

#include <algorithm>
#include <string>
#include <vector>

#include "console/ConsoleDevice.h"

namespace corvel {

namespace {

constexpr char bellByte = 7;
constexpr char backspaceByte = 8;
constexpr char tabByte = 9;
constexpr char lineFeedByte = 10;
constexpr char carriageReturnByte = 13;
constexpr int tabWidth = 8;

bool isControl(char c) {
    return c == bellByte || c == backspaceByte || c == tabByte || c == lineFeedByte || c == carriageReturnByte;
}

class Writer {
public:
    explicit Writer(ConsoleDevice& device)
        : device_(device),
          width_(std::max(device.width(), 1)),
          height_(std::max(device.height(), 1)),
          row_(std::clamp(device.cursorRow(), 1, height_)),
          column_(std::clamp(device.cursorColumn(), 1, width_)),
          attribute_(device.defaultAttribute()) {}

    void write(std::string_view bytes) {
        std::size_t at = 0;
        while (at < bytes.size()) {
            if (isControl(bytes[at])) {
                control(bytes[at++]);
                continue;
            }
            std::size_t run = at;
            const auto room = static_cast<std::size_t>(width_ - column_ + 1);
            while (run < bytes.size() && run - at < room && !isControl(bytes[run])) ++run;
            store(bytes.substr(at, run - at));
            at = run;
        }
        device_.setCursor(row_, column_);
    }

private:
    // Ordinary bytes that fit into the rest of the current row.
    void store(std::string_view bytes) {
        cells_.assign(bytes.size(), Cell{});
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            cells_[i] = Cell{static_cast<std::uint8_t>(bytes[i]), attribute_};
        }
        device_.writeCells(row_, column_, cells_.data(), static_cast<int>(cells_.size()));
        column_ += static_cast<int>(bytes.size());
        if (column_ > width_) lineFeed();
    }

    void control(char c) {
        switch (c) {
        case bellByte: device_.alert(); break;
        case backspaceByte: column_ = std::max(column_ - 1, 1); break;
        case carriageReturnByte: column_ = 1; break;
        case lineFeedByte: lineFeed(); break;
        case tabByte: {
            // Blanks up to the next tab stop (columns 9, 17, ...).
            const int blanks = tabWidth - (column_ - 1) % tabWidth;
            store(std::string(static_cast<std::size_t>(std::min(blanks, width_ - column_ + 1)), ' '));
            break;
        }
        default: break;
        }
    }

    // Column 1 of the next row; at the bottom the screen scrolls up.
    void lineFeed() {
        column_ = 1;
        if (row_ < height_) {
            ++row_;
        } else {
            device_.scrollUp(attribute_);
        }
    }

    ConsoleDevice& device_;
    int width_;
    int height_;
    int row_;
    int column_;
    std::uint8_t attribute_;
    std::vector<Cell> cells_;
};

}  // namespace

void StreamOutput::write(std::string_view bytes) {
    if (bytes.empty()) return;
    Writer(device_).write(bytes);
}

}  // namespace corvel
