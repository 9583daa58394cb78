// The console device: the narrow surface between the console services and a
// platform. A device only stores cells, moves the cursor and hands up key
// events; wrapping, scrolling rules and key acceptance live above it.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvel {

// One character cell: a code page 437 byte and its attribute
// (background * 16 + foreground).
struct Cell {
    std::uint8_t character = ' ';
    std::uint8_t attribute = 7;
    friend bool operator==(const Cell&, const Cell&) = default;
};

// One raw keyboard event. Events that are not key transitions (window
// changes and the like) arrive with isKey false and are skipped above.
struct KeyEvent {
    bool isKey = true;
    bool down = true;
    std::uint8_t scanCode = 0;   // PC set-1 make code
    std::uint8_t character = 0;  // 0 when the key carries no character
    bool shift = false;
    bool alt = false;            // left or right Alt
    bool capsLock = false;
    // The further characters the key types, in order, when it types one
    // character: a character code page 437 lacks may render as several
    // (Щ types S, then hch). Static text.
    std::string_view more = {};
    friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};

// Cursor shape: size in percent of the cell height (10..99) and visibility.
struct CursorShape {
    int size = 10;
    bool visible = true;
    friend bool operator==(const CursorShape&, const CursorShape&) = default;
};

// Rows and columns are 1-based everywhere. A device clips what lies outside
// its buffer and never reports an error.
class ConsoleDevice {
public:
    virtual ~ConsoleDevice() = default;

    // Buffer size in columns and rows.
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Change the buffer size (the console-size command); cells are kept
    // where both sizes overlap, new cells are blanks in the default attribute.
    virtual void resize(int columns, int rows) = 0;

    virtual int cursorRow() const = 0;
    virtual int cursorColumn() const = 0;
    virtual void setCursor(int row, int column) = 0;

    // Store count cells into one row from (row, column); cells past the
    // right edge are dropped.
    virtual void writeCells(int row, int column, const Cell* cells, int count) = 0;
    // Rows 2..H move up one row; row H becomes blanks in fillAttribute.
    virtual void scrollUp(std::uint8_t fillAttribute) = 0;
    // Set the character or the attribute of count consecutive cells from
    // (row, column), running on into the following rows, stopping at the end.
    virtual void fillCharacters(int row, int column, int count, std::uint8_t character) = 0;
    virtual void fillAttributes(int row, int column, int count, std::uint8_t attribute) = 0;
    virtual Cell readCell(int row, int column) const = 0;

    // The attribute that stream output (a child's) uses.
    virtual std::uint8_t defaultAttribute() const = 0;
    virtual void setDefaultAttribute(std::uint8_t attribute) = 0;

    virtual CursorShape cursorShape() const = 0;
    virtual void setCursorShape(CursorShape shape) = 0;

    // The oldest waiting event, without removing it; false when none waits.
    virtual bool peekEvent(KeyEvent& event) = 0;
    // Remove the oldest waiting event.
    virtual void takeEvent() = 0;
    // Block until an event waits or timeoutMs passes (negative: no limit).
    // Shows the current frame first. True when an event waits.
    virtual bool waitEvent(int timeoutMs) = 0;

    // Why the program was asked from outside to end (a hang-up, a
    // termination request, the console window closing): the platform's
    // number for it, 0 while nobody asked. A wait for events returns once
    // it is set.
    virtual int endRequest() const { return 0; }

    // A child process is about to run in this console and be waited for
    // (true), or has ended (false). A device on a terminal lends the child
    // the settings it found there and takes its own back afterwards; by
    // default nothing happens.
    virtual void setChildRunning(bool /*running*/) {}

    virtual void alert() = 0;
    // Show what has been stored so far (a real terminal renders its frame).
    virtual void present() = 0;
};

}  // namespace corvel
