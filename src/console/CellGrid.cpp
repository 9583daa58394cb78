// Storing, filling, scrolling and resizing the cell buffer.
#include "console/CellGrid.h"

#include <algorithm>

namespace corvel {

CellGrid::CellGrid(int columns, int rows, std::uint8_t fillAttribute)
    : width_(std::max(columns, 1)),
      height_(std::max(rows, 1)),
      cells_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
             Cell{' ', fillAttribute}) {}

void CellGrid::resize(int columns, int rows, std::uint8_t fillAttribute) {
    columns = std::max(columns, 1);
    rows = std::max(rows, 1);
    if (columns == width_ && rows == height_) return;
    std::vector<Cell> next(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows),
                           Cell{' ', fillAttribute});
    int keepRows = std::min(rows, height_);
    int keepColumns = std::min(columns, width_);
    for (int r = 0; r < keepRows; ++r) {
        std::copy_n(cells_.begin() + r * width_, keepColumns, next.begin() + r * columns);
    }
    cells_.swap(next);
    width_ = columns;
    height_ = rows;
}

Cell CellGrid::cell(int row, int column) const {
    if (!inside(row, column)) return Cell{};
    return cells_[static_cast<std::size_t>((row - 1) * width_ + (column - 1))];
}

void CellGrid::writeCells(int row, int column, const Cell* cells, int count) {
    if (row < 1 || row > height_ || count <= 0 || cells == nullptr) return;
    // Cells left of column 1 are dropped as those past the right edge are.
    if (column < 1) {
        int skip = 1 - column;
        if (skip >= count) return;
        cells += skip;
        count -= skip;
        column = 1;
    }
    if (column > width_) return;
    int n = std::min(count, width_ - column + 1);
    std::size_t at = static_cast<std::size_t>((row - 1) * width_ + (column - 1));
    std::copy_n(cells, n, cells_.begin() + static_cast<std::ptrdiff_t>(at));
}

void CellGrid::scrollUp(std::uint8_t fillAttribute) {
    std::copy(cells_.begin() + width_, cells_.end(), cells_.begin());
    std::fill(cells_.end() - width_, cells_.end(), Cell{' ', fillAttribute});
}

template <typename F>
void CellGrid::forRun(int row, int column, int count, F&& f) {
    if (!inside(row, column) || count <= 0) return;
    std::size_t at = static_cast<std::size_t>((row - 1) * width_ + (column - 1));
    std::size_t n = std::min(static_cast<std::size_t>(count), cells_.size() - at);
    for (std::size_t i = at; i < at + n; ++i) f(cells_[i]);
}

void CellGrid::fillCharacters(int row, int column, int count, std::uint8_t character) {
    forRun(row, column, count, [character](Cell& c) { c.character = character; });
}

void CellGrid::fillAttributes(int row, int column, int count, std::uint8_t attribute) {
    forRun(row, column, count, [attribute](Cell& c) { c.attribute = attribute; });
}

}  // namespace corvel
