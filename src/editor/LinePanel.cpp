// Plain mode's questions, review and confirmation as lines of text.
#include "editor/LinePanel.h"

#include "console/ConsoleKeyboard.h"
#include "editor/VuvadOdor.h"

namespace corvel {
namespace {

constexpr std::string_view helpLine =
    "Type each answer and press Enter. /back goes back a question, /exit leaves; "
    "an empty line keeps the [answer] shown, /clear empties it.";

std::string_view withoutBlanksAround(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

void LinePanel::writeLine(std::string_view text) {
    device_.write(text);
    device_.endLine();
}

// A line typed at a terminal is on the screen already; one read from a file
// or a pipe is written out after its prompt, so the output reads as a
// dialogue. At the end of the input the prompt's line is ended.
std::optional<std::string> LinePanel::readTypedLine() {
    std::optional<std::string> line = device_.readLine();
    if (line && !device_.echoesInput()) device_.write(*line);
    if (!line || !device_.echoesInput()) device_.endLine();
    return line;
}

void LinePanel::showTitle(std::string_view titleText, std::string_view version, std::string_view /*credit*/) {
    title_ = withoutBlanksAround(titleText);
    version_ = withoutBlanksAround(version);
}

// The title line (the title and the date) and the version line, then how
// the answers are given, once before the first question.
void LinePanel::showDate(std::string_view dateText) {
    writeLine(title_ + "  " + std::string(dateText));
    writeLine(version_);
    writeLine(helpLine);
}

bool LinePanel::askQuestion(std::string_view prompt, std::string& editBuffer, std::vector<std::string>& /*history*/) {
    std::string shown(prompt);
    if (!editBuffer.empty()) shown += "[" + editBuffer + "] ";
    device_.write(shown);
    std::optional<std::string> line = readTypedLine();
    if (!line) return false;
    if (*line == "/back") {
        editBuffer = altBMarker;
    } else if (*line == "/exit") {
        editBuffer = altXMarker;
    } else if (*line == "/clear") {
        editBuffer.clear();
    } else if (!line->empty()) {
        editBuffer = line->substr(0, fieldWidth);  // the field holds no more
    }
    return true;
}

void LinePanel::answerRequired() { writeLine("An answer is required."); }

std::optional<std::string> LinePanel::readConfirmation(const std::vector<std::string>& reviewLines) {
    for (const std::string& line : reviewLines) writeLine(line);
    device_.write("Everything OK? (Y/N) ");
    std::optional<std::string> reply = readTypedLine();
    if (reply && reply->size() > ConsoleKeyboard::maxLineLength) reply->resize(ConsoleKeyboard::maxLineLength);
    return reply;
}

// For example "corvel: Internal Error: Line 100 Code 70 = Permission denied".
void LinePanel::reportFault(std::uint16_t line, std::uint8_t code, std::string_view message) {
    device_.writeError("corvel: Internal Error: Line " + std::to_string(line) + " Code " + std::to_string(code) +
                       " = " + std::string(message));
}

void LinePanel::programEnd(std::string_view writtenFile) {
    if (!writtenFile.empty()) writeLine("Data output to file " + std::string(writtenFile));
}

}  // namespace corvel
