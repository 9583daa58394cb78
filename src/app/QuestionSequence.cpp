// The question sequence: which question comes next, the answer the panel
// hands back, the review lines, the error tone and the confirmation.
#include "app/Form.h"

namespace corvel {
namespace {

bool isAcceptedReply(const std::string& reply) {
    return reply == "Y" || reply == "y" || reply == "YES" || reply == "Yes" || reply == "yes";
}

// Question 14 takes Y/N as shorthand; everything else stays as typed.
std::string yesNoRewrite(const std::string& answer) {
    if (answer == "Y" || answer == "y") return "Yes";
    if (answer == "N" || answer == "n") return "No";
    return answer;
}

bool startsWith(const std::string& text, const std::string& marker) {
    return text.compare(0, marker.size(), marker) == 0;
}

}  // namespace

// The answer trimmed, with the editor's Alt+X and Alt+B markers turned into
// the two flags. False when the input ended before an answer came.
bool Form::askQuestion() {
    goBackFlag = 0;
    exitFlag = 0;
    answerResult.clear();
    if (!panel_.askQuestion(promptText, editBuffer, answerHistory)) return false;
    answerResult = trimBlanks(editBuffer);
    if (startsWith(answerResult, altXMarker)) {
        exitFlag = 1;
        answerResult.clear();
    } else if (startsWith(answerResult, altBMarker)) {
        goBackFlag = 1;
        answerResult.clear();
    }
    return true;
}

// With no more input the application is given up as Alt+X leaves it: the
// file keeps its header.
void Form::inputEnded(int step) {
    inputEndedAt_ = step;
    exitFlag = 1;
}

void Form::questionSequence() {
    int n = 1;
    for (;;) {
        if (n > questionCount) {
            if (confirm()) return;
            n = 1;
            continue;
        }
        const Question& question = questions[static_cast<std::size_t>(n - 1)];
        promptText = question.prompt;
        editBuffer = answers.*question.answer;
        if (!askQuestion()) {
            inputEnded(n);
            return;
        }
        if (exitFlag == 1) return;  // Alt+X: straight on to the program end
        if (goBackFlag == 1 && n != 1) {
            n = question.altBGoesTo == baudGateGoingBack ? baudGate(true) : question.altBGoesTo;
            continue;
        }
        if (question.required && answerResult.empty()) {
            playErrorTone();
            panel_.answerRequired();
            continue;
        }
        if (n == formerSysopQuestion) answerResult = yesNoRewrite(answerResult);
        answers.*question.answer = answerResult;
        panel_.showReviewLine(n, question.reviewLabel, answers.*question.answer);
        n = n == dataPhoneQuestion ? baudGate(false) : n + 1;
    }
}

// The BAUD question is only asked when a data phone number is stored.
int Form::baudGate(bool goingBack) const {
    if (!answers.dataPhone.empty()) return baudRateQuestion;
    return goingBack ? dataPhoneQuestion : baudRateQuestion + 1;
}

bool Form::confirm() {
    std::vector<std::string> reviewLines;
    for (const Question& question : questions) {
        reviewLines.push_back(std::string(question.reviewLabel) + answers.*question.answer);
    }
    std::optional<std::string> reply = panel_.readConfirmation(reviewLines);
    if (!reply) {
        inputEnded(confirmationStep);
        return true;
    }
    confirmReply = firstField(*reply);
    if (!isAcceptedReply(confirmReply)) return false;
    // From here the answers are due, whatever ends the wait for Enter.
    confirmed_ = true;
    panel_.confirmed();
    return true;
}

void Form::playErrorTone() { runCommandLine("cmd /c lowchime.exe"); }

std::string firstField(std::string_view line) {
    std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) return {};
    line.remove_prefix(start);
    if (line[0] == '"') {
        line.remove_prefix(1);
        return std::string(line.substr(0, line.find('"')));
    }
    std::string field(line.substr(0, line.find(',')));
    std::size_t end = field.find_last_not_of(' ');
    field.resize(end == std::string::npos ? 0 : end + 1);
    return field;
}

std::string trimBlanks(std::string_view text) {
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace corvel
