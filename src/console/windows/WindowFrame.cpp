#include "console/windows/WindowFrame.h"

#include <algorithm>

namespace corvel::windows {

namespace {

// What the window shows where the buffer has no cell.
constexpr Cell outside{' ', 7};

}  // namespace

void WindowFrame::setWindow(int rows, int columns) {
    view_ = CellGrid(columns, rows);
    shown_ = CellGrid(columns, rows);
    rowMap_.forget();
    mapped_ = false;
    repaint_ = true;
}

const std::vector<CellRectangle>& WindowFrame::update(const CellGrid& buffer, int cursorRow, int cursorColumn) {
    const int columns = view_.width();
    if (buffer.width() <= columns) {
        left_ = 0;
    } else {
        left_ = std::min(left_, cursorColumn - 1);
        left_ = std::max(left_, cursorColumn - columns);
        left_ = std::clamp(left_, 0, buffer.width() - columns);
    }
    rowMap_.update(buffer.data(), buffer.width(), buffer.height(), view_.height(), cursorRow - 1);
    const int count = std::clamp(buffer.width() - left_, 0, columns);
    for (int row = 0; row < view_.height(); ++row) {
        const int from = rowMap_.rows()[static_cast<std::size_t>(row)];
        if (from >= 0) {
            view_.writeCells(row + 1, 1, buffer.data() + static_cast<std::size_t>(from) * buffer.width() + left_, count);
        }
        for (int column = from >= 0 ? count : 0; column < columns; ++column) view_.writeCells(row + 1, column + 1, &outside, 1);
    }
    mapped_ = true;
    cursorRow_ = rowMap_.terminalRowOf(cursorRow - 1);
    cursorColumn_ = cursorColumn - 1 - left_;
    if (repaint_) {
        changed_.assign(1, CellRectangle{1, 1, view_.height(), columns});
    } else {
        changed_ = changedRectangles(shown_, view_);
    }
    repaint_ = false;
    return changed_;
}

void WindowFrame::shown(const CellRectangle& written) {
    for (int row = written.top; row <= written.bottom; ++row) {
        const Cell* cells = view_.data() + static_cast<std::size_t>(row - 1) * view_.width() + (written.left - 1);
        shown_.writeCells(row, written.left, cells, written.right - written.left + 1);
    }
}

void WindowFrame::takeIn(const CellGrid& read, CellGrid& buffer) {
    shown_ = read;
    repaint_ = false;
    const int count = std::clamp(buffer.width() - left_, 0, read.width());
    for (int row = 0; row < read.height(); ++row) {
        const int to = bufferRowOf(row) - 1;
        if (to < 0 || to >= buffer.height()) continue;
        buffer.writeCells(to + 1, left_ + 1, read.data() + static_cast<std::size_t>(row) * read.width(), count);
    }
}

int WindowFrame::bufferRowOf(int windowRow) const {
    if (!mapped_) return windowRow + 1;
    if (windowRow < 0 || windowRow >= static_cast<int>(rowMap_.rows().size())) return -1;
    const int row = rowMap_.rows()[static_cast<std::size_t>(windowRow)];
    return row < 0 ? -1 : row + 1;
}

}  // namespace corvel::windows
