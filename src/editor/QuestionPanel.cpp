// The question panel: prompt row, hint row and input marker, then the
// answer in the editor.
#include "editor/ScreenPanel.h"

namespace corvel {
namespace {

constexpr std::string_view newAnswerHint =
    " { ESC: clear  Alt+B: go Back  Alt+X: eXit  Home|End|Ins|Del|Arrows } ";
constexpr std::string_view storedAnswerHint =
    " { ESC: clear  Alt+B: go Back  VuvadOdor ON  Home|End|Ins|Del|Arrows } ";

}  // namespace

bool ScreenPanel::askQuestion(std::string_view prompt, std::string& editBuffer, std::vector<std::string>& history) {
    paintRow(inputRow - 3, 14, 9);
    screen_.writeText(prompt);
    screen_.newLine();
    const bool hasStoredAnswer = !editBuffer.empty();
    paintRow(inputRow - 2, 11, -1);
    screen_.writeText(hasStoredAnswer ? storedAnswerHint : newAnswerHint);
    screen_.newLine();
    screen_.setTextColors(14, -1, 0);
    screen_.newLine();
    screen_.writeText(" \x10 ");
    int fieldRow = screen_.cursorRow();
    int fieldColumn = screen_.cursorColumn();
    if (editBuffer.size() < fieldWidth) editBuffer.resize(fieldWidth, ' ');
    editor_.editField(editBuffer, fieldRow, fieldColumn, history);
    return true;
}

void ScreenPanel::paintRow(int row, int foreground, int background) {
    screen_.setCursorPos(row, 1);
    screen_.setTextColors(foreground, background, 0);
    screen_.writeText(std::string(static_cast<std::size_t>(screenWidth), ' '));
    screen_.setCursorPos(row, 1);
}

// The review row of question n is row n + 3.
void ScreenPanel::showReviewLine(int question, std::string_view label, std::string_view answer) {
    paintRow(question + 3, 15, 9);
    screen_.writeText(label);
    screen_.writeText(answer);
}

}  // namespace corvel
