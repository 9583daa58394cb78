// An in-memory console device: a cell grid of any size and a queue of
// scripted key events. Tests drive the console services with it and read
// back cells, attributes, cursor and cursor shape.
#pragma once

#include <deque>
#include <functional>
#include <string>

#include "console/CellGrid.h"
#include "console/ConsoleDevice.h"

namespace corvel {

class MemoryDevice : public ConsoleDevice {
public:
    MemoryDevice(int columns, int rows);

    int width() const override { return grid_.width(); }
    int height() const override { return grid_.height(); }
    void resize(int columns, int rows) override;

    int cursorRow() const override { return row_; }
    int cursorColumn() const override { return column_; }
    void setCursor(int row, int column) override;

    void writeCells(int row, int column, const Cell* cells, int count) override {
        grid_.writeCells(row, column, cells, count);
    }
    void scrollUp(std::uint8_t fillAttribute) override { grid_.scrollUp(fillAttribute); }
    void fillCharacters(int row, int column, int count, std::uint8_t character) override {
        grid_.fillCharacters(row, column, count, character);
    }
    void fillAttributes(int row, int column, int count, std::uint8_t attribute) override {
        grid_.fillAttributes(row, column, count, attribute);
    }
    Cell readCell(int row, int column) const override { return grid_.cell(row, column); }

    std::uint8_t defaultAttribute() const override { return defaultAttribute_; }
    void setDefaultAttribute(std::uint8_t attribute) override { defaultAttribute_ = attribute; }

    CursorShape cursorShape() const override { return shape_; }
    void setCursorShape(CursorShape shape) override { shape_ = shape; }

    bool peekEvent(KeyEvent& event) override;
    void takeEvent() override;
    // With no event queued, runs the idle hook (which may queue more) once;
    // a key script that has run dry aborts the test instead of hanging it.
    bool waitEvent(int timeoutMs) override;

    void alert() override { ++alerts_; }
    void present() override { ++frames_; }
    int endRequest() const override { return endRequest_; }

    // --- for tests ---
    void pushEvent(const KeyEvent& event) { events_.push_back(event); }
    // A key press as the console reports it: down event with the character.
    void pushKey(std::uint8_t character, std::uint8_t scanCode, bool alt = false, bool shift = false);
    // Printable text, each byte as a key press with its US scan code.
    void pushText(std::string_view text);
    // Extended key without a character (arrows, Home, F1...).
    void pushExtended(std::uint8_t scanCode);
    void pushAlt(char letter);
    // Asks the program to end, as a hang-up or the closing window does.
    void requestEnd(int reason) { endRequest_ = reason; }
    std::size_t pendingEvents() const { return events_.size(); }
    // Runs when a wait finds no event; lets a test react to the screen.
    void setIdleHook(std::function<void()> hook) { idleHook_ = std::move(hook); }

    // The characters of columns from..to of a row as a byte string.
    std::string rowText(int row, int fromColumn = 1, int toColumn = 0) const;
    const CellGrid& grid() const { return grid_; }
    int alerts() const { return alerts_; }
    int frames() const { return frames_; }
    int waits() const { return waits_; }

private:
    CellGrid grid_;
    int row_ = 1;
    int column_ = 1;
    std::uint8_t defaultAttribute_ = 7;
    CursorShape shape_{25, true};
    std::deque<KeyEvent> events_;
    std::function<void()> idleHook_;
    int alerts_ = 0;
    int frames_ = 0;
    int waits_ = 0;
    int endRequest_ = 0;
};

}  // namespace corvel
