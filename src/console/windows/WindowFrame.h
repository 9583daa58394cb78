// What the console's visible window shows of the buffer the form draws in:
// its rows through the same fold a short terminal gets (RowMap.h), its
// columns through a window that follows the cursor, and the rectangles of
// that view which differ from what the window shows now.
#pragma once

#include <vector>

#include "console/CellGrid.h"
#include "console/RowMap.h"
#include "console/windows/ChangedRectangles.h"

namespace corvel::windows {

class WindowFrame {
public:
    // The window's size in rows and columns; what it shows is unknown.
    void setWindow(int rows, int columns);
    int rows() const { return view_.height(); }
    int columns() const { return view_.width(); }
    // What the window shows is unknown: the next frame writes all of it.
    void invalidate() { repaint_ = true; }
    bool known() const { return !repaint_; }

    // The view of the buffer with its cursor (1-based); returns the
    // rectangles (1-based, in window rows and columns) to write from view().
    const std::vector<CellRectangle>& update(const CellGrid& buffer, int cursorRow, int cursorColumn);
    const CellGrid& view() const { return view_; }
    // A rectangle of the view has reached the window.
    void shown(const CellRectangle& written);
    // The cells the window shows, as read back; the buffer rows shown take
    // them in (rows folded away keep theirs).
    void takeIn(const CellGrid& read, CellGrid& buffer);

    // The window position (0-based) of the cursor after update(), -1 for a
    // row not in view.
    int cursorRow() const { return cursorRow_; }
    int cursorColumn() const { return cursorColumn_; }
    // The buffer position (1-based) a window position (0-based) shows, row
    // -1 when it shows none.
    int bufferRowOf(int windowRow) const;
    int bufferColumnOf(int windowColumn) const { return left_ + windowColumn + 1; }
    // Whether window and buffer meet cell for cell (nothing folded, panned).
    bool oneToOne(const CellGrid& buffer) const {
        return !rowMap_.folded() && left_ == 0 && buffer.width() <= columns();
    }

private:
    CellGrid view_{1, 1};
    CellGrid shown_{1, 1};
    RowMap rowMap_;
    std::vector<CellRectangle> changed_;
    int left_ = 0;
    int cursorRow_ = 0;
    int cursorColumn_ = 0;
    bool mapped_ = false;  // rows come through the fold, else one to one
    bool repaint_ = true;
};

}  // namespace corvel::windows
