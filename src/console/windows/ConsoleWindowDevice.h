// The Windows console device: the form draws in a buffer of its own size,
// which the console's visible window shows through a fold when it is
// smaller (WindowFrame.h); only the rectangles that changed since the last
// frame are written. A window that changes size is noticed (window-size
// events, and a look when a wait ends) and repainted. Key events come from
// the console's input buffer, waits block on it. Opening it prepares the
// console (screen and keyboard handles, modes, control handler, cursor
// shape); restore() puts modes and cursor back.
#pragma once

#include <memory>
#include <string>

#include "console/CellGrid.h"
#include "console/ConsoleDevice.h"
#include "console/windows/WindowFrame.h"
#include "runtime/CommandService.h"

namespace corvel::windows {

class ConsoleWindowDevice final : public ConsoleDevice, public SharedConsole {
public:
    // Nothing and a reason when there is no console to read keys from.
    static std::unique_ptr<ConsoleWindowDevice> open(std::string& error);
    ~ConsoleWindowDevice() override;
    ConsoleWindowDevice(const ConsoleWindowDevice&) = delete;
    ConsoleWindowDevice& operator=(const ConsoleWindowDevice&) = delete;

    // Shows the last frame, then puts the console modes and the cursor shape
    // back as they were found. Safe to call more than once.
    void restore();

    int width() const override { return wanted_.width(); }
    int height() const override { return wanted_.height(); }
    // The buffer the form draws in takes this size; the console's window
    // keeps its own and shows the buffer folded when it is smaller.
    void resize(int columns, int rows) override;

    int cursorRow() const override { return row_; }
    int cursorColumn() const override { return column_; }
    void setCursor(int row, int column) override;

    void writeCells(int row, int column, const Cell* cells, int count) override {
        wanted_.writeCells(row, column, cells, count);
    }
    void scrollUp(std::uint8_t fillAttribute) override;
    void fillCharacters(int row, int column, int count, std::uint8_t character) override {
        wanted_.fillCharacters(row, column, count, character);
    }
    void fillAttributes(int row, int column, int count, std::uint8_t attribute) override {
        wanted_.fillAttributes(row, column, count, attribute);
    }
    Cell readCell(int row, int column) const override { return wanted_.cell(row, column); }

    std::uint8_t defaultAttribute() const override { return defaultAttribute_; }
    void setDefaultAttribute(std::uint8_t attribute) override;

    CursorShape cursorShape() const override { return shape_; }
    void setCursorShape(CursorShape shape) override { shape_ = shape; }

    bool peekEvent(KeyEvent& event) override;
    void takeEvent() override;
    bool waitEvent(int timeoutMs) override;
    // The console's close, log-off or shut-down event (its code plus one).
    int endRequest() const override;

    void alert() override;
    void present() override;

    void beforeChild() override { present(); }
    void afterChild() override { takeInConsole(); }
    void sizeForForm(int columns, int rows) override {
        resize(columns != 0 ? columns : width(), rows != 0 ? rows : height());
    }

    // The handles children get as their standard handles.
    void* screenHandle() const { return screen_; }
    void* keyboardHandle() const { return keyboard_; }

    // Console calls made to show frames so far (cell writes, cursor moves
    // and shapes, scrolls): what a key costs on the console.
    long long frameCalls() const { return frameCalls_; }

private:
    // Cells per WriteConsoleOutputW or ReadConsoleOutputW call, well inside
    // what every console takes.
    static constexpr int cellsPerCall = 8000;

    ConsoleWindowDevice() = default;
    // Window, cells and cursor as the console has them now.
    void takeInConsole();
    // Whether the visible window moved or changed size; if so the next
    // frame repaints it.
    bool windowChanged();
    bool readWindow(int& top, int& left, int& rows, int& columns);
    bool readBack(CellGrid& into);
    bool writeRectangle(const CellRectangle& rectangle);
    bool scrollOnConsole(std::uint8_t fillAttribute);
    // A console call failed: what it shows is no longer known.
    void invalidate();

    void* screen_ = nullptr;
    void* keyboard_ = nullptr;
    bool opened_ = false;
    bool ownsScreen_ = false;  // "CONOUT$" opened because no standard handle is a console
    unsigned long savedOutputMode_ = 0;
    unsigned long savedInputMode_ = 0;
    bool outputModeSaved_ = false;
    bool inputModeSaved_ = false;
    CursorShape savedShape_;
    bool restored_ = false;

    // The form's size until the console tells its own; without a console
    // to show on it stays so, and the frames go nowhere.
    CellGrid wanted_{80, 50};
    bool sizeFixed_ = false;  // the form asked for its size
    // The visible window: its place in the console's buffer and what it shows.
    int windowTop_ = 0;
    int windowLeft_ = 0;
    WindowFrame frame_;
    int row_ = 1;
    int column_ = 1;
    int shownRow_ = -1;  // console position of the cursor, -1 unknown
    int shownColumn_ = -1;
    CursorShape shape_;
    CursorShape shownShape_;
    std::uint8_t defaultAttribute_ = 7;
    long long frameCalls_ = 0;
};

// The restore of the one open device, for the fatal-exit hook.
void restoreOpenConsole();

// After a close, log-off or shut-down event: the answers are in the file and
// the file is closed, so the control handler, which holds the process until
// then (within the time the system allows), may return.
void endRequestAnswered();
// Set once the program is asked to end; the key wait waits on it too.
void* endRequestWake();

}  // namespace corvel::windows
