// The screen front-end's title rows, confirmation, fault report line and
// program end.
#include "editor/ScreenPanel.h"

#include <cmath>

namespace corvel {

void ScreenPanel::clear() {
    screen_.setTextColors(15, 9, 0);
    screen_.clearScreen();
}

void ScreenPanel::showTitle(std::string_view titleText, std::string_view version, std::string_view credit) {
    screen_.setCursorPos(1, 1);
    screen_.setTextColors(14, -1, 0);
    // Centred by the floor; a title too long to centre starts in column 1.
    auto column = static_cast<int>(std::floor((80.0 - static_cast<double>(titleText.size())) / 2));
    screen_.setCursorPos(1, column);
    screen_.writeText(titleText);
    screen_.setTextColors(11, -1, 0);
    screen_.setCursorPos(1, 2);
    screen_.writeText(version);
    screen_.setTextColors(4, -1, 0);
    screen_.setCursorPos(2, 3);
    screen_.writeText(credit);
    screen_.setTextColors(15, -1, 0);
    screen_.setCursorPos(3, 1);
}

// The date ends in column 78 of the title row.
void ScreenPanel::showDate(std::string_view dateText) {
    screen_.setCursorPos(1, 79 - static_cast<int>(dateText.size()));
    screen_.writeText(dateText);
}

// The review rows are on the screen already: the input area is blanked
// (seven rows from the prompt row) and the question asked at the input row.
std::optional<std::string> ScreenPanel::readConfirmation(const std::vector<std::string>& /*reviewLines*/) {
    screen_.setCursorPos(inputRow - 3, 1);
    for (int i = 0; i < 7; ++i) screen_.writeText(std::string(static_cast<std::size_t>(screenWidth), ' '));
    screen_.setCursorPos(inputRow, 1);
    screen_.writeText("Everything OK? (Y/N) ");
    return keyboard_.readLine();
}

void ScreenPanel::confirmed() {
    screen_.newLine();
    screen_.writeText("Data output to file MyCorvel.Txt ... {Press ENTER} ");
    keyboard_.readLine();
}

void ScreenPanel::faultAlert() {
    screen_.newLine();
    keyboard_.beep();
}

void ScreenPanel::reportFault(std::uint16_t line, std::uint8_t code, std::string_view message) {
    screen_.setTextColors(4, -1, 0);
    screen_.writeText(" \xEC Internal Error: ");
    screen_.setTextColors(3, -1, 0);
    screen_.writeText("Line");
    screen_.setTextColors(15, -1, 0);
    screen_.writeNumber(line);
    screen_.setTextColors(3, -1, 0);
    screen_.writeText("  Code");
    screen_.setTextColors(15, -1, 0);
    screen_.writeNumber(code);
    screen_.setTextColors(3, -1, 0);
    screen_.writeText(" = ");
    screen_.setTextColors(15, -1, 0);
    screen_.writeText(message);
    screen_.newLine();
    screen_.setTextColors(3, -1, 0);
    screen_.writeText(" \xEC Press any key ...");
    keyboard_.waitKey();  // blocks in the device, any key will do
}

void ScreenPanel::programEnd(std::string_view /*writtenFile*/) {
    screen_.setTextColors(7, -1, 0);
    screen_.newLine();
}

}  // namespace corvel
