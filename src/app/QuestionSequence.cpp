// The question sequence: which question comes next, the review rows, the
// error tone and the confirmation.
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

}  // namespace

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
        askQuestion();
        if (exitFlag == 1) return;  // Alt+X: straight on to the program end
        if (goBackFlag == 1 && n != 1) {
            n = question.altBGoesTo == baudGateGoingBack ? baudGate(true) : question.altBGoesTo;
            continue;
        }
        if (question.required && answerResult.empty()) {
            playErrorTone();
            continue;
        }
        if (n == formerSysopQuestion) answerResult = yesNoRewrite(answerResult);
        answers.*question.answer = answerResult;
        drawReviewRow(n);
        n = n == dataPhoneQuestion ? baudGate(false) : n + 1;
    }
}

// The BAUD question is only asked when a data phone number is stored.
int Form::baudGate(bool goingBack) const {
    if (!answers.dataPhone.empty()) return baudRateQuestion;
    return goingBack ? dataPhoneQuestion : baudRateQuestion + 1;
}

void Form::paintRow(int row, int foreground, int background) {
    screen_.setCursorPos(row, 1);
    screen_.setTextColors(foreground, background, 0);
    screen_.writeText(std::string(static_cast<std::size_t>(screenWidth), ' '));
    screen_.setCursorPos(row, 1);
}

// The review row of question n is row n + 3.
void Form::drawReviewRow(int n) {
    const Question& question = questions[static_cast<std::size_t>(n - 1)];
    paintRow(n + 3, 15, 9);
    screen_.writeText(question.reviewLabel);
    screen_.writeText(answers.*question.answer);
}

bool Form::confirm() {
    screen_.setCursorPos(inputRow - 3, 1);
    for (int i = 0; i < 7; ++i) screen_.writeText(std::string(static_cast<std::size_t>(screenWidth), ' '));
    screen_.setCursorPos(inputRow, 1);
    screen_.writeText("Everything OK? (Y/N) ");
    confirmReply = firstField(keyboard_.readLine());
    if (!isAcceptedReply(confirmReply)) return false;
    // From here the answers are due, whatever ends the wait for Enter.
    confirmed_ = true;
    screen_.newLine();
    screen_.writeText("Data output to file MyCorvel.Txt ... {Press ENTER} ");
    keyboard_.readLine();
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
