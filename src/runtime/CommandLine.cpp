// Reading a command line for the command-interpreter stand-in.
#include "runtime/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace corvel {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

char lowerCase(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lowerCase(x) == lowerCase(y); });
}

std::string_view skipBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    return text;
}

// The next blank-delimited word of text, removed from it.
std::string_view takeWord(std::string_view& text) {
    text = skipBlanks(text);
    std::size_t end = 0;
    while (end < text.size() && !isBlank(text[end])) ++end;
    std::string_view word = text.substr(0, end);
    text.remove_prefix(end);
    return word;
}

// The command after "cmd /c" (any case), or nothing when the line is not one.
std::optional<std::string_view> interpreterCommand(std::string_view text) {
    std::string_view rest = text;
    std::string_view program = takeWord(rest);
    if (!sameWord(program, "cmd") && !sameWord(program, "cmd.exe")) return std::nullopt;
    if (!sameWord(takeWord(rest), "/c")) return std::nullopt;
    return skipBlanks(rest);
}

// A console side in 1..limit, written as decimal digits only.
std::optional<int> consoleSide(std::string_view text, int limit) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > limit) {
        return std::nullopt;
    }
    return value;
}

// "mode con[:] [cols=N] [lines=M]" in any case and order.
CommandLine modeCommand(const std::vector<std::string>& words) {
    CommandLine command;
    command.kind = CommandLine::Kind::invalid;
    if (words.size() < 3 || (!sameWord(words[1], "con") && !sameWord(words[1], "con:"))) return command;
    for (std::size_t i = 2; i < words.size(); ++i) {
        const std::string_view word = words[i];
        const std::size_t equals = word.find('=');
        if (equals == std::string_view::npos) return command;
        const std::string_view key = word.substr(0, equals);
        const std::string_view value = word.substr(equals + 1);
        std::optional<int> side;
        if (sameWord(key, "cols")) {
            if (!(side = consoleSide(value, maximumConsoleColumns))) return command;
            command.columns = *side;
        } else if (sameWord(key, "lines")) {
            if (!(side = consoleSide(value, maximumConsoleRows))) return command;
            command.rows = *side;
        } else {
            return command;
        }
    }
    command.kind = CommandLine::Kind::resize;
    return command;
}

}  // namespace

std::vector<std::string> splitWords(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (isBlank(c) && !quoted) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

CommandLine parseCommandLine(std::string_view text) {
    CommandLine command;
    std::optional<std::string_view> inner = interpreterCommand(text);
    if (!inner) {
        command.kind = CommandLine::Kind::shellLine;
        command.text = std::string(text);
        return command;
    }
    std::vector<std::string> words = splitWords(*inner);
    if (words.empty()) return command;
    if (sameWord(words[0], "mode")) return modeCommand(words);
    if (sameWord(words[0], "cls")) {
        command.kind = words.size() == 1 ? CommandLine::Kind::clear : CommandLine::Kind::invalid;
        return command;
    }
    command.kind = CommandLine::Kind::program;
    command.words = std::move(words);
    command.text = std::string(*inner);
    return command;
}

}  // namespace corvel
