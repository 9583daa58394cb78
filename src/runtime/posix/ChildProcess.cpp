// Running a child in the same terminal: fork and exec, a pipe for its
// output, a second close-on-exec pipe that carries a failed exec's errno
// back, then reading the output until the child ends, with SIGINT and
// SIGQUIT ignored meanwhile as a shell ignores them.
#include "runtime/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime/SystemCall.h"

namespace corvel {

namespace {

struct Pipe {
    int readEnd = -1;
    int writeEnd = -1;
};

void closeFd(int& fd) {
    if (fd < 0) return;
    const int closing = fd;
    callSystem("close", [&] { return ::close(closing); });
    fd = -1;
}

int openPipe(Pipe& pipe) {
    int fds[2] = {-1, -1};
    SystemResult made = callSystem("pipe", [&] { return ::pipe2(fds, O_CLOEXEC); });
    if (made.failed()) return made.error;
    pipe = {fds[0], fds[1]};
    return 0;
}

// Keeps a descriptor clear of 0..2, which the child is about to replace.
int aboveStandard(int fd) { return fd > 2 ? fd : ::fcntl(fd, F_DUPFD_CLOEXEC, 3); }

// In the child: only async-signal-safe calls from here to exec.
[[noreturn]] void becomeChild(const std::string& path, char* const* argv, bool wait,
                              int output, int status) {
    output = aboveStandard(output);
    status = aboveStandard(status);
    int input = ::open("/dev/tty", O_RDONLY);
    if (input >= 0 && input != 0) {
        ::dup2(input, 0);
        ::close(input);
    }
    if (!wait) output = ::open("/dev/null", O_WRONLY);
    ::dup2(output, 1);
    ::dup2(output, 2);
    if (!wait && output > 2) ::close(output);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &standard, nullptr);
    ::sigaction(SIGXFSZ, &standard, nullptr);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execv(path.c_str(), argv);
    const int error = errno;
    [[maybe_unused]] ssize_t sent = ::write(status, &error, sizeof error);
    ::_exit(127);
}

// 0 when the exec worked, else its errno (the status pipe is then read
// to its end).
int execError(int statusRead) {
    int error = 0;
    ssize_t got;
    do {
        got = ::read(statusRead, &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

int exitCodeOf(int status) {
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 0;
}

int waitForExit(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return 0;
    }
    return exitCodeOf(status);
}

// Hands one read of the pipe to the sink; false at its end or on an error.
bool passOutput(int fd, const OutputSink& sink) {
    char buffer[4096];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) return true;
    if (got <= 0) return false;
    if (sink) sink(std::string_view(buffer, static_cast<std::size_t>(got)));
    return true;
}

// How often the child is looked at while its pipe stays open and quiet.
constexpr int childLookMs = 20;

// Passes the child's output on until the child has ended, then what the pipe
// already holds (at most a pipe's worth). A process the child left behind
// that keeps the pipe open is not waited for: the pipe is left to it.
int awaitChild(pid_t pid, int output, const OutputSink& sink) {
    constexpr int drainReads = 16;  // 64 KiB, what a pipe holds
    bool pipeOpen = true;
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(pid, &status, pipeOpen ? WNOHANG : 0);
        if (ended == pid) {
            pollfd ready{output, POLLIN, 0};
            for (int i = 0; pipeOpen && i < drainReads && ::poll(&ready, 1, 0) > 0; ++i) {
                pipeOpen = passOutput(output, sink);
            }
            return exitCodeOf(status);
        }
        if (ended < 0 && errno != EINTR) return 0;
        if (!pipeOpen) continue;
        pollfd ready{output, POLLIN, 0};
        if (::poll(&ready, 1, childLookMs) > 0) pipeOpen = passOutput(output, sink);
    }
}

// Ignores SIGINT and SIGQUIT in this process from construction to
// destruction; blocked around the fork so that neither slips in between.
class InterruptsIgnored {
public:
    InterruptsIgnored() {
        sigemptyset(&interrupts_);
        sigaddset(&interrupts_, SIGINT);
        sigaddset(&interrupts_, SIGQUIT);
        ::sigprocmask(SIG_BLOCK, &interrupts_, &mask_);
    }
    // In the parent after the fork: ignored from now on.
    void ignore() {
        struct sigaction ignored {};
        ignored.sa_handler = SIG_IGN;
        sigemptyset(&ignored.sa_mask);
        ::sigaction(SIGINT, &ignored, &interrupt_);
        ::sigaction(SIGQUIT, &ignored, &quit_);
        ignoring_ = true;
        ::sigprocmask(SIG_SETMASK, &mask_, nullptr);
    }
    ~InterruptsIgnored() {
        if (!ignoring_) {
            ::sigprocmask(SIG_SETMASK, &mask_, nullptr);
            return;
        }
        ::sigaction(SIGINT, &interrupt_, nullptr);
        ::sigaction(SIGQUIT, &quit_, nullptr);
    }
    InterruptsIgnored(const InterruptsIgnored&) = delete;
    InterruptsIgnored& operator=(const InterruptsIgnored&) = delete;

private:
    sigset_t interrupts_;
    sigset_t mask_;
    struct sigaction interrupt_ {};
    struct sigaction quit_ {};
    bool ignoring_ = false;
};

}  // namespace

ChildOutcome runChild(const std::string& path, const std::vector<std::string>& arguments,
                      bool wait, const OutputSink& sink) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    ChildOutcome outcome;
    Pipe output;
    Pipe status;
    if ((outcome.error = openPipe(output)) != 0) return outcome;
    if ((outcome.error = openPipe(status)) != 0) {
        closeFd(output.readEnd);
        closeFd(output.writeEnd);
        return outcome;
    }
    InterruptsIgnored interrupts;
    SystemResult forked = callSystem("fork", [] { return ::fork(); });
    if (forked.value == 0) becomeChild(path, argv.data(), wait, output.writeEnd, status.writeEnd);
    if (wait && !forked.failed()) interrupts.ignore();
    closeFd(output.writeEnd);
    closeFd(status.writeEnd);
    if (forked.failed()) {
        // Out of processes is reported as the memory it stands for.
        outcome.error = forked.error == EAGAIN ? ENOMEM : forked.error;
    } else if (int error = execError(status.readEnd); error != 0) {
        waitForExit(static_cast<pid_t>(forked.value));
        outcome.error = error;
    } else {
        outcome.started = true;
        outcome.pid = static_cast<pid_t>(forked.value);
        if (wait) outcome.exitCode = awaitChild(outcome.pid, output.readEnd, sink);
    }
    closeFd(status.readEnd);
    closeFd(output.readEnd);
    return outcome;
}

}  // namespace corvel
