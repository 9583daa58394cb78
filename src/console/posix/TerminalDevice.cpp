#include "console/posix/TerminalDevice.h"

#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <strings.h>
#include <utility>

#include "console/posix/TerminalRestore.h"

namespace corvel::posix {
namespace {

// Entering: the alternate screen, no autowrap (a write into the last column
// must not wrap or scroll). Leaving undoes each in reverse.
constexpr std::string_view enterAlternateScreen = "\x1b[?1049h";
constexpr std::string_view leaveAlternateScreen = "\x1b[?1049l";
constexpr std::string_view autowrapOff = "\x1b[?7l";
constexpr std::string_view autowrapOn = "\x1b[?7h";
// Bracketed paste: a paste comes between markers, so it is never taken as keys.
constexpr std::string_view bracketedPasteOn = "\x1b[?2004h";
constexpr std::string_view bracketedPasteOff = "\x1b[?2004l";
// Colours, cursor shape (the terminal's default) and a visible cursor.
constexpr std::string_view resetScreenState = "\x1b[0m\x1b[0 q\x1b[?25h";
// What the terminal is told first when it is put back in the middle of a
// write: cancel a sequence that the signal cut off (CAN) and leave a
// synchronized update the terminal may have been left in, which would
// freeze its display.
constexpr std::string_view cancelHalfSent = "\x18\x1b[?2026l";
// How long closing waits for an unanswered query's reply, which would
// otherwise reach the shell as typed text.
constexpr int lateReplyWaitMs = 100;

std::int64_t nowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void makeRaw(termios& t) {
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    t.c_cflag |= CS8;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

// The largest terminal taken as it is, as large as the console-size
// command can make the buffer; a larger size (a bogus one from a remote
// client) is cut to it, and the rest of the terminal stays blank.
constexpr int largestTerminalRows = 9999;
constexpr int largestTerminalColumns = 999;

void terminalSize(int fd, int& rows, int& columns) {
    winsize ws{};
    rows = columns = 0;
    if (ioctl(fd, TIOCGWINSZ, &ws) == 0) {
        rows = ws.ws_row;
        columns = ws.ws_col;
    }
    auto fromEnvironment = [](const char* name, int fallback) {
        const char* value = std::getenv(name);
        int n = value ? std::atoi(value) : 0;
        return n > 0 ? n : fallback;
    };
    if (rows <= 0) rows = fromEnvironment("LINES", 24);
    if (columns <= 0) columns = fromEnvironment("COLUMNS", 80);
    rows = std::min(rows, largestTerminalRows);
    columns = std::min(columns, largestTerminalColumns);
}

// Writes all of bytes in one write() when the terminal takes it, going on
// after short writes and interruptions. A stop that hands the terminal back
// in the middle drops the rest: it would land on the shell's screen, and
// going on repaints everything anyway.
void writeAll(int fd, const char* data, std::size_t length) {
    while (length > 0 && !terminalRestore().handedBack()) {
        ssize_t n = ::write(fd, data, length);
        if (n > 0) {
            data += n;
            length -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, -1);
        } else {
            return;
        }
    }
}

// Asks the terminal to take a size (which many leave as it is).
std::string sizeRequest(int rows, int columns) {
    return "\x1b[8;" + std::to_string(rows) + ";" + std::to_string(columns) + "t";
}

// Terminals erase in the current background colour, all but a terminal
// multiplexer that calls itself "screen" (outside tmux, which does), where
// it is a setting that is off by default.
bool erasesInBackground() {
    const char* term = std::getenv("TERM");
    if (term == nullptr || std::strncmp(term, "screen", 6) != 0) return true;
    return std::getenv("TMUX") != nullptr;
}

}  // namespace

bool TerminalDevice::localeIsUtf8() {
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    std::string saved = current ? current : "C";
    bool utf8 = false;
    if (std::setlocale(LC_CTYPE, "") != nullptr) {
        const char* codeset = nl_langinfo(CODESET);
        utf8 = codeset != nullptr && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "UTF8") == 0);
    }
    std::setlocale(LC_CTYPE, saved.c_str());
    return utf8;
}

std::unique_ptr<TerminalDevice> TerminalDevice::open(Charset charset, std::string& errorText) {
    int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        errorText = std::string("no terminal to run in: cannot open /dev/tty: ") + std::strerror(errno);
        return nullptr;
    }
    auto device = openOn(fd, true, charset, errorText);
    if (device) device->renderer_.setBackColourErase(erasesInBackground());
    return device;
}

