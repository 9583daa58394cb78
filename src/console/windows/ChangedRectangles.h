// Which rectangles of the console must be written to turn what it shows into
// what is wanted: one per run of consecutive changed rows, as wide as the
// changes in those rows reach.
#pragma once

#include <vector>

#include "console/CellGrid.h"

namespace corvel::windows {

// 1-based, inclusive.
struct CellRectangle {
    int top = 1;
    int left = 1;
    int bottom = 1;
    int right = 1;
    friend bool operator==(const CellRectangle&, const CellRectangle&) = default;
};

// Both grids have the same size.
std::vector<CellRectangle> changedRectangles(const CellGrid& shown, const CellGrid& wanted);

}  // namespace corvel::windows
