// The real program on a pseudo-terminal of its own: the pty is its
// controlling terminal, the test types into the master side and collects all
// the program sends, and reads the terminal's settings after the program
// ended (the test keeps the slave side open for that).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "console/posix/PtyHelper.h"

namespace corvel::test {

struct PtyProgramOptions {
    int rows = 50;
    int columns = 80;
    std::string stdinText;   // when set, standard input is a pipe that carries this text
    std::string stdoutFile;  // when set, standard output goes to this file
    bool keyboardProtocol = true;  // the terminal answers the keyboard protocol query as one that has it
    // Run as a shell runs a job: in a process group of its own in the
    // foreground, below a session leader that waits for it (and ends as it
    // ends), so that a stop signal really stops it.
    bool asJob = false;
    std::string term = "xterm-256color";  // empty: TERM unset
    // When set, the largest file the program may write, in bytes (ulimit -f).
    rlim_t fileSizeLimit = 0;
};

class PtyProgram {
public:
    explicit PtyProgram(std::vector<std::string> arguments, PtyProgramOptions options = {})
        : pty_(options.rows, options.columns), answerQuery_(options.keyboardProtocol) {
        if (!pty_.ok()) return;
        before_ = pty_.settings();
        int input[2] = {-1, -1};
        if (!options.stdinText.empty() && pipe2(input, O_CLOEXEC) != 0) return;
        int job[2] = {-1, -1};
        if (options.asJob && pipe2(job, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) startChild(pty_.slave(), arguments, options, input[0], job[1]);
        program_ = pid_;
        if (job[0] >= 0) {
            ::close(job[1]);
            if (::read(job[0], &program_, sizeof program_) != sizeof program_) program_ = pid_;
            ::close(job[0]);
        }
        if (input[0] >= 0) {
            ::close(input[0]);
            [[maybe_unused]] ssize_t n = ::write(input[1], options.stdinText.data(), options.stdinText.size());
            ::close(input[1]);
        }
    }
    ~PtyProgram() {
        if (pid_ > 0 && !exited_) {
            if (program_ != pid_) ::kill(program_, SIGKILL);
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    PtyProgram(const PtyProgram&) = delete;
    PtyProgram& operator=(const PtyProgram&) = delete;

    bool started() const { return pid_ > 0; }
    // The program's own process (below its session leader when run as a job).
    pid_t pid() const { return program_; }
    const std::string& output() const { return output_; }

    void setSize(int rows, int columns) { pty_.setSize(rows, columns); }

    // Collects output until quietMs pass without a byte (or limitMs in all).
    void settle(int quietMs = 150, int limitMs = 20000) {
        auto start = std::chrono::steady_clock::now();
        while (readSome(quietMs)) {
            if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(limitMs)) break;
        }
    }
    // Waits for the first frame: the program has left the line discipline's
    // cooked mode, so what is typed from now on arrives as keys.
    void waitForFirstFrame() {
        for (int i = 0; i < 200 && output_.find("\x1b[?1049h") == std::string::npos; ++i) readSome(50);
        settle();
    }
    // Types bytes as the terminal sends them, collecting output meanwhile so
    // that the program is never blocked writing.
    void type(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            pollfd fds{pty_.master(), POLLIN | POLLOUT, 0};
            if (poll(&fds, 1, 1000) <= 0) break;
            if (fds.revents & POLLIN) readSome(0);
            if (fds.revents & POLLOUT) {
                ssize_t n = ::write(pty_.master(), bytes.data() + done, std::min<std::size_t>(bytes.size() - done, 512));
                if (n > 0) done += static_cast<std::size_t>(n);
            }
        }
    }
    // Waits (at most limitMs) for the program to end; its wait status, or -1.
    int waitForExit(int limitMs = 20000) {
        auto start = std::chrono::steady_clock::now();
        for (;;) {
            readSome(20);
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                settle(50);
                return status;
            }
            if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(limitMs)) return -1;
        }
    }

    // Whether the terminal's settings are what they were before the start.
    bool settingsAsBefore() const { return posix::testing::sameSettings(pty_.settings(), before_); }

private:
    bool readSome(int waitMs) {
        pollfd fds{pty_.master(), POLLIN, 0};
        if (poll(&fds, 1, waitMs) <= 0 || !(fds.revents & POLLIN)) return false;
        char buffer[8192];
        ssize_t n = ::read(pty_.master(), buffer, sizeof buffer);
        if (n <= 0) return false;
        output_.append(buffer, static_cast<std::size_t>(n));
        if (answerQuery_ && output_.find("\x1b[?u\x1b[c") != std::string::npos) {
            answerQuery_ = false;
            const std::string replies = "\x1b[?0u\x1b[?62;22c";
            [[maybe_unused]] ssize_t w = ::write(pty_.master(), replies.data(), replies.size());
        }
        return true;
    }

    // As the session leader: starts the program as the terminal's foreground
    // job, tells the test its process id and ends as the program ends.
    [[noreturn]] static void leadJob(int tty, int jobPipe, const std::vector<char*>& argv) {
        pid_t program = fork();
        if (program == 0) {
            setpgid(0, 0);
            signal(SIGTTOU, SIG_IGN);  // taking the terminal from the background
            tcsetpgrp(tty, getpid());
            signal(SIGTTOU, SIG_DFL);
            execv(CORVEL_BINARY, argv.data());
            _exit(127);
        }
        [[maybe_unused]] ssize_t sent = ::write(jobPipe, &program, sizeof program);
        int status = 0;
        while (waitpid(program, &status, 0) < 0 && errno == EINTR) {
        }
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }

    [[noreturn]] static void startChild(int tty, const std::vector<std::string>& arguments,
                                        const PtyProgramOptions& options, int inputPipe, int jobPipe) {
        setsid();
        if (ioctl(tty, TIOCSCTTY, 0) != 0) _exit(120);  // the controlling terminal
        int in = inputPipe >= 0 ? inputPipe : tty;
        int out = options.stdoutFile.empty() ? tty : ::open(options.stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(tty, 2);
        for (int s : {SIGTERM, SIGHUP, SIGQUIT, SIGINT, SIGPIPE, SIGXFSZ, SIGUSR1, SIGALRM}) signal(s, SIG_DFL);
        rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        if (options.fileSizeLimit != 0) {
            rlimit fileSize{options.fileSizeLimit, options.fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &fileSize);
        }
        std::vector<char*> argv{const_cast<char*>(CORVEL_BINARY)};
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (options.term.empty()) {
            unsetenv("TERM");
        } else {
            setenv("TERM", options.term.c_str(), 1);
        }
        unsetenv("LC_ALL");
        unsetenv("LC_CTYPE");
        setenv("LANG", "C.UTF-8", 1);
        if (options.asJob) leadJob(tty, jobPipe, argv);
        execv(CORVEL_BINARY, argv.data());
        _exit(127);
    }

    posix::testing::Pty pty_;
    pid_t pid_ = -1;
    pid_t program_ = -1;
    bool exited_ = false;
    bool answerQuery_ = false;
    termios before_{};
    std::string output_;
};

// How often text occurs in bytes.
inline int occurrences(const std::string& bytes, const std::string& text) {
    int count = 0;
    for (std::size_t at = bytes.find(text); at != std::string::npos; at = bytes.find(text, at + 1)) ++count;
    return count;
}

}  // namespace corvel::test