std::unique_ptr<TerminalDevice> TerminalDevice::openOn(int fd, bool ownsFd, Charset charset,
                                                       std::string& errorText) {
    auto fail = [&](std::string text) -> std::unique_ptr<TerminalDevice> {
        errorText = std::move(text);
        if (ownsFd) ::close(fd);
        return nullptr;
    };
    termios original;
    if (!isatty(fd) || tcgetattr(fd, &original) != 0) {
        return fail("no terminal to run in: the device is not a terminal");
    }
    if (terminalRestore().armed()) return fail("the terminal is already in use by this program");
    int rows, columns;
    terminalSize(fd, rows, columns);
    std::unique_ptr<TerminalDevice> device(new TerminalDevice(fd, ownsFd, charset, original, rows, columns));
    if (!device->setUp(errorText)) {
        device->closed_ = true;
        if (ownsFd) ::close(fd);
        return nullptr;
    }
    return device;
}

TerminalDevice::TerminalDevice(int fd, bool ownsFd, Charset charset, const termios& original, int rows,
                               int columns)
    : fd_(fd),
      ownsFd_(ownsFd),
      original_(original),
      originalRows_(rows),
      originalColumns_(columns),
      grid_(columns, rows, 7),
      renderer_(charset, rows, columns),
      decoder_(charset, escTimeoutFromText(std::getenv("ESCDELAY"))) {}

bool TerminalDevice::setUp(std::string& errorText) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        errorText = std::string("cannot set up the terminal: ") + std::strerror(errno);
        return false;
    }
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];

    // Each undo step is recorded before the change it undoes.
    RestoreStack& restore = terminalRestore();
    restore.pushTermios(fd_, original_);
    installTerminalSignalHandlers(wakeWrite_);
    raw_ = original_;
    makeRaw(raw_);
    if (tcsetattr(fd_, TCSADRAIN, &raw_) != 0) {
        errorText = std::string("cannot put the terminal in raw mode: ") + std::strerror(errno);
        restoreTerminalNow();
        removeTerminalSignalHandlers();
        restore.reset();
        ::close(wakeRead_);
        ::close(wakeWrite_);
        return false;
    }
    restore.pushBytes(fd_, leaveAlternateScreen);
    restore.pushBytes(fd_, autowrapOn);
    restore.pushBytes(fd_, bracketedPasteOff);
    restore.pushBytes(fd_, resetScreenState);
    restore.setCancelBytes(fd_, cancelHalfSent);
    writeOut(enterModes() + std::string(bracketedPasteOn) + std::string(KeyboardProtocol::query));
    return true;
}

std::string TerminalDevice::enterModes() {
    std::string enter;
    enter += enterAlternateScreen;
    enter += autowrapOff;
    return enter;
}

// Pastes marked and keys in the keyboard protocol's form: the form's, not a
// child's, which gets the terminal's plain keys (Ctrl+C as an interrupt).
std::string TerminalDevice::keyModes(bool on) const {
    std::string modes(on ? bracketedPasteOn : bracketedPasteOff);
    if (keyboardProtocolOn_) modes += on ? KeyboardProtocol::switchOn : KeyboardProtocol::switchOff;
    return modes;
}

void TerminalDevice::setChildRunning(bool running) {
    if (closed_ || running == childRunning_) return;
    childRunning_ = running;
    // Memory running out here costs at most the key modes or the keys typed
    // meanwhile, never the terminal's settings.
    if (running) {
        // The child gets the terminal as it was found, as a shell gives it.
        try {
            writeOut(keyModes(false));
        } catch (const std::bad_alloc&) {
        }
        tcsetattr(fd_, TCSADRAIN, &original_);
        return;
    }
    tcsetattr(fd_, TCSADRAIN, &raw_);
    try {
        resumeAfterStop();
        writeOut(keyModes(true));
        takeQueuedKeys();
    } catch (const std::bad_alloc&) {
    }
    // What the child or the terminal's echo drew meanwhile is painted over.
    renderer_.invalidate();
    touchAll();
}

// Keys typed while the child ran: they wait in the terminal, which stored
// Enter as a line feed if it translates one into the other.
void TerminalDevice::takeQueuedKeys() {
    std::string queued;
    pollfd ready{fd_, POLLIN, 0};
    char buffer[4096];
    while (poll(&ready, 1, 0) > 0 && (ready.revents & POLLIN)) {
        ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) break;
        queued.append(buffer, static_cast<std::size_t>(n));
    }
    if (original_.c_iflag & ICRNL) std::replace(queued.begin(), queued.end(), '\n', '\r');
    decoder_.feedQueued(queued, nowMs());
    decoder_.takeInto(events_);
    takeReplies();
}

