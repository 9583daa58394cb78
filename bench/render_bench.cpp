// What the terminal renderer sends per key when the whole application form
// runs on a pseudo-terminal, next to the cells that really changed.
//
// A child process runs the real form on the real terminal device (80 x 50
// unless --size says otherwise, UTF-8) in a fresh directory; this process
// types a scripted application as a terminal would send it: every answer
// typed and edited (Home, End, Left, Right, Ins, Del, Backspace, inserting
// in the middle), Alt+B back and forward again, the confirmation. A key is
// done when the child has read it and sleeps in poll(2) again with nothing
// more arriving. The bytes go
// through a model terminal, which counts the cells that look different
// afterwards: the floor, since every changed cell costs a byte at least.
// Idle: the child's voluntary context switches and CPU time while it waits
// in the editor, at the confirmation and on the fault screen (a second run
// in which the application file cannot be created).
//
// usage: render_bench [--verbose] [--size COLUMNSxROWS]
//   --verbose: one line per key; --size: the pseudo-terminal's size, which
//   stays as it is when the program asks for another (80x24: a terminal
//   that folds the form's blank rows away)
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "ApplicationScript.h"
#include "app/Form.h"
#include "console/ConsoleSession.h"
#include "app/DeviceCommandOutput.h"
#include "console/posix/TerminalDevice.h"
#include "console/posix/TerminalModel.h"
#include "console/posix/TerminalRestore.h"
#include "runtime/CommandRunner.h"
#include "runtime/OutputFile.h"

using namespace corvel;
using corvel::posix::TerminalModel;

