// Esc on a pseudo-terminal, from the byte written to the key event: a lone
// ESC can only be told from the start of a sequence by its time-out; with the
// kitty keyboard protocol's disambiguation the terminal sends CSI 27 u, a
// complete sequence that is a key at once. Also the bytes the device sends
// when it closes, switching the protocol off among them.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/posix/TerminalDevice.h"

namespace {

using corvel::posix::Charset;
using corvel::posix::TerminalDevice;
using Clock = std::chrono::steady_clock;

// Reads what the device sent until the pty is quiet.
std::string drain(int master) {
    std::string out;
    char buffer[4096];
    pollfd p{master, POLLIN, 0};
    while (poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
        ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    return out;
}

void type(int master, const std::string& bytes) {
    if (::write(master, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::exit(1);
}

// Median milliseconds from writing key to its event, over rounds.
double medianEscMs(TerminalDevice& device, int master, const std::string& key, int rounds) {
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        drain(master);
        auto start = Clock::now();
        type(master, key);
        if (!device.waitEvent(1000)) std::exit(1);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        device.takeEvent();
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

void run(bool answerProtocol) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) std::exit(1);
    winsize size{4, 10, 0, 0};
    ioctl(master, TIOCSWINSZ, &size);
    std::string error;
    auto device = TerminalDevice::openOn(::open(ptsname(master), O_RDWR | O_NOCTTY), true, Charset::utf8, error);
    if (!device) std::exit(1);
    drain(master);
    if (answerProtocol) {
        type(master, "\x1b[?0u\x1b[?62;22c");
        device->waitEvent(100);
    }
    const char* key = device->keyboardProtocolOn() ? "\x1b[27u" : "\x1b";
    double ms = medianEscMs(*device, master, key, 21);
    drain(master);
    device->close();
    std::string end = drain(master);
    std::printf("%-26s Esc median %6.2f ms over 21 presses; %zu bytes at close\n",
                answerProtocol ? "kitty protocol answered:" : "no protocol reply:", ms, end.size());
    ::close(master);
}

}  // namespace

int main() {
    run(false);
    run(true);
}