// After a stop or a continue: the terminal set up again where the stop
// handed it back, its settings taken again in any case (the shell may have
// changed them), and every cell painted anew over what the shell drew.
void TerminalDevice::resumeAfterStop() {
    if (closed_ || !takeContinued()) return;
    TerminalSignalsHeld held;
    // The settings first: continued in the background, the program stops
    // here (SIGTTOU) before it has written anything to the shell's screen.
    tcsetattr(fd_, TCSADRAIN, childRunning_ ? &original_ : &raw_);
    if (terminalRestore().takeBack()) {
        std::string enter = enterModes();
        if (!childRunning_) enter += keyModes(true);
        if (sizeUndoRecorded_) enter += sizeRequest(grid_.height(), grid_.width());
        writeOut(enter);
    }
    terminalResized();
    renderer_.invalidate();
    touchAll();
}

TerminalDevice::~TerminalDevice() { close(); }

void TerminalDevice::close() {
    if (closed_) return;
    present();
    awaitLateReplies();
    restoreTerminalNow();
    removeTerminalSignalHandlers();
    terminalRestore().reset();
    ::close(wakeRead_);
    ::close(wakeWrite_);
    if (ownsFd_) ::close(fd_);
    closed_ = true;
}

void TerminalDevice::writeOut(const std::string& bytes) {
    if (bytes.empty()) return;
    RestoreStack& restore = terminalRestore();
    restore.setWriting(true);
    writeAll(fd_, bytes.data(), bytes.size());
    restore.setWriting(false);
}

void TerminalDevice::resize(int columns, int rows) {
    columns = std::max(columns, 1);
    rows = std::max(rows, 1);
    grid_.resize(columns, rows, defaultAttribute_);
    touchAll();
    cursorRow_ = std::min(cursorRow_, rows);
    cursorColumn_ = std::min(cursorColumn_, columns);
    if (rows == renderer_.terminalRows() && columns == renderer_.terminalColumns()) return;
    if (!sizeUndoRecorded_) {
        sizeUndoRecorded_ = terminalRestore().pushBytes(fd_, sizeRequest(originalRows_, originalColumns_));
    }
    prefix_ += sizeRequest(rows, columns);
}

void TerminalDevice::setCursor(int row, int column) {
    cursorRow_ = std::clamp(row, 1, grid_.height());
    cursorColumn_ = std::clamp(column, 1, grid_.width());
}

void TerminalDevice::writeCells(int row, int column, const Cell* cells, int count) {
    grid_.writeCells(row, column, cells, count);
    touch(row, row);
}

void TerminalDevice::scrollUp(std::uint8_t fillAttribute) {
    grid_.scrollUp(fillAttribute);
    touchAll();
}

void TerminalDevice::fillCharacters(int row, int column, int count, std::uint8_t character) {
    grid_.fillCharacters(row, column, count, character);
    touchRun(row, column, count);
}

void TerminalDevice::fillAttributes(int row, int column, int count, std::uint8_t attribute) {
    grid_.fillAttributes(row, column, count, attribute);
    touchRun(row, column, count);
}

// Rows (1-based) that a store may have changed since the last frame.
void TerminalDevice::touch(int fromRow, int toRow) {
    changedFrom_ = std::min(changedFrom_, fromRow);
    changedTo_ = std::max(changedTo_, toRow);
}

void TerminalDevice::touchRun(int row, int column, int count) {
    if (count > 0) touch(row, row + (column - 1 + count - 1) / std::max(grid_.width(), 1));
}

void TerminalDevice::touchAll() { touch(1, grid_.height()); }

ScreenState TerminalDevice::screenState() const {
    ScreenState state = ScreenState::of(grid_, cursorRow_, cursorColumn_, shape_);
    state.changedFrom = changedFrom_ - 1;
    state.changedTo = changedTo_ - 1;
    return state;
}

void TerminalDevice::present() {
    if (closed_) return;
    // The form waits for a child and reads no keys: a resize meanwhile is
    // seen here, so that the child's output is shown at the new size.
    if (childRunning_) takeWake();
    resumeAfterStop();
    frame_.clear();
    frame_ += prefix_;
    prefix_.clear();
    renderer_.render(screenState(), frame_);
    changedFrom_ = grid_.height() + 1;
    changedTo_ = 0;
    if (bell_) frame_ += '\a';
    bell_ = false;
    if (!childRunning_ || frame_.empty()) {
        writeOut(frame_);
        return;
    }
    // A running child has the terminal's own settings, whose output
    // processing would make the frame's line feeds new lines.
    termios plain = original_;
    plain.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tcsetattr(fd_, TCSADRAIN, &plain);
    writeOut(frame_);
    tcsetattr(fd_, TCSADRAIN, &original_);
}

