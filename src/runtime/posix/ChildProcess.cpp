// Running a child in the same terminal: fork and exec, a pipe for its
// output, a second close-on-exec pipe that carries a failed exec's errno
// back, then reading the output until the child ends. Pipe ends and the
// child have owners, so no way out leaves one open or unwaited; SIGINT and
// SIGQUIT are ignored around it as a shell ignores them.
#include "runtime/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <utility>

#include "runtime/SystemCall.h"

namespace corvel {

namespace {

// A descriptor of ours, closed when its owner ends unless closed before.
class OwnedFd {
public:
    OwnedFd() = default;
    ~OwnedFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    OwnedFd(const OwnedFd&) = delete;
    OwnedFd& operator=(const OwnedFd&) = delete;

    int get() const { return fd_; }
    void own(int fd) { fd_ = fd; }
    // Closes it through the gateway; it is gone even when that reports an
    // error, and still ours when the gateway gives up before the call.
    void close() {
        if (fd_ < 0) return;
        const int closing = fd_;
        callSystem("close", [&] { return ::close(closing); });
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

struct Pipe {
    OwnedFd readEnd;
    OwnedFd writeEnd;
};

int openPipe(Pipe& pipe) {
    int fds[2] = {-1, -1};
    SystemResult made = callSystem("pipe", [&] { return ::pipe2(fds, O_CLOEXEC); });
    if (made.failed()) return made.error;
    pipe.readEnd.own(fds[0]);
    pipe.writeEnd.own(fds[1]);
    return 0;
}

// The signals of the interrupt keys as they were before InterruptsIgnored,
// while one lives (depth above 0).
struct SavedInterrupts {
    struct sigaction interrupt {};
    struct sigaction quit {};
    int depth = 0;
};
SavedInterrupts savedInterrupts;

// In the child: the interrupt keys' signals as the program had them before
// it ignored them for the wait. Ignored stays ignored; a handler becomes the
// default, as exec would make it.
void restoreInterrupts() {
    if (savedInterrupts.depth == 0) return;
    const std::pair<int, const struct sigaction*> saved[] = {{SIGINT, &savedInterrupts.interrupt},
                                                             {SIGQUIT, &savedInterrupts.quit}};
    for (const auto& [signal, before] : saved) {
        struct sigaction action {};
        action.sa_handler = before->sa_handler == SIG_IGN ? SIG_IGN : SIG_DFL;
        ::sigaction(signal, &action, nullptr);
    }
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
    restoreInterrupts();
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

// A started child, waited for when its owner ends unless waited for before:
// no child is left unwaited on any way out.
class StartedChild {
public:
    StartedChild() = default;
    ~StartedChild() {
        if (pid_ > 0) waitForExit(pid_);
    }
    StartedChild(const StartedChild&) = delete;
    StartedChild& operator=(const StartedChild&) = delete;

    pid_t pid() const { return pid_; }
    void own(pid_t pid) { pid_ = pid; }
    void waited() { pid_ = -1; }

private:
    pid_t pid_ = -1;
};

// Hands one read of the pipe to the sink; false at its end or on an error.
bool passOutput(int fd, const OutputSink& sink) {
    char buffer[4096];
    const SystemResult got = callSystem("read", [&] { return ::read(fd, buffer, sizeof buffer); });
    if (got.failed() && got.error == EINTR) return true;
    if (got.value <= 0) return false;
    if (sink) sink(std::string_view(buffer, static_cast<std::size_t>(got.value)));
    return true;
}

// How often the child is looked at while its pipe stays open and quiet.
constexpr int childLookMs = 20;

// Passes the child's output on until the child has ended, then what the pipe
// already holds (at most a pipe's worth). A process the child left behind
// that keeps the pipe open is not waited for: the pipe is left to it.
int awaitChild(StartedChild& child, int output, const OutputSink& sink) {
    constexpr int drainReads = 16;  // 64 KiB, what a pipe holds
    const pid_t pid = child.pid();
    bool pipeOpen = true;
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(pid, &status, pipeOpen ? WNOHANG : 0);
        if (ended == pid || (ended < 0 && errno != EINTR)) child.waited();
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

}  // namespace

InterruptsIgnored::InterruptsIgnored() {
    if (savedInterrupts.depth++ > 0) return;
    struct sigaction ignored {};
    ignored.sa_handler = SIG_IGN;
    sigemptyset(&ignored.sa_mask);
    ::sigaction(SIGINT, &ignored, &savedInterrupts.interrupt);
    ::sigaction(SIGQUIT, &ignored, &savedInterrupts.quit);
}

InterruptsIgnored::~InterruptsIgnored() {
    if (--savedInterrupts.depth > 0) return;
    ::sigaction(SIGINT, &savedInterrupts.interrupt, nullptr);
    ::sigaction(SIGQUIT, &savedInterrupts.quit, nullptr);
}

// The child is declared before its pipes: on an exception the pipes close
// first, so a child still writing ends, and is then waited for.
ChildOutcome runChild(const std::string& path, const std::vector<std::string>& arguments,
                      bool wait, const OutputSink& sink) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    ChildOutcome outcome;
    StartedChild child;
    Pipe output;
    Pipe status;
    if ((outcome.error = openPipe(output)) != 0) return outcome;
    if ((outcome.error = openPipe(status)) != 0) return outcome;
    SystemResult forked = callSystem("fork", [] { return ::fork(); });
    if (forked.value == 0) becomeChild(path, argv.data(), wait, output.writeEnd.get(), status.writeEnd.get());
    if (!forked.failed()) child.own(static_cast<pid_t>(forked.value));
    output.writeEnd.close();
    status.writeEnd.close();
    if (forked.failed()) {
        // Out of processes is reported as the memory it stands for.
        outcome.error = forked.error == EAGAIN ? ENOMEM : forked.error;
    } else if (int error = execError(status.readEnd.get()); error != 0) {
        outcome.error = error;
    } else {
        outcome.started = true;
        outcome.pid = child.pid();
        if (wait) outcome.exitCode = awaitChild(child, output.readEnd.get(), sink);
        else child.waited();  // left running: not ours to wait for
    }
    status.readEnd.close();
    output.readEnd.close();
    return outcome;
}

}  // namespace corvel
