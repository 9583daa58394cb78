// The line front-end of plain mode: the title, each question as its prompt
// with the answer read as one line, the review lines and the confirmation
// as lines of text; faults as one line on the error stream. The commands
// "/back", "/exit" and "/clear" stand for Alt+B, Alt+X and an emptied
// field; an empty line keeps the stored answer.
#pragma once

#include <string>

#include "console/LineDevice.h"
#include "editor/FormPanel.h"

namespace corvel {

class LinePanel final : public FormPanel {
public:
    explicit LinePanel(LineDevice& device) : device_(device) {}

    bool ownsConsole() const override { return false; }
    void clear() override {}
    void showTitle(std::string_view titleText, std::string_view version, std::string_view credit) override;
    void showDate(std::string_view dateText) override;
    bool askQuestion(std::string_view prompt, std::string& editBuffer, std::vector<std::string>& history) override;
    void answerRequired() override;
    void showReviewLine(int, std::string_view, std::string_view) override {}
    std::optional<std::string> readConfirmation(const std::vector<std::string>& reviewLines) override;
    void confirmed() override {}
    void faultAlert() override {}
    void reportFault(std::uint16_t line, std::uint8_t code, std::string_view message) override;
    void programEnd(std::string_view writtenFile) override;

private:
    void writeLine(std::string_view text);
    std::optional<std::string> readTypedLine();

    LineDevice& device_;
    std::string title_;
    std::string version_;
};

}  // namespace corvel