bool TerminalDevice::peekEvent(KeyEvent& event) {
    // Right after a read that emptied the terminal's queue a key can only
    // have come in the microseconds since, and the next wait sees it: the
    // first look then skips its system call, so that the frame of the key
    // just read goes out without waiting behind one.
    if (events_.empty() && !closed_ && !std::exchange(justDrained_, false)) pump(0);
    if (events_.empty()) return false;
    event = events_.front();
    return true;
}

void TerminalDevice::takeEvent() {
    if (!events_.empty()) events_.pop_front();
}

bool TerminalDevice::waitEvent(int timeoutMs) {
    // Keys already typed (a paste, typing ahead: the last look for a key
    // found more waiting) are taken without a frame each; the screen is
    // brought up to date once they are used up.
    if (!events_.empty()) return true;
    present();
    if (closed_) return false;
    std::int64_t start = nowMs();
    for (;;) {
        if (!events_.empty()) return true;
        if (requestedEnd() != 0) return false;  // nothing more is waited for
        std::int64_t now = nowMs();
        std::int64_t wait = -1;
        if (timeoutMs >= 0) {
            wait = std::max<std::int64_t>(0, start + timeoutMs - now);
        }
        if (auto deadline = decoder_.deadline()) {
            std::int64_t untilDeadline = std::max<std::int64_t>(0, *deadline - now);
            wait = wait < 0 ? untilDeadline : std::min(wait, untilDeadline);
        }
        pump(static_cast<int>(std::min<std::int64_t>(wait, 1 << 30)));
        if (!events_.empty()) return true;
        if (timeoutMs >= 0 && nowMs() - start >= timeoutMs) return false;
    }
}

void TerminalDevice::pump(int waitMs) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    int ready = poll(fds, 2, waitMs);
    std::int64_t now = nowMs();
    if (ready > 0) {
        if (fds[1].revents & POLLIN) takeWake();
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) readTerminal(now);
    }
    resumeAfterStop();
    decoder_.expire(now);
    decoder_.takeInto(events_);
    takeReplies();
}

void TerminalDevice::takeReplies() {
    for (const TerminalReply& reply : decoder_.takeReplies()) {
        if (!keyboard_.take(reply)) continue;
        // Switched on only once switching off is sure to follow.
        if (terminalRestore().pushBytes(fd_, KeyboardProtocol::switchOff)) {
            writeOut(std::string(KeyboardProtocol::switchOn));
            keyboardProtocolOn_ = true;
        }
    }
}

void TerminalDevice::awaitLateReplies() {
    std::int64_t until = nowMs() + lateReplyWaitMs;
    while (keyboard_.awaitingReply()) {
        std::int64_t left = until - nowMs();
        pollfd p{fd_, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0 || !(p.revents & POLLIN)) return;
        char buffer[256];
        ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) return;
        decoder_.feed(std::string_view(buffer, static_cast<std::size_t>(n)), nowMs());
        takeReplies();
    }
}

void TerminalDevice::readTerminal(std::int64_t nowMs) {
    char buffer[4096];
    ssize_t n = ::read(fd_, buffer, sizeof buffer);
    justDrained_ = n > 0 && static_cast<std::size_t>(n) < sizeof buffer;
    if (n > 0) {
        decoder_.feed(std::string_view(buffer, static_cast<std::size_t>(n)), nowMs);
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        terminalLost();
    }
}

// A resize or a continue rang the wake pipe: the size is asked again.
void TerminalDevice::takeWake() {
    char drain[64];
    bool woken = false;
    while (::read(wakeRead_, drain, sizeof drain) > 0) woken = true;
    if (woken) terminalResized();
}

void TerminalDevice::terminalResized() {
    int rows, columns;
    terminalSize(fd_, rows, columns);
    try {
        renderer_.setTerminalSize(rows, columns);
    } catch (const std::bad_alloc&) {
        renderer_.invalidate();  // no memory for the new size: the old one, painted anew
    }
    // Wakes the waiter; the console services skip it.
    KeyEvent wake;
    wake.isKey = false;
    events_.push_back(wake);
}

void TerminalDevice::terminalLost() {
    // The terminal hung up: nobody can answer a key any more. The program is
    // asked to end as a hang-up asks it, whatever the disposition of SIGHUP,
    // and keeps what it must keep first; writes to the terminal now fail at
    // once and are skipped.
    requestEnd(SIGHUP);
}

}  // namespace corvel::posix
