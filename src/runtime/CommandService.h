// The service that runs a command line as a child sharing the program's
// console and waits for it: what the form calls, whichever interpreter
// runs the line. A console the child shares is told before and after.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvel {

class ErrorState;

// Only this much of a command line is used; the rest is cut without notice.
inline constexpr std::size_t commandLimit = 256;

// showStyle bits 0..14, bit 15 (0x8000) waits for completion.
inline constexpr std::uint16_t waitForCompletion = 0x8000;

class CommandService {
public:
    virtual ~CommandService() = default;
    // Returns the child's exit code when waiting, else its process id.
    // Only a failure to start the child raises a run-time error.
    virtual std::uint32_t runCommand(ErrorState& errors, std::string_view commandText,
                                     std::uint16_t showStyleAndWait, bool inheritHandles) = 0;
};

// A console that a child writes to directly: before the child runs it shows
// everything stored so far, afterwards it takes in what the child changed
// (size, cells, cursor).
class SharedConsole {
public:
    virtual void beforeChild() = 0;
    virtual void afterChild() = 0;
    // The console-size command: the screen the form draws on takes this
    // size, whether or not the console's window follows.
    virtual void sizeForForm(int columns, int rows) = 0;

protected:
    ~SharedConsole() = default;
};

// A console shared with a child for one scope: beforeChild() at its start,
// afterChild() at its end however the scope ends.
class ConsoleSharedWithChild {
public:
    explicit ConsoleSharedWithChild(SharedConsole& console) : console_(console) { console_.beforeChild(); }
    ~ConsoleSharedWithChild() { console_.afterChild(); }
    ConsoleSharedWithChild(const ConsoleSharedWithChild&) = delete;
    ConsoleSharedWithChild& operator=(const ConsoleSharedWithChild&) = delete;

private:
    SharedConsole& console_;
};

}  // namespace corvel
