// The console device on a POSIX terminal: keys and screen through /dev/tty
// (so the form shows even when standard output is redirected), raw mode, the
// alternate screen, a cell buffer rendered by difference in one write per
// frame, keys decoded into PC scan codes, the kitty keyboard protocol's
// disambiguation where the terminal has it. After a stop and a continue
// (job control) it takes the terminal again and paints the whole frame.
//
// Use: auto device = TerminalDevice::open(charset, error); on nullptr print
// error on standard error and exit non-zero. Register restoreTerminalNow() (see
// TerminalRestore.h) as the fatal-exit hook. close() (or the destructor)
// shows the last frame and puts the terminal back; signals and exit() do the
// same through the restore stack.
#pragma once

#include <termios.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "console/ConsoleDevice.h"
#include "console/CellGrid.h"
#include "console/posix/Charset.h"
#include "console/posix/KeyDecoder.h"
#include "console/posix/KeyboardProtocol.h"
#include "console/posix/Renderer.h"
#include "console/posix/TerminalRestore.h"

namespace corvel::posix {

class TerminalDevice final : public ConsoleDevice {
public:
    // Opens the controlling terminal. Null, with a one-line reason in
    // errorText, when there is none or it cannot be set up.
    // charset: what the terminal speaks, for glyphs and typed characters.
    static std::unique_ptr<TerminalDevice> open(Charset charset, std::string& errorText);
    // The same on a terminal already open as fd (a pseudo-terminal in tests);
    // the device closes fd when ownsFd.
    static std::unique_ptr<TerminalDevice> openOn(int fd, bool ownsFd, Charset charset, std::string& errorText);
    // Whether the user's locale (LC_CTYPE from the environment) is UTF-8.
    static bool localeIsUtf8();

    ~TerminalDevice() override;
    TerminalDevice(const TerminalDevice&) = delete;
    TerminalDevice& operator=(const TerminalDevice&) = delete;

    // Shows the last frame, puts the terminal back as it was found and lets
    // go of it. Later calls do nothing.
    void close();

    int width() const override { return grid_.width(); }
    int height() const override { return grid_.height(); }
    // Also asks the terminal to take the new size (CSI 8;rows;cols t).
    void resize(int columns, int rows) override;

    int cursorRow() const override { return cursorRow_; }
    int cursorColumn() const override { return cursorColumn_; }
    void setCursor(int row, int column) override;

    void writeCells(int row, int column, const Cell* cells, int count) override;
    void scrollUp(std::uint8_t fillAttribute) override;
    void fillCharacters(int row, int column, int count, std::uint8_t character) override;
    void fillAttributes(int row, int column, int count, std::uint8_t attribute) override;
    Cell readCell(int row, int column) const override { return grid_.cell(row, column); }

    std::uint8_t defaultAttribute() const override { return defaultAttribute_; }
    void setDefaultAttribute(std::uint8_t attribute) override { defaultAttribute_ = attribute; }

    CursorShape cursorShape() const override { return shape_; }
    void setCursorShape(CursorShape shape) override { shape_ = shape; }

    bool peekEvent(KeyEvent& event) override;
    void takeEvent() override;
    bool waitEvent(int timeoutMs) override;
    // SIGHUP, SIGTERM or SIGINT asked the program to end, or the terminal
    // went away (SIGHUP).
    int endRequest() const override { return requestedEnd(); }

    // While a child runs the terminal has the settings it was found with;
    // afterwards raw mode again, keys typed meanwhile taken one by one (never
    // as Alt chords), and the whole frame painted anew.
    void setChildRunning(bool running) override;

    // The terminal bell, sent with the next frame.
    void alert() override { bell_ = true; }
    void present() override;

    // The terminal answered the keyboard protocol query and the
    // disambiguation flag is on (until the terminal is put back).
    bool keyboardProtocolOn() const { return keyboardProtocolOn_; }
    int terminalRows() const { return renderer_.terminalRows(); }
    int terminalColumns() const { return renderer_.terminalColumns(); }

private:
    TerminalDevice(int fd, bool ownsFd, Charset charset, const termios& original, int rows, int columns);
    bool setUp(std::string& errorText);
    ScreenState screenState() const;
    void touch(int fromRow, int toRow);
    void touchRun(int row, int column, int count);
    void touchAll();
    // Waits up to waitMs (negative: no limit) for terminal bytes or a
    // resize, and turns what came into events.
    void pump(int waitMs);
    void readTerminal(std::int64_t nowMs);
    void takeWake();
    void terminalResized();
    void takeReplies();
    void awaitLateReplies();
    void terminalLost();
    static std::string enterModes();
    std::string keyModes(bool on) const;
    void takeQueuedKeys();
    void resumeAfterStop();
    void writeOut(const std::string& bytes);

    int fd_;
    bool ownsFd_;
    bool closed_ = false;
    termios original_;
    termios raw_{};
    bool childRunning_ = false;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    int originalRows_;
    int originalColumns_;
    bool sizeUndoRecorded_ = false;

    CellGrid grid_;
    Renderer renderer_;
    KeyDecoder decoder_;
    KeyboardProtocol keyboard_;
    bool keyboardProtocolOn_ = false;
    std::deque<KeyEvent> events_;
    int cursorRow_ = 1;
    int cursorColumn_ = 1;
    CursorShape shape_;
    std::uint8_t defaultAttribute_ = 7;
    bool bell_ = false;
    bool justDrained_ = false;  // the last read left no byte waiting
    int changedFrom_ = 1;       // rows stored into since the last frame
    int changedTo_ = 1 << 30;
    std::string prefix_;  // bytes to send before the next frame
    std::string frame_;   // reused frame buffer
};

}  // namespace corvel::posix
