// The screen front-end of the form: the 80 x 50 layout with the title rows,
// the review rows, the input area with the VuvadOdor editor, the
// confirmation at the input row and the fault report line.
#pragma once

#include "console/ConsoleKeyboard.h"
#include "console/ConsoleScreen.h"
#include "editor/FormPanel.h"
#include "editor/VuvadOdor.h"

namespace corvel {

class ScreenPanel final : public FormPanel {
public:
    ScreenPanel(ConsoleScreen& screen, ConsoleKeyboard& keyboard)
        : screen_(screen), keyboard_(keyboard), editor_(screen, keyboard) {}

    bool ownsConsole() const override { return true; }
    bool endRequested() const override { return keyboard_.endRequest() != 0; }
    void clear() override;
    void showTitle(std::string_view titleText, std::string_view version, std::string_view credit) override;
    void showDate(std::string_view dateText) override;
    bool askQuestion(std::string_view prompt, std::string& editBuffer, std::vector<std::string>& history) override;
    void answerRequired() override {}
    void showReviewLine(int question, std::string_view label, std::string_view answer) override;
    std::optional<std::string> readConfirmation(const std::vector<std::string>& reviewLines) override;
    void confirmed() override;
    void faultAlert() override;
    void reportFault(std::uint16_t line, std::uint8_t code, std::string_view message) override;
    void programEnd(std::string_view writtenFile) override;

    // Blanks written to paint one row; the input row (the prompt stands
    // three rows above it, the hint two).
    static constexpr int screenWidth = 80;
    static constexpr int inputRow = 46;

private:
    void paintRow(int row, int foreground, int background);

    ConsoleScreen& screen_;
    ConsoleKeyboard& keyboard_;
    VuvadOdor editor_;
};

}  // namespace corvel
