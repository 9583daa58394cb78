#include "console/RowMap.h"

#include <algorithm>
#include <array>

namespace corvel {

namespace {

// The background of a buffer row whose cells are all blanks in one, or -1.
int blankBackgroundOf(const Cell* row, int width) {
    const int background = row[0].attribute >> 4;
    for (int column = 0; column < width; ++column) {
        if (row[column].character != ' ' || (row[column].attribute >> 4) != background) return -1;
    }
    return background;
}

}  // namespace

void RowMap::update(const Cell* cells, int width, int height, int terminalRows, int cursorRow, int changedFrom,
                    int changedTo) {
    folded_ = height > terminalRows;
    if (folded_) {
        foldRows(cells, width, height, terminalRows, cursorRow, changedFrom, changedTo);
        rows_.assign(fold_.rows().begin(), fold_.rows().end());
        return;
    }
    known_ = false;
    rows_.resize(static_cast<std::size_t>(std::max(terminalRows, 0)));
    for (int row = 0; row < terminalRows; ++row) rows_[static_cast<std::size_t>(row)] = row < height ? row : -1;
}

int RowMap::terminalRowOf(int bufferRow) const {
    if (folded_) return fold_.terminalRowOf(bufferRow);
    return bufferRow >= 0 && bufferRow < static_cast<int>(rows_.size()) ? bufferRow : -1;
}

// Blank rows in the commonest background of such rows fold away: the page's
// empty space, never a band of another colour such as an input field.
void RowMap::foldRows(const Cell* cells, int width, int height, int terminalRows, int cursorRow, int changedFrom,
                      int changedTo) {
    const bool known = known_ && width_ == width && height_ == height;
    if (!known) rowBackground_.assign(static_cast<std::size_t>(height), -1);
    std::array<int, 16> rowsIn{};
    for (int row = 0; row < height; ++row) {
        int& background = rowBackground_[static_cast<std::size_t>(row)];
        if (!known || (row >= changedFrom && row <= changedTo)) {
            background = blankBackgroundOf(cells + static_cast<std::size_t>(row) * static_cast<std::size_t>(width), width);
        }
        if (background >= 0) ++rowsIn[static_cast<std::size_t>(background)];
    }
    known_ = true;
    width_ = width;
    height_ = height;
    const int page = static_cast<int>(std::max_element(rowsIn.begin(), rowsIn.end()) - rowsIn.begin());
    foldable_.resize(static_cast<std::size_t>(height));
    for (int row = 0; row < height; ++row) {
        foldable_[static_cast<std::size_t>(row)] = rowBackground_[static_cast<std::size_t>(row)] == page;
    }
    fold_.update(foldable_, terminalRows, cursorRow);
}

}  // namespace corvel