namespace {

// The pseudo-terminal's size.
int rows = 50;
int columns = 80;

// The form as the program runs it, on the terminal at fd.
[[noreturn]] void runForm(int fd) {
    std::string error;
    auto device = posix::TerminalDevice::openOn(fd, true, posix::Charset::utf8, error);
    if (!device) _exit(3);
    ConsoleSession session;
    session.startSession(*device, "");
    OutputFiles files;
    DeviceCommandOutput commandOutput(*device);
    CommandRunner runner(commandOutput);
    Form form(session.screen(), session.keyboard(), files, runner, session.commandTail());
    int code = session.endSession(form.mainRoutine());
    device->close();
    _exit(code);
}

std::string readProc(pid_t pid, const char* name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

long voluntarySwitches(pid_t pid) {
    std::string status = readProc(pid, "status");
    auto at = status.find("voluntary_ctxt_switches:");
    return at == std::string::npos ? -1 : std::atol(status.c_str() + at + 24);
}

// A counter of /proc/PID/io: "rchar:" the bytes read so far, terminal
// input included; "syscw:" the write calls made.
long ioCount(pid_t pid, const std::string& name) {
    std::string io = readProc(pid, "io");
    auto at = io.find(name);
    return at == std::string::npos ? -1 : std::atol(io.c_str() + at + name.size());
}

// User plus system time in clock ticks.
long cpuTicks(pid_t pid) {
    std::string stat = readProc(pid, "stat");
    auto at = stat.rfind(')');
    if (at == std::string::npos) return -1;
    std::vector<std::string> fields;
    std::size_t start = at + 2;
    while (start < stat.size() && fields.size() < 13) {
        std::size_t space = stat.find(' ', start);
        fields.push_back(stat.substr(start, space - start));
        start = space + 1;
    }
    return fields.size() < 13 ? -1 : std::atol(fields[11].c_str()) + std::atol(fields[12].c_str());
}

struct Sample {
    std::string keyClass;
    std::size_t bytes;
    int cells;
    long writes;  // write calls the key caused
};

// The child with its terminal; types keys and collects what comes back.
class Run {
public:
    explicit Run(bool faultyFile);
    ~Run();
    // Sends a key and waits until it is done; the bytes that came back.
    std::string key(const std::string& bytes);
    std::string settle();
    void idle(const char* where, double seconds);
    bool exited();
    TerminalModel& terminal() { return terminal_; }
    std::size_t totalBytes() const { return total_; }
    long writes() const { return ioCount(pid_, "syscw:"); }

private:
    bool childWaits();
    std::string drain(int waitMs);

    std::filesystem::path directory_;
    pid_t pid_ = -1;
    int master_ = -1;
    int slave_ = -1;
    bool exited_ = false;
    bool attributesAnswered_ = false;
    TerminalModel terminal_{rows, columns};
    std::size_t total_ = 0;
};

Run::Run(bool faultyFile) {
    std::string pattern = (std::filesystem::temp_directory_path() / "render_bench.XXXXXX").string();
    directory_ = mkdtemp(pattern.data());
    if (faultyFile) std::filesystem::create_directory(directory_ / std::string(applicationFileName));
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    grantpt(master_);
    unlockpt(master_);
    slave_ = ::open(ptsname(master_), O_RDWR | O_NOCTTY | O_CLOEXEC);
    winsize size{};
    size.ws_row = rows;
    size.ws_col = columns;
    ioctl(master_, TIOCSWINSZ, &size);
    fcntl(master_, F_SETFL, O_NONBLOCK);
    pid_ = fork();
    if (pid_ == 0) {
        // Without a master of its own the form hangs up when this process
        // goes, however it goes.
        ::close(master_);
        setsid();
        ioctl(slave_, TIOCSCTTY, 0);
        int null = ::open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        if (chdir(directory_.c_str()) != 0) _exit(3);
        runForm(dup(slave_));
    }
}

Run::~Run() {
    if (!exited()) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    ::close(master_);
    ::close(slave_);
    std::filesystem::remove_all(directory_);
}

bool Run::exited() {
    if (!exited_ && waitpid(pid_, nullptr, WNOHANG) == pid_) exited_ = true;
    return exited_;
}

// Read every key sent and asleep in poll(2): the frame is out.
bool Run::childWaits() {
    int unread = 0;
    ioctl(slave_, FIONREAD, &unread);
    if (unread > 0) return false;
    std::string stat = readProc(pid_, "stat");
    auto at = stat.rfind(')');
    if (at == std::string::npos || stat[at + 2] != 'S') return false;
    return readProc(pid_, "wchan").find("poll") != std::string::npos;
}

std::string Run::drain(int waitMs) {
    std::string out;
    char buffer[8192];
    pollfd p{master_, POLLIN, 0};
    while (poll(&p, 1, waitMs) > 0) {
        ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    // Like every terminal, this one answers a device-attributes request
    // (it has no keyboard protocol to report).
    if (!attributesAnswered_ && out.find("\x1b[c") != std::string::npos) {
        attributesAnswered_ = true;
        const std::string_view reply = "\x1b[?62;22c";
        [[maybe_unused]] ssize_t n = ::write(master_, reply.data(), reply.size());
    }
    return out;
}

// Waits until the child is done with what it was sent, or has ended.
std::string Run::settle() {
    std::string out;
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        out += drain(0);
        if (exited() || std::chrono::steady_clock::now() > limit) break;
        if (childWaits()) {
            // The pseudo-terminal hands bytes on a moment later.
            std::string late = drain(3);
            out += late;
            if (late.empty() && childWaits()) break;
            continue;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    out += drain(0);
    terminal_.feed(out);
    total_ += out.size();
    return out;
}

// The pseudo-terminal hands the key on a moment after the write: the key
// is in once the child has read its bytes.
std::string Run::key(const std::string& bytes) {
    long before = ioCount(pid_, "rchar:");
    [[maybe_unused]] ssize_t n = ::write(master_, bytes.data(), bytes.size());
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (ioCount(pid_, "rchar:") < before + static_cast<long>(bytes.size()) && !exited() &&
           std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::microseconds(20));
    }
    return settle();
}

void Run::idle(const char* where, double seconds) {
    long switches = voluntarySwitches(pid_);
    long ticks = cpuTicks(pid_);
    std::string out = drain(static_cast<int>(seconds * 1000));
    total_ += out.size();
    long woke = voluntarySwitches(pid_) - switches;
    long used = cpuTicks(pid_) - ticks;
    std::printf("idle %-22s %.0f s: %ld wake-ups, %ld CPU ticks, %zu bytes\n", where, seconds, woke, used,
                out.size());
}

int percentile(std::vector<int> values, double p) {
    std::sort(values.begin(), values.end());
    auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

std::string printable(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        char buffer[8];
        if (c == 0x1b) out += "\\e";
        else if (c < 32 || c == 127) std::snprintf(buffer, sizeof buffer, "\\x%02x", c), out += buffer;
        else out += static_cast<char>(c);
    }
    return out;
}

void report(const std::vector<Sample>& samples) {
    std::vector<std::string> order;
    std::map<std::string, std::vector<const Sample*>> classes;
    for (const Sample& s : samples) {
        if (!classes.count(s.keyClass)) order.push_back(s.keyClass);
        classes[s.keyClass].push_back(&s);
    }
    std::printf("%-24s %5s %7s %7s %7s %9s %9s %9s %10s\n", "key class", "keys", "B med", "B p90", "B max",
                "cells med", "cells p90", "cells max", "writes max");
    for (const std::string& name : order) {
        std::vector<int> bytes, cells;
        long writes = 0;
        for (const Sample* s : classes[name]) {
            bytes.push_back(static_cast<int>(s->bytes));
            cells.push_back(s->cells);
            writes = std::max(writes, s->writes);
        }
        std::printf("%-24s %5zu %7d %7d %7d %9d %9d %9d %10ld\n", name.c_str(), bytes.size(), percentile(bytes, 0.5),
                    percentile(bytes, 0.9), *std::max_element(bytes.begin(), bytes.end()), percentile(cells, 0.5),
                    percentile(cells, 0.9), *std::max_element(cells.begin(), cells.end()), writes);
    }
    std::printf("(bytes the program sent per key; cells: the floor, cells that look different afterwards)\n");
}

}  // namespace

// The options; false when they are not understood.
bool readOptions(int argc, char** argv, bool& verbose) {
    verbose = false;
    for (int i = 1; i < argc; ++i) {
        char extra = 0;  // anything after the size
        if (std::strcmp(argv[i], "--verbose") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc &&
                   std::sscanf(argv[++i], "%dx%d%c", &columns, &rows, &extra) == 2 && columns > 0 && rows > 0) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

int main(int argc, char** argv) {
    bool verbose;
    if (!readOptions(argc, argv, verbose)) {
        std::fprintf(stderr, "usage: render_bench [--verbose] [--size COLUMNSxROWS]\n");
        return 2;
    }
    std::vector<Sample> samples;
    std::size_t keyBytes = 0;
    {
        Run run(false);
        std::string first = run.settle();
        std::printf("render_bench: the whole application on an %dx%d UTF-8 pseudo-terminal\n", columns, rows);
        std::printf("first frame (start-up and question 1, everything): %zu bytes\n", first.size());
        run.idle("in the editor", 1.0);
        for (const bench::ScriptKey& key : bench::applicationScript()) {
            if (key.keyClass == "idle") {
                run.idle(key.bytes.c_str(), 1.0);
                continue;
            }
            TerminalModel before = run.terminal();
            long writes = run.writes();
            std::string out = run.key(key.bytes);
            samples.push_back({key.keyClass, out.size(), run.terminal().differingCells(before), run.writes() - writes});
            keyBytes += out.size();
            if (verbose) {
                std::printf("%-24s %-6s %5zu B %5d cells %ld writes  %s\n", key.keyClass.c_str(),
                            printable(key.bytes).c_str(), out.size(), samples.back().cells, samples.back().writes,
                            printable(out).c_str());
            }
        }
        if (!run.terminal().understood()) {
            std::printf("the model terminal did not understand %s\n", printable(run.terminal().firstUnknown()).c_str());
        }
        std::printf("whole application: %zu bytes (%zu for %zu keys), the program %s\n\n", run.totalBytes(),
                    keyBytes, samples.size(), run.exited() ? "ended" : "did not end");
    }
    report(samples);
    std::printf("\n");
    Run faulty(true);
    faulty.settle();
    faulty.idle("on the fault screen", 1.0);
    return 0;
}
