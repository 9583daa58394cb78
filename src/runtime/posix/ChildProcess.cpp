// Running a child in the same terminal: fork and exec, a pipe for its
// output, a second close-on-exec pipe that carries a failed exec's errno
// back, then reading the output to its end and waiting for the child.
#include "runtime/ChildProcess.h"

#include <fcntl.h>
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
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &standard, nullptr);
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

void readOutput(int fd, const OutputSink& sink) {
    char buffer[4096];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return;
        if (sink) sink(std::string_view(buffer, static_cast<std::size_t>(got)));
    }
}

int waitForExit(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return 0;
    }
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 0;
}

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
    SystemResult forked = callSystem("fork", [] { return ::fork(); });
    if (forked.value == 0) becomeChild(path, argv.data(), wait, output.writeEnd, status.writeEnd);
    closeFd(output.writeEnd);
    closeFd(status.writeEnd);
    if (forked.failed()) {
        outcome.error = forked.error;
    } else if (int error = execError(status.readEnd); error != 0) {
        waitForExit(static_cast<pid_t>(forked.value));
        outcome.error = error;
    } else {
        outcome.started = true;
        outcome.pid = static_cast<pid_t>(forked.value);
        if (wait) readOutput(output.readEnd, sink);
    }
    closeFd(status.readEnd);
    closeFd(output.readEnd);
    if (outcome.started && wait) outcome.exitCode = waitForExit(outcome.pid);
    return outcome;
}

}  // namespace corvel
