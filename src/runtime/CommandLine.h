// How the command-interpreter stand-in reads a command line: "cmd /c" lines
// with the built-ins "mode con cols=N lines=M" and "cls" or a program and
// its arguments; any other line is a shell line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvel {

// The longest console buffer side the console-size command accepts.
inline constexpr int maximumConsoleColumns = 999;
inline constexpr int maximumConsoleRows = 9999;

struct CommandLine {
    enum class Kind {
        nothing,    // "cmd /c" with no command after it
        invalid,    // a built-in with parameters it does not accept
        resize,     // mode con: columns and rows, 0 keeps that side
        clear,      // cls
        program,    // words: the program's name, then its arguments
        shellLine,  // not a "cmd /c" line: the whole text goes to the shell
    };
    Kind kind = Kind::nothing;
    int columns = 0;
    int rows = 0;
    std::vector<std::string> words;
    std::string text;
};

CommandLine parseCommandLine(std::string_view text);

// Blank-separated words; double quotes group blanks into a word and are
// dropped.
std::vector<std::string> splitWords(std::string_view text);

}  // namespace corvel
