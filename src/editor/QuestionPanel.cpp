// The question panel: prompt row, hint row and input marker, then the
// answer in the editor, turned into the trimmed answer and the Alt+B and
// Alt+X flags.
#include "app/Form.h"

namespace corvel {
namespace {

constexpr std::size_t fieldWidth = 255;
constexpr std::string_view newAnswerHint =
    " { ESC: clear  Alt+B: go Back  Alt+X: eXit  Home|End|Ins|Del|Arrows } ";
constexpr std::string_view storedAnswerHint =
    " { ESC: clear  Alt+B: go Back  VuvadOdor ON  Home|End|Ins|Del|Arrows } ";

bool startsWith(const std::string& text, const std::string& marker) {
    return text.compare(0, marker.size(), marker) == 0;
}

}  // namespace

void Form::askQuestion() {
    paintRow(inputRow - 3, 14, 9);
    screen_.writeText(promptText);
    screen_.newLine();
    const bool hasStoredAnswer = !editBuffer.empty();
    paintRow(inputRow - 2, 11, -1);
    screen_.writeText(hasStoredAnswer ? storedAnswerHint : newAnswerHint);
    screen_.newLine();
    screen_.setTextColors(14, -1, 0);
    screen_.newLine();
    screen_.writeText(" \x10 ");
    goBackFlag = 0;
    exitFlag = 0;
    int fieldRow = screen_.cursorRow();
    int fieldColumn = screen_.cursorColumn();
    if (editBuffer.size() < fieldWidth) editBuffer.resize(fieldWidth, ' ');
    editor_.editField(editBuffer, fieldRow, fieldColumn, answerHistory);
    answerResult = trimBlanks(editBuffer);
    if (startsWith(answerResult, altXMarker)) {
        exitFlag = 1;
        answerResult.clear();
    } else if (startsWith(answerResult, altBMarker)) {
        goBackFlag = 1;
        answerResult.clear();
    }
}

}  // namespace corvel
