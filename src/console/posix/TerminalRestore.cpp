#include "console/posix/TerminalRestore.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <unistd.h>

namespace corvel {

void restoreTerminalNow() noexcept { posix::terminalRestore().run(); }

}  // namespace corvel

namespace corvel::posix {
namespace {

// Writes all of data, retrying after EINTR; async-signal-safe.
void writeFully(int fd, const char* data, std::size_t length) {
    int attempts = 0;
    while (length > 0 && attempts < 100) {
        ssize_t n = ::write(fd, data, length);
        if (n > 0) {
            data += n;
            length -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            ++attempts;
        } else {
            return;  // the terminal is gone or will not take more
        }
    }
}

// A hang-up or a termination request: the main flow is asked to end (see
// requestedEnd()), so that it can keep what must be kept first.
bool isEndSignal(int signal) { return signal == SIGHUP || signal == SIGTERM || signal == SIGINT; }

// Whether a signal's default action ends the process: all but those that
// cannot be caught, stop the process, or are ignored by default.
bool endsProcessByDefault(int signal) {
    switch (signal) {
    case SIGKILL: case SIGSTOP: case SIGTSTP: case SIGTTIN: case SIGTTOU:
    case SIGCHLD: case SIGCONT: case SIGURG: case SIGWINCH:
        return false;
    default:
        return true;
    }
}

struct SavedHandlers {
    bool installed = false;
    bool ownStack = false;
    stack_t stack;
    // What each signal had before, for the ones given a handler here.
    struct sigaction previous[NSIG];
    bool replaced[NSIG];
    struct sigaction resize;
    struct sigaction stop;
    struct sigaction resume;
};
SavedHandlers saved;

std::atomic<int> endRequest{0};

volatile sig_atomic_t resizeFd = -1;
std::atomic<bool> continued{false};

// The signals whose handlers touch the terminal: none of them may cut into
// another's work, nor into the main thread's restore.
sigset_t terminalSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal = 1; signal < NSIG; ++signal) {
        if (endsProcessByDefault(signal)) sigaddset(&set, signal);
    }
    sigaddset(&set, SIGTSTP);
    sigaddset(&set, SIGCONT);
    return set;
}

void wake() {
    int fd = resizeFd;
    if (fd >= 0) {
        char byte = 'w';
        [[maybe_unused]] ssize_t n = ::write(fd, &byte, 1);
    }
}

// The deadly signals are handled on a stack of their own, so that a crash by
// stack overflow still restores the terminal.
alignas(16) char signalStack[64 * 1024];

extern "C" void onDeadlySignal(int signal) {
    int savedErrno = errno;
    restoreTerminalNow();
    struct sigaction fallback;
    std::memset(&fallback, 0, sizeof fallback);
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    // Blocked while this handler runs: delivered with the default action as
    // it returns (a fault re-executes its instruction and faults again).
    raise(signal);
    errno = savedErrno;
}

// Only recorded, the first one counts: the key waits and the program's end
// see it. No terminal or file work here.
extern "C" void onEndRequest(int signal) {
    int savedErrno = errno;
    int none = 0;
    endRequest.compare_exchange_strong(none, signal);
    wake();
    errno = savedErrno;
}

extern "C" void onResize(int) {
    int savedErrno = errno;
    wake();
    errno = savedErrno;
}

// Hands the terminal back, stops by the default action, and on going on
// (or at once, in a process group whose stop the system refuses) has the
// program take the terminal again.
extern "C" void onStop(int) {
    int savedErrno = errno;
    terminalRestore().handBack();
    struct sigaction standard;
    struct sigaction mine;
    std::memset(&standard, 0, sizeof standard);
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(SIGTSTP, &standard, &mine);
    raise(SIGTSTP);
    sigset_t stop;
    sigset_t previous;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    pthread_sigmask(SIG_UNBLOCK, &stop, &previous);  // stopped here
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    sigaction(SIGTSTP, &mine, nullptr);
    continued.store(true);
    wake();
    errno = savedErrno;
}

extern "C" void onContinue(int) {
    int savedErrno = errno;
    continued.store(true);
    wake();
    errno = savedErrno;
}

extern "C" void restoreAtExit() { restoreTerminalNow(); }

}  // namespace

bool RestoreStack::claimSlot(int& index) {
    if (done_.load()) return false;
    index = count_.load();
    if (index >= maxSteps) return false;
    if (index == 0) owner_.store(getpid());
    return true;
}

bool RestoreStack::pushBytes(int fd, std::string_view bytes) {
    int index;
    if (bytes.size() > maxBytes || !claimSlot(index)) return false;
    Step& step = steps_[index];
    step.fd = fd;
    step.isTermios = false;
    step.length = bytes.size();
    std::memcpy(step.bytes, bytes.data(), bytes.size());
    count_.store(index + 1);
    return true;
}

bool RestoreStack::pushTermios(int fd, const termios& settings) {
    int index;
    if (!claimSlot(index)) return false;
    Step& step = steps_[index];
    step.fd = fd;
    step.isTermios = true;
    step.settings = settings;
    step.length = 0;
    count_.store(index + 1);
    return true;
}

