// The cell buffer a console device keeps: cells, their size and the
// storing, filling and scrolling a device offers. Rows and columns are
// 1-based; what lies outside is clipped.
#pragma once

#include <cstdint>
#include <vector>

#include "console/ConsoleDevice.h"

namespace corvel {

class CellGrid {
public:
    CellGrid(int columns, int rows, std::uint8_t fillAttribute = 7);

    int width() const { return width_; }
    int height() const { return height_; }
    const Cell* data() const { return cells_.data(); }

    // Keeps the cells where both sizes overlap; new cells are blanks in
    // fillAttribute. Sizes below 1 become 1.
    void resize(int columns, int rows, std::uint8_t fillAttribute);

    Cell cell(int row, int column) const;
    void writeCells(int row, int column, const Cell* cells, int count);
    void scrollUp(std::uint8_t fillAttribute);
    void fillCharacters(int row, int column, int count, std::uint8_t character);
    void fillAttributes(int row, int column, int count, std::uint8_t attribute);

private:
    bool inside(int row, int column) const {
        return row >= 1 && row <= height_ && column >= 1 && column <= width_;
    }
    // Applies f to count cells from (row, column), running on into the
    // following rows and stopping at the end of the buffer.
    template <typename F>
    void forRun(int row, int column, int count, F&& f);

    int width_;
    int height_;
    std::vector<Cell> cells_;
};

}  // namespace corvel
