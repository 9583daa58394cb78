// The front-end the form asks through: the title, one question at a time,
// the review, the confirmation and the fault report. The screen front-end
// draws cells and edits with VuvadOdor; the line front-end reads and writes
// lines of text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvel {

// The longest answer: the width of the editor's field.
inline constexpr std::size_t fieldWidth = 255;

class FormPanel {
public:
    virtual ~FormPanel() = default;

    // Whether the form's console commands (the size at the start, the clear
    // at the end) are meant for this front-end's console.
    virtual bool ownsConsole() const = 0;
    // Whether the program was asked from outside to end (a hang-up, a
    // termination request, the closing console) while it waited here.
    virtual bool endRequested() const { return false; }

    // The title screen, in the order the form builds it: the cleared
    // screen, the title with the version label and credit line, the date.
    virtual void clear() = 0;
    virtual void showTitle(std::string_view titleText, std::string_view version, std::string_view credit) = 0;
    virtual void showDate(std::string_view dateText) = 0;

    // Asks one question. editBuffer comes in as the stored answer (empty the
    // first time) and goes out as the answer given, untrimmed, possibly
    // starting with the Alt+X or Alt+B marker. False: the input ended before
    // an answer came (the line front-end only).
    virtual bool askQuestion(std::string_view prompt, std::string& editBuffer,
                             std::vector<std::string>& history) = 0;
    // A required question got no answer and is asked again.
    virtual void answerRequired() = 0;
    // The review line of question n changed: its label and its answer.
    virtual void showReviewLine(int question, std::string_view label, std::string_view answer) = 0;

    // "Everything OK? (Y/N) " after the fifteen review lines; the typed
    // line, or nothing when the input ended.
    virtual std::optional<std::string> readConfirmation(const std::vector<std::string>& reviewLines) = 0;
    // The reply was a yes; the answers are about to be written.
    virtual void confirmed() = 0;

    // A run-time fault: the alert first, then (after the error tone) the
    // report of the line label, the error code and its message. The report
    // returns when the form may go on into the program end.
    virtual void faultAlert() = 0;
    virtual void reportFault(std::uint16_t line, std::uint8_t code, std::string_view message) = 0;

    // The answers have been written (or not); writtenFile names the file
    // after a confirmed application that reached it, else it is empty.
    virtual void programEnd(std::string_view writtenFile) = 0;
};

}  // namespace corvel
