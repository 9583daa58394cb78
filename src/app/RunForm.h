// The part of the program's start and end that every platform shares: what
// the command tail asks for, the usage and version texts, and one run of
// the form on a console device.
#pragma once

#include <cstdint>
#include <string>

namespace corvel {

class CommandService;
class ConsoleDevice;
class LineDevice;

enum class CommandRequest { runForm, help, version, usageError };

// Help ("--help", "-h", "-?", "/?") and version ("--version", "-V") are
// asked for by the whole tail; a tail that is one word starting with "--"
// and none of these is a mistyped option (usageError); anything else is a
// network name (or none) and runs the form.
CommandRequest commandRequest(const std::string& tail);
// "--plain" or "/plain" as the tail's first word asks for plain mode: the
// word and the blanks after it are taken off the tail, the rest is the
// network name (or none).
bool takePlainRequest(std::string& tail);
// Each returns the exit code: 0, or 1 when the text could not be written
// (said on standard error).
int printUsage();
int printVersion();
// The message for a mistyped option; returns the exit code, 2.
int reportUsageError(const std::string& tail);

// Runs the session and the form on device with the command tail; returns
// the process exit code. On a failed write of the application a closing
// message goes to standard error once the terminal is back (see
// reportUnwritten), so the caller passes the device in still open. The
// session drops the control bytes from the tail.
struct FormOutcome {
    int exitCode = 0;
    bool applicationWritten = true;
    std::uint8_t unwrittenCode = 0;  // the error that lost the application
    std::string unwrittenFile;       // the file that could not be written
    // Why the program was asked from outside to end (the device's number for
    // it: a signal on POSIX), 0 when it ended by itself. The caller ends the
    // process the way that request would, once the terminal is back.
    int endRequest = 0;
};
FormOutcome runForm(ConsoleDevice& device, CommandService& runner, const std::string& tail);

// Runs the form in plain mode: lines of text on device instead of the
// screen. When the input ended before the confirmation, a line on the
// device's error stream says where.
FormOutcome runPlain(LineDevice& device, CommandService& runner, const std::string& tail);

// The closing message for answers that could not be written: the file,
// the error message and its code, one line on standard error.
void reportUnwritten(const FormOutcome& outcome);

}  // namespace corvel
