// The terminal device end to end on a pseudo-terminal: raw mode and its
// undoing, frames, keys, waiting, resizing, and the restore on the ways out
// that end the process (run in forked children).
#include "console/posix/TerminalDevice.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "PtyHelper.h"
#include "console/posix/TerminalModel.h"
#include "console/posix/TerminalRestore.h"
#include "runtime/RuntimeError.h"

namespace corvel::posix {
namespace {

using testing::Pty;
using testing::sameSettings;

const std::string enterBytes = "\x1b[?1049h\x1b[?7l\x1b[?2004h\x1b[?u\x1b[c";
const std::string leaveBytes = "\x1b[0m\x1b[0 q\x1b[?25h\x1b[?2004l\x1b[?7h\x1b[?1049l";
// A terminal with the kitty keyboard protocol answers both questions.
const std::string protocolReplies = "\x1b[?0u\x1b[?62;22c";
const std::string switchOn = "\x1b[>1u";
const std::string switchOffAndLeave = "\x1b[<u" + leaveBytes;

std::unique_ptr<TerminalDevice> openOnPty(Pty& pty, Charset charset = Charset::utf8) {
    std::string error;
    auto device = TerminalDevice::openOn(dup(pty.slave()), true, charset, error);
    EXPECT_NE(device, nullptr) << error;
    return device;
}

bool endsWith(const std::string& s, const std::string& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

std::int64_t elapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count();
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(TerminalDevice, RawModeWhileOpenAndTheSettingsExactlyAsFoundAfterClose) {
    Pty pty(10, 30);
    ASSERT_TRUE(pty.ok());
    termios before = pty.settings();
    auto device = openOnPty(pty);
    ASSERT_NE(device, nullptr);
    termios raw = pty.settings();
    EXPECT_EQ(raw.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
    EXPECT_EQ(raw.c_iflag & (IXON | ICRNL), 0u);
    EXPECT_EQ(raw.c_oflag & OPOST, 0u);
    EXPECT_EQ(raw.c_cc[VMIN], 1);
    EXPECT_EQ(pty.drain(), enterBytes);
    EXPECT_EQ(device->width(), 30);
    EXPECT_EQ(device->height(), 10);

    device->close();
    std::string last = pty.drain();
    EXPECT_TRUE(endsWith(last, leaveBytes)) << last;
    EXPECT_TRUE(sameSettings(pty.settings(), before));
    EXPECT_FALSE(terminalRestore().armed());
    device->close();  // a second close does nothing
    EXPECT_EQ(pty.drain(), "");
}

TEST(TerminalDevice, OpenFailsWithAOneLineReasonWithoutATerminal) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::string error;
    auto device = TerminalDevice::openOn(fds[0], true, Charset::utf8, error);
    EXPECT_EQ(device, nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos);
    ::close(fds[1]);
}

TEST(TerminalDevice, OnlyOneDeviceAtATime) {
    Pty pty(10, 30);
    auto first = openOnPty(pty);
    std::string error;
    auto second = TerminalDevice::openOn(dup(pty.slave()), true, Charset::utf8, error);
    EXPECT_EQ(second, nullptr);
    EXPECT_FALSE(error.empty());
    first->close();
    auto third = openOnPty(pty);
    EXPECT_NE(third, nullptr);
}

TEST(TerminalDevice, FramesCarryOnlyWhatChanged) {
    Pty pty(4, 10);
    auto device = openOnPty(pty);
    pty.drain();
    device->present();
    std::string first = pty.drain();
    EXPECT_NE(first.find("\x1b[2J"), std::string::npos);
    device->present();
    EXPECT_EQ(pty.drain(), "");  // nothing changed, nothing written

    Cell cells[2] = {{'h', 0x1E}, {0xEC, 0x1E}};
    device->writeCells(2, 3, cells, 2);
    device->setCursor(2, 5);
    device->present();
    EXPECT_EQ(pty.drain(), "\x1b[2C\n\x1b[93;44mh\xe2\x88\x9e");
    EXPECT_EQ(device->readCell(2, 4).character, 0xEC);
}

// Frames look only at the rows stored into since the last one: every kind
// of store must mark its rows.
TEST(TerminalDevice, EveryKindOfStoreReachesTheTerminal) {
    Pty pty(4, 10);
    auto device = openOnPty(pty);
    TerminalModel terminal(4, 10);
    auto showsGrid = [&] {
        device->present();
        terminal.feed(pty.drain());
        for (int r = 1; r <= 4; ++r) {
            for (int c = 1; c <= 10; ++c) {
                Cell cell = device->readCell(r, c);
                if (!terminal.shows(r - 1, c - 1, cell.character, cell.attribute)) return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(showsGrid());
    Cell cells[3] = {{'a', 0x1E}, {'b', 0x1E}, {'c', 0x1E}};
    device->writeCells(4, 1, cells, 3);
    EXPECT_TRUE(showsGrid());
    device->fillCharacters(1, 9, 5, 'x');  // runs on into row 2
    EXPECT_TRUE(showsGrid());
    device->fillAttributes(2, 10, 12, 0x4F);  // into row 3
    EXPECT_TRUE(showsGrid());
    device->scrollUp(0x1F);
    EXPECT_TRUE(showsGrid());
    EXPECT_TRUE(terminal.understood()) << terminal.firstUnknown();
}

TEST(TerminalDevice, KeysArriveAsEventsWithScanCodes) {
    Pty pty(4, 10);
    auto device = openOnPty(pty);
    pty.type("\x1b[Aa\x03");
    KeyEvent event;
    ASSERT_TRUE(device->waitEvent(1000));
    ASSERT_TRUE(device->peekEvent(event));
    EXPECT_EQ(event.scanCode, 72);
    EXPECT_EQ(event.character, 0);
    device->takeEvent();
    ASSERT_TRUE(device->waitEvent(1000));
    ASSERT_TRUE(device->peekEvent(event));
    EXPECT_EQ(event.character, 'a');
    EXPECT_EQ(event.scanCode, 30);
    device->takeEvent();
    ASSERT_TRUE(device->waitEvent(1000));
    ASSERT_TRUE(device->peekEvent(event));
    EXPECT_EQ(event.character, 3);  // Ctrl+C is a key, not a signal
    device->takeEvent();
    EXPECT_FALSE(device->peekEvent(event));
}

TEST(TerminalDevice, PeekReadsWhatArrivedWithoutWaiting) {
    Pty pty(4, 10);
    auto device = openOnPty(pty);
    KeyEvent event;
    EXPECT_FALSE(device->peekEvent(event));
    pty.type("z");
    bool seen = false;
    for (int i = 0; i < 200 && !seen; ++i) {
        seen = device->peekEvent(event);
        if (!seen) usleep(5000);
    }
    ASSERT_TRUE(seen);
    EXPECT_EQ(event.character, 'z');
}

TEST(TerminalDevice, LoneEscIsAKeyAfterTheTimeOut) {
    Pty pty(4, 10);
    auto device = openOnPty(pty);
    auto start = std::chrono::steady_clock::now();
    pty.type("\x1b");
    ASSERT_TRUE(device->waitEvent(2000));
    std::int64_t waited = elapsedMs(start);
    KeyEvent event;
    ASSERT_TRUE(device->peekEvent(event));
    EXPECT_EQ(event.character, 27);
    EXPECT_EQ(event.scanCode, 1);
    EXPECT_GE(waited, KeyDecoder::defaultEscTimeoutMs - 5);
    EXPECT_LT(waited, 1000);
}

TEST(TerminalDevice, WaitTimesOutAndIdlesWithoutProcessorTime) {
    Pty pty(4, 10);
    auto device = openOnPty(pty);
    device->present();
    auto start = std::chrono::steady_clock::now();
    double cpuBefore = cpuSeconds();
    EXPECT_FALSE(device->waitEvent(300));
    double cpuUsed = cpuSeconds() - cpuBefore;
    EXPECT_GE(elapsedMs(start), 300);
    EXPECT_LT(cpuUsed, 0.05);
}

TEST(TerminalDevice, WindowChangeWakesTheWaiterAndRepaintsAll) {
    Pty pty(4, 10);
    auto device = openOnPty(pty);
    device->present();
    pty.drain();
    pty.setSize(6, 12);
    raise(SIGWINCH);
    ASSERT_TRUE(device->waitEvent(1000));
    KeyEvent event;
    ASSERT_TRUE(device->peekEvent(event));
    EXPECT_FALSE(event.isKey);
    device->takeEvent();
    EXPECT_EQ(device->terminalRows(), 6);
    EXPECT_EQ(device->terminalColumns(), 12);
    EXPECT_EQ(device->height(), 4);  // the buffer keeps its size
    device->present();
    std::string repaint = pty.drain();
    EXPECT_EQ(repaint.rfind("\x1b[0;37;40m\x1b[2J", 0), 0u) << repaint;
}

TEST(TerminalDevice, ResizeAsksTheTerminalToFollowAndPutsItBackAtTheEnd) {
    Pty pty(10, 30);
    auto device = openOnPty(pty);
    device->writeCells(1, 1, std::vector<Cell>(30, Cell{'x', 7}).data(), 30);
    device->resize(20, 5);
    EXPECT_EQ(device->width(), 20);
    EXPECT_EQ(device->height(), 5);
    EXPECT_EQ(device->readCell(1, 20).character, 'x');
    device->present();
    std::string frame = pty.drain();
    EXPECT_EQ(frame.rfind(enterBytes + "\x1b[8;5;20t", 0), 0u) << frame;
    device->close();
    EXPECT_TRUE(endsWith(pty.drain(), "\x1b[8;10;30t" + leaveBytes));
}

TEST(TerminalDevice, AlertRingsWithTheNextFrame) {
    Pty pty(4, 10);
    auto device = openOnPty(pty);
    device->present();
    pty.drain();
    device->alert();
    device->present();
    EXPECT_EQ(pty.drain(), "\a");
}

TEST(TerminalDevice, WithoutUtf8TheBytesGoOutAsTheyAre) {
    Pty pty(2, 4);
    auto device = openOnPty(pty, Charset::cp437);
    device->present();
    pty.drain();
    Cell cells[2] = {{0xEC, 7}, {0x10, 7}};
    device->writeCells(1, 1, cells, 2);
    device->present();
    EXPECT_EQ(pty.drain(), "\xec>\r");
}

TEST(TerminalDevice, KeyboardProtocolOnWhereTheTerminalAnswersAndOffAtClose) {
    Pty pty(4, 10);
    auto device = openOnPty(pty);
    EXPECT_EQ(pty.drain(), enterBytes);
    pty.type(protocolReplies + "\x1b[27u\x1b[120;3u");
    KeyEvent event;
    ASSERT_TRUE(device->waitEvent(1000));
    ASSERT_TRUE(device->peekEvent(event));
    EXPECT_EQ(event.character, 27) << "the replies are no keys";
    device->takeEvent();
    ASSERT_TRUE(device->waitEvent(1000));
    ASSERT_TRUE(device->peekEvent(event));
    EXPECT_TRUE(event.alt && event.scanCode == 45);
    EXPECT_TRUE(device->keyboardProtocolOn());
    EXPECT_NE(pty.drain().find(switchOn), std::string::npos);
    device->close();
    EXPECT_TRUE(endsWith(pty.drain(), switchOffAndLeave));
}

TEST(TerminalDevice, KeyboardProtocolLeftAloneWhereTheTerminalLacksIt) {
    Pty pty(4, 10);
    auto device = openOnPty(pty);
    pty.type("\x1b[?62;22cz");
    ASSERT_TRUE(device->waitEvent(1000));
    KeyEvent event;
    ASSERT_TRUE(device->peekEvent(event));
    EXPECT_EQ(event.character, 'z');
    EXPECT_FALSE(device->keyboardProtocolOn());
    pty.type("\x1b[?0u");  // too late: the attributes ended the question
    device->waitEvent(50);
    EXPECT_FALSE(device->keyboardProtocolOn());
    device->close();
    std::string all = pty.drain();
    EXPECT_EQ(all.find("\x1b[>"), std::string::npos);
    EXPECT_EQ(all.find("\x1b[<u"), std::string::npos);
}

// Runs body in a forked child holding a device on the pty, with the keyboard
// protocol switched on; returns the child's wait status.
template <typename Body>
int inChild(Pty& pty, Body body) {
    int ready[2];
    if (pipe(ready) != 0) return -1;
    pid_t child = fork();
    if (child == 0) {
        rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        for (int s : {SIGTERM, SIGHUP, SIGQUIT, SIGINT}) std::signal(s, SIG_DFL);
        std::string error;
        auto device = TerminalDevice::openOn(dup(pty.slave()), true, Charset::utf8, error);
        if (!device) _exit(99);
        device->present();
        [[maybe_unused]] ssize_t n = write(ready[1], "r", 1);
        for (int i = 0; i < 200 && !device->keyboardProtocolOn(); ++i) device->waitEvent(10);
        if (!device->keyboardProtocolOn()) _exit(97);
        body(*device);
        _exit(98);
    }
    ::close(ready[1]);
    char byte;
    [[maybe_unused]] ssize_t n = read(ready[0], &byte, 1);
    ::close(ready[0]);
    pty.type(protocolReplies);
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

class RestoreOnSignal : public ::testing::TestWithParam<int> {};

TEST_P(RestoreOnSignal, RestoresTheTerminalThenDiesOfTheSignal) {
    Pty pty(10, 30);
    termios before = pty.settings();
    int signal = GetParam();
    int status = inChild(pty, [signal](TerminalDevice&) { raise(signal); });
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), signal);
    EXPECT_TRUE(sameSettings(pty.settings(), before));
    EXPECT_TRUE(endsWith(pty.drain(), switchOffAndLeave));
}

// Every signal whose default action ends the process, bar the three that
// only ask the program to end (HUP, TERM, INT).
INSTANTIATE_TEST_SUITE_P(TerminalDevice, RestoreOnSignal,
                         ::testing::Values(SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGUSR1, SIGUSR2,
                                           SIGALRM, SIGPIPE, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS, SIGTRAP,
                                           SIGRTMIN + 1));

TEST(TerminalDevice, RestoresOnARealCrash) {
    Pty pty(10, 30);
    termios before = pty.settings();
    int status = inChild(pty, [](TerminalDevice&) {
        // A page without access rather than null, so that the checks of a
        // sanitized build let the store fault for real.
        void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        *static_cast<volatile int*>(page) = 1;
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    EXPECT_TRUE(sameSettings(pty.settings(), before));
    EXPECT_TRUE(endsWith(pty.drain(), switchOffAndLeave));
}

int deeper(int depth) {
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    if (depth < 0) return frame[0];  // never: the recursion only ends by overflow
    return deeper(depth + 1) + frame[0];
}

TEST(TerminalDevice, RestoresOnAStackOverflow) {
    Pty pty(10, 30);
    termios before = pty.settings();
    int status = inChild(pty, [](TerminalDevice&) {
        rlimit small{1 << 20, 1 << 20};
        setrlimit(RLIMIT_STACK, &small);
        deeper(0);
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    EXPECT_TRUE(sameSettings(pty.settings(), before));
    EXPECT_TRUE(endsWith(pty.drain(), switchOffAndLeave));
}

TEST(TerminalDevice, RestoresOnTheFatalErrorExit) {
    Pty pty(10, 30);
    termios before = pty.settings();
    int status = inChild(pty, [](TerminalDevice&) {
        setFatalExitHook(restoreTerminalNow);
        fatalExit();
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 255);
    EXPECT_TRUE(sameSettings(pty.settings(), before));
    EXPECT_TRUE(endsWith(pty.drain(), switchOffAndLeave));
}

TEST(TerminalDevice, RestoresOnExitWithoutClose) {
    Pty pty(10, 30);
    termios before = pty.settings();
    int status = inChild(pty, [](TerminalDevice&) { std::exit(3); });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_TRUE(sameSettings(pty.settings(), before));
    EXPECT_TRUE(endsWith(pty.drain(), switchOffAndLeave));
}

// A terminal that reads slowly (the test drains it only after the signals):
// SIGALRM cuts into a large frame; or, with the terminal taking no byte more,
// SIGUSR1 cuts into the restore that SIGALRM or a normal close began. The
// terminal keeps no synchronized update open and gets its settings back.
TEST(TerminalDevice, SignalsCuttingAFrameOrTheRestoreLeaveTheTerminalWhole) {
    enum Case { cutFrame, cutSignalRestore, cutCloseRestore };
    for (Case way : {cutFrame, cutSignalRestore, cutCloseRestore}) {
        Pty pty(50, 80);
        termios before = pty.settings();
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int s : {SIGALRM, SIGUSR1}) std::signal(s, SIG_DFL);
            std::string error;
            auto device = TerminalDevice::openOn(dup(pty.slave()), true, Charset::utf8, error);
            if (!device) _exit(99);
            device->present();
            if (way != cutFrame) {
                fcntl(pty.slave(), F_SETFL, O_NONBLOCK);
                while (write(pty.slave(), ".", 1) > 0) {
                }
                fcntl(pty.slave(), F_SETFL, 0);
            }
            [[maybe_unused]] ssize_t n = write(ready[1], "r", 1);
            if (way == cutCloseRestore) device->close();
            if (way == cutSignalRestore) for (;;) pause();
            std::vector<Cell> row(80);
            for (int frame = 0;; ++frame) {  // frames until the terminal takes no more
                for (int r = 1; r <= 50; ++r) {
                    for (int c = 0; c < 80; ++c) row[static_cast<std::size_t>(c)] = {static_cast<std::uint8_t>(176 + (frame + c) % 3), 7};
                    device->writeCells(r, 1, row.data(), 80);
                }
                device->present();
            }
        }
        ::close(ready[1]);
        char byte;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        usleep(200000);
        if (way != cutCloseRestore) ::kill(child, SIGALRM);
        usleep(100000);
        if (way != cutFrame) ::kill(child, SIGUSR1);
        usleep(100000);
        std::string out;
        int status = 0;
        while (waitpid(child, &status, WNOHANG) == 0) out += pty.drain(20);
        out += pty.drain();
        EXPECT_TRUE(WIFSIGNALED(status)) << status;
        EXPECT_TRUE(sameSettings(pty.settings(), before)) << "case " << way;
        EXPECT_TRUE(endsWith(out, leaveBytes)) << "case " << way;
        if (way != cutFrame) continue;
        std::size_t lastOn = out.rfind("\x1b[?2026h");
        std::size_t lastOff = out.rfind("\x1b[?2026l");
        ASSERT_NE(lastOn, std::string::npos);
        ASSERT_NE(lastOff, std::string::npos);
        EXPECT_GT(lastOff, lastOn) << "left in a synchronized update";
        EXPECT_EQ(out[lastOff - 1], '\x18') << "the cut sequence is cancelled first";
    }
}

TEST(TerminalDevice, AsksForTheEndOfAHangUpWhenTheTerminalGoesAway) {
    Pty pty(10, 30);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        pty.closeMaster();
        std::string error;
        auto device = TerminalDevice::openOn(dup(pty.slave()), true, Charset::utf8, error);
        pty.closeSlave();
        if (!device) _exit(99);
        [[maybe_unused]] ssize_t n = write(ready[1], "r", 1);
        device->waitEvent(-1);
        _exit(device->endRequest());
    }
    ::close(ready[1]);
    char byte;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    pty.closeSlave();
    pty.closeMaster();
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), SIGHUP);
}

}  // namespace
}  // namespace corvel::posix
