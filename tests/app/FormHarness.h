// Runs the whole form on the in-memory device in a temporary directory, with
// a fixed clock, driven step by step: each time the form waits for a key the
// prompt row is recorded and the next step pushes its keys.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Form.h"
#include "runtime/CommandRunner.h"
#include "console/ConsoleSession.h"
#include "app/DeviceCommandOutput.h"
#include "console/MemoryDevice.h"
#include "runtime/Clock.h"
#include "runtime/SystemCall.h"
#include "support/TempDir.h"

namespace corvel::test {

inline std::string trimmedRow(const MemoryDevice& device, int row) {
    std::string text = device.rowText(row);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// The fault screen's report of a line label, an error code and its message.
inline std::string reportLine(const std::string& line, const std::string& code, const std::string& message) {
    return " \xEC Internal Error: Line " + line + "   Code " + code + "  = " + message;
}

struct FormHarness {
    TempDir dir;
    MemoryDevice device{100, 40};
    std::deque<std::function<void()>> steps;
    std::vector<std::string> prompts;  // row 43 at every wait for keys
    std::unique_ptr<ConsoleSession> session;
    std::unique_ptr<OutputFiles> files;
    DeviceCommandOutput commandOutput{device};
    std::unique_ptr<CommandRunner> runner;
    std::unique_ptr<Form> form;

    FormHarness() {
        setClockSource([] { return LocalMoment{2026, 12, 8, 9, 5, 3}; });
        device.setIdleHook([this] {
            prompts.push_back(trimmedRow(device, 43));
            if (steps.empty()) return;
            auto step = std::move(steps.front());
            steps.pop_front();
            step();
        });
    }
    ~FormHarness() {
        setClockSource({});
        clearSystemCallFaults();
    }

    int run(std::string tail = "") {
        session = std::make_unique<ConsoleSession>();
        files = std::make_unique<OutputFiles>();
        runner = std::make_unique<CommandRunner>(commandOutput);
        session->startSession(device, tail);
        form = std::make_unique<Form>(session->screen(), session->keyboard(), *files, *runner, tail);
        return session->endSession(form->mainRoutine());
    }

    void then(std::function<void()> step) { steps.push_back(std::move(step)); }
    // One step: type the text and press Enter.
    void answer(std::string text) {
        then([this, text] {
            device.pushText(text);
            device.pushKey(13, 28);
        });
    }
    void altKey(char letter) {
        then([this, letter] { device.pushAlt(letter); });
    }
    void answerAll(const std::vector<std::string>& answers) {
        for (const std::string& text : answers) answer(text);
    }
    std::string file() const { return readFile(dir.path() / "MyCorvel.Txt"); }
    std::string row(int n) const { return trimmedRow(device, n); }
};

// Answers that fill every question, the BAUD one included.
inline const std::vector<std::string> fullAnswers = {
    "Jane Doe",      "jane@example.org", "Doe BBS", "Lafayette, LA", "1-337-555-1212",
    "7am-9pm",       "1-337-555-1313",   "33600",   "BinkP, Telnet", "bbs.example.org",
    "Mailer \"one\"", "Tosser=1",        "FileT",   "y",             "none"};

inline const std::string headerLines =
    "09:05:03  -=:{ FIDONet Application }:=-  on December 8th, 2026\r\n\r\n";

inline const std::string fullAnswerLines =
    "Real Name = Jane Doe\r\n"
    "Email Address = jane@example.org\r\n"
    "BBS/Site Name = Doe BBS\r\n"
    "Location = Lafayette, LA\r\n"
    "Voice Phone = 1-337-555-1212\r\n"
    "Best Time to call = 7am-9pm\r\n"
    "Data Phone = 1-337-555-1313\r\n"
    "BAUD Rate = 33600\r\n"
    "Internet = BinkP, Telnet\r\n"
    "Domain/IP = bbs.example.org\r\n"
    "Mailer = Mailer \"one\"\r\n"
    "Echomail Tosser = Tosser=1\r\n"
    "File Tosser = FileT\r\n"
    "Former SysOp = Yes\r\n"
    "Instructions = none\r\n"
    "\r\n"
    "09:05:03 ==={ End of Application }=== \r\n";

}  // namespace corvel::test
