// A pseudo-terminal pair for tests: the slave side stands for the user's
// terminal, the master side reads what was sent to it and types keys.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace corvel::posix::testing {

class Pty {
public:
    Pty(int rows, int columns) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        const char* name = ptsname(master_);
        if (name == nullptr) return;
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        setSize(rows, columns);
    }
    ~Pty() {
        closeSlave();
        closeMaster();
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0 && slave_ >= 0; }
    int master() const { return master_; }
    int slave() const { return slave_; }
    void closeMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }
    void closeSlave() {
        if (slave_ >= 0) ::close(slave_);
        slave_ = -1;
    }

    void setSize(int rows, int columns) {
        winsize ws{};
        ws.ws_row = static_cast<unsigned short>(rows);
        ws.ws_col = static_cast<unsigned short>(columns);
        ioctl(master_, TIOCSWINSZ, &ws);
    }

    // Keys as the terminal sends them.
    void type(const std::string& bytes) {
        [[maybe_unused]] ssize_t n = ::write(master_, bytes.data(), bytes.size());
    }

    // Everything the program sent, read until quietMs pass without a byte.
    std::string drain(int quietMs = 50) {
        std::string out;
        for (;;) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, quietMs) <= 0 || !(p.revents & POLLIN)) break;
            char buffer[4096];
            ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            out.append(buffer, static_cast<std::size_t>(n));
        }
        return out;
    }

    termios settings() const {
        termios t{};
        tcgetattr(slave_, &t);
        return t;
    }

private:
    int master_ = -1;
    int slave_ = -1;
};

inline bool sameSettings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 &&
           cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

}  // namespace corvel::posix::testing
