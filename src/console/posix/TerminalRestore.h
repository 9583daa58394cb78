// Putting the terminal back as it was found, on every way out: a stack of
// undo steps recorded while the terminal is being set up, run once, newest
// first, by a normal close, an exit hook, the fatal-error exit or a signal,
// with every signal that could interrupt them held off meanwhile. A stop
// (SIGTSTP) runs them too and leaves them recorded for the end; the program
// takes the terminal again after it continues.
#pragma once

#include <signal.h>
#include <termios.h>

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unistd.h>

namespace corvel {

// Runs the process's terminal undo steps (terminalRestore()) if they have
// not run yet. Async-signal-safe (write() and tcsetattr() only), idempotent,
// and a no-op in a forked child or when nothing was recorded. Fit to be the
// fatal-exit hook (setFatalExitHook) and to be called from a signal handler.
void restoreTerminalNow() noexcept;

}  // namespace corvel

namespace corvel::posix {

// A fixed-size stack of undo steps: bytes to write to a file descriptor, or
// terminal settings to apply to one. Steps are recorded on the main thread;
// run() may come from a signal handler at any moment and allocates nothing.
class RestoreStack {
public:
    static constexpr int maxSteps = 16;
    static constexpr std::size_t maxBytes = 48;

    // False when the stack is full, the bytes are too long, or it has run.
    bool pushBytes(int fd, std::string_view bytes);
    bool pushTermios(int fd, const termios& settings);
    // Bytes that go out before every other step when the steps cut into a
    // write in progress (see setWriting): they cancel what the write left
    // half-sent. One such step; a second replaces the first.
    bool setCancelBytes(int fd, std::string_view bytes);
    // Whether a write that a signal could cut is in progress.
    void setWriting(bool writing) { writing_.store(writing); }

    // Runs every step, newest first, the first time it is called (in the
    // process that recorded the steps); later calls do nothing. After
    // handBack() without takeBack() the terminal is as it was found, and the
    // steps are only used up.
    void run() noexcept;
    // Runs every step as run() does, but leaves them recorded: the terminal
    // is handed back for a stop. False, doing nothing, when the steps have
    // run or were handed back already. Async-signal-safe.
    bool handBack() noexcept;
    // The program has the terminal again: true when it had been handed back
    // (its set-up must then be done again, with terminal signals held).
    bool takeBack() { return handedBack_.exchange(false); }
    // Handed back for a stop and not taken again yet.
    bool handedBack() const { return handedBack_.load(); }

    // Steps recorded and not yet run.
    bool armed() const { return count_.load() != 0 && !done_.load(); }
    int size() const { return count_.load(); }
    // What run() writes to fd, in order.
    std::string bytesFor(int fd) const;
    // Forgets every step so that a new set can be recorded.
    void reset();

private:
    struct Step {
        int fd = -1;
        bool isTermios = false;
        termios settings{};
        std::size_t length = 0;
        char bytes[maxBytes] = {};
    };
    bool claimSlot(int& index);
    bool ownedHere() const { return count_.load() != 0 && owner_.load() == getpid(); }
    void runSteps() const noexcept;

    Step steps_[maxSteps];
    Step cancel_;
    std::atomic<int> count_{0};
    std::atomic<bool> hasCancel_{false};
    std::atomic<bool> writing_{false};
    std::atomic<bool> done_{false};
    std::atomic<bool> handedBack_{false};
    std::atomic<pid_t> owner_{0};
};

// Holds off, from construction to destruction, the signals whose handlers
// put the terminal back or hand it over (the deadly ones, SIGTSTP and
// SIGCONT). Async-signal-safe.
class TerminalSignalsHeld {
public:
    TerminalSignalsHeld() noexcept;
    ~TerminalSignalsHeld();
    TerminalSignalsHeld(const TerminalSignalsHeld&) = delete;
    TerminalSignalsHeld& operator=(const TerminalSignalsHeld&) = delete;

private:
    sigset_t previous_;
};

// The process's own stack, the one restoreTerminalNow() runs.
RestoreStack& terminalRestore();

// Installs handlers for every signal whose default action ends the process
// (a signal found ignored stays ignored): SIGHUP, SIGTERM and SIGINT only
// ask the program to end (requestedEnd()) and wake the key wait; every other
// one restores the terminal and then ends the process by the same signal
// with its default action. Registers restoreTerminalNow() as an exit hook (once per
// process), and makes SIGWINCH write one byte to resizeWakeFd (a
// non-blocking pipe; -1 for none). SIGTSTP hands the terminal back and
// stops the process; SIGCONT (and the end of such a stop) writes the same
// byte and is reported by takeContinued().
void installTerminalSignalHandlers(int resizeWakeFd);
// Puts back the handlers found by installTerminalSignalHandlers().
void removeTerminalSignalHandlers();
// The hang-up or termination signal that asked the program to end since
// the handlers were installed (the first one), or 0. Async-signal-safe.
int requestedEnd();
// Asks the program to end as that signal would (a terminal gone away).
void requestEnd(int signal);
// Whether the process was stopped or continued since the last call.
bool takeContinued();

}  // namespace corvel::posix