bool RestoreStack::setCancelBytes(int fd, std::string_view bytes) {
    if (bytes.size() > maxBytes || done_.load()) return false;
    hasCancel_.store(false);
    cancel_.fd = fd;
    cancel_.length = bytes.size();
    std::memcpy(cancel_.bytes, bytes.data(), bytes.size());
    hasCancel_.store(true);
    return true;
}

void RestoreStack::run() noexcept {
    if (!ownedHere()) return;
    TerminalSignalsHeld held;
    if (done_.exchange(true) || handedBack_.load()) return;
    runSteps();
}

bool RestoreStack::handBack() noexcept {
    if (!ownedHere()) return false;
    TerminalSignalsHeld held;
    if (done_.load() || handedBack_.exchange(true)) return false;
    runSteps();
    return true;
}

void RestoreStack::runSteps() const noexcept {
    if (hasCancel_.load() && writing_.load()) writeFully(cancel_.fd, cancel_.bytes, cancel_.length);
    // Neighbouring byte steps for the same descriptor go out in one write.
    char batch[maxSteps * maxBytes];
    std::size_t batched = 0;
    int batchFd = -1;
    auto flush = [&] {
        if (batched != 0) writeFully(batchFd, batch, batched);
        batched = 0;
    };
    for (int i = count_.load() - 1; i >= 0; --i) {
        const Step& step = steps_[i];
        if (step.isTermios) {
            flush();
            while (tcsetattr(step.fd, TCSANOW, &step.settings) != 0 && errno == EINTR) {
            }
        } else {
            if (step.fd != batchFd) flush();
            batchFd = step.fd;
            std::memcpy(batch + batched, step.bytes, step.length);
            batched += step.length;
        }
    }
    flush();
}

std::string RestoreStack::bytesFor(int fd) const {
    std::string out;
    for (int i = count_.load() - 1; i >= 0; --i) {
        const Step& step = steps_[i];
        if (!step.isTermios && step.fd == fd) out.append(step.bytes, step.length);
    }
    return out;
}

void RestoreStack::reset() {
    count_.store(0);
    hasCancel_.store(false);
    writing_.store(false);
    owner_.store(0);
    done_.store(false);
    handedBack_.store(false);
}

TerminalSignalsHeld::TerminalSignalsHeld() noexcept {
    sigset_t held = terminalSignals();
    pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

TerminalSignalsHeld::~TerminalSignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

int requestedEnd() { return endRequest.load(); }

void requestEnd(int signal) {
    int none = 0;
    endRequest.compare_exchange_strong(none, signal);
}

bool takeContinued() { return continued.load() && continued.exchange(false); }

RestoreStack& terminalRestore() {
    static RestoreStack stack;
    return stack;
}

void installTerminalSignalHandlers(int resizeWakeFd) {
    static bool exitHookRegistered = false;
    if (!exitHookRegistered) {
        std::atexit(restoreAtExit);
        exitHookRegistered = true;
    }
    if (saved.installed) removeTerminalSignalHandlers();
    resizeFd = resizeWakeFd;

    stack_t own{};
    own.ss_sp = signalStack;
    own.ss_size = sizeof signalStack;
    saved.ownStack = sigaltstack(&own, &saved.stack) == 0;

    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_mask = terminalSignals();
    endRequest.store(0);
    for (int signal = 1; signal < NSIG; ++signal) {
        saved.replaced[signal] = false;
        if (!endsProcessByDefault(signal) || sigaction(signal, nullptr, &saved.previous[signal]) != 0) continue;
        if (saved.previous[signal].sa_handler == SIG_IGN) continue;  // e.g. SIGHUP under nohup
        action.sa_handler = isEndSignal(signal) ? onEndRequest : onDeadlySignal;
        action.sa_flags = isEndSignal(signal) ? SA_RESTART : SA_ONSTACK;
        saved.replaced[signal] = sigaction(signal, &action, nullptr) == 0;
    }
    action.sa_flags = SA_RESTART;
    action.sa_handler = onStop;
    sigaction(SIGTSTP, nullptr, &saved.stop);
    if (saved.stop.sa_handler != SIG_IGN) sigaction(SIGTSTP, &action, nullptr);  // ignored: no job control
    action.sa_handler = onContinue;
    sigaction(SIGCONT, &action, &saved.resume);
    sigemptyset(&action.sa_mask);
    action.sa_handler = onResize;
    sigaction(SIGWINCH, &action, &saved.resize);
    continued.store(false);
    saved.installed = true;
}

void removeTerminalSignalHandlers() {
    if (!saved.installed) return;
    for (int signal = 1; signal < NSIG; ++signal) {
        if (saved.replaced[signal]) sigaction(signal, &saved.previous[signal], nullptr);
        saved.replaced[signal] = false;
    }
    sigaction(SIGWINCH, &saved.resize, nullptr);
    sigaction(SIGTSTP, &saved.stop, nullptr);
    sigaction(SIGCONT, &saved.resume, nullptr);
    if (saved.ownStack) sigaltstack(&saved.stack, nullptr);
    saved.ownStack = false;
    resizeFd = -1;
    saved.installed = false;
}

}  // namespace corvel::posix
