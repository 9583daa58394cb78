// Changed rectangles: rows compared cell by cell, the changed rows grouped
// into runs, each run one rectangle from its leftmost to its rightmost
// change.
#include "console/windows/ChangedRectangles.h"

#include <algorithm>

namespace corvel::windows {

std::vector<CellRectangle> changedRectangles(const CellGrid& shown, const CellGrid& wanted) {
    std::vector<CellRectangle> rectangles;
    const int width = wanted.width();
    bool open = false;
    for (int row = 1; row <= wanted.height(); ++row) {
        const Cell* before = shown.data() + static_cast<std::size_t>(row - 1) * width;
        const Cell* after = wanted.data() + static_cast<std::size_t>(row - 1) * width;
        int left = 0;
        while (left < width && before[left] == after[left]) ++left;
        if (left == width) {
            open = false;
            continue;
        }
        int right = width - 1;
        while (before[right] == after[right]) --right;
        if (open) {
            CellRectangle& run = rectangles.back();
            run.bottom = row;
            run.left = std::min(run.left, left + 1);
            run.right = std::max(run.right, right + 1);
        } else {
            rectangles.push_back({row, left + 1, row, right + 1});
            open = true;
        }
    }
    return rectangles;
}

}  // namespace corvel::windows
