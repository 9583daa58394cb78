// The keys of one whole application as a terminal sends them (xterm's
// sequences), each with the class it is counted in; "idle" entries are
// pauses in which the benchmark watches the waiting program.
#pragma once

#include <string>
#include <vector>

namespace corvel::bench {

struct ScriptKey {
    std::string bytes;
    std::string keyClass;
};

inline std::vector<ScriptKey> applicationScript() {
    const std::string home = "\x1b[H", end = "\x1b[F", left = "\x1b[D", right = "\x1b[C";
    const std::string del = "\x1b[3~", ins = "\x1b[2~", backspace = "\x7f", enter = "\r";
    const char* answers[] = {"Jane Q. Sysop", "jane@example.net", "The Night Owl BBS", "Lafayette, LA",
                             "1-337-555-1212", "7am-9pm", "1-337-555-1313", "33600", "BinkP, Telnet",
                             "bbs.example.net", "OwlMail", "OwlToss", "OwlFiles", "Y", "None"};
    std::vector<ScriptKey> keys;
    auto add = [&](const std::string& bytes, const char* keyClass) { keys.push_back({bytes, keyClass}); };
    for (int q = 0; q < 15; ++q) {
        std::string answer = answers[q];
        add(answer.substr(0, 1), "first key (dots go)");
        for (char c : answer.substr(1)) add(std::string(1, c), "typed char at end");
        if (answer.size() > 4) {
            add(home, "Home/End/arrows");
            add("X", "typed char inserted");
            add(backspace, "Backspace/Del mid-row");
            add(end, "Home/End/arrows");
            for (int i = 0; i < 3; ++i) add(left, "Home/End/arrows");
            add(del, "Backspace/Del mid-row");
            add(answer.substr(answer.size() - 3, 1), "typed char inserted");
            add(right, "Home/End/arrows");
            add(right, "Home/End/arrows");
            add(right, "Home/End/arrows");
            add(backspace, "Backspace at end");
            add(answer.substr(answer.size() - 1), "typed char at end");
        }
        if (q == 4) {
            add(home, "Home/End/arrows");
            add(ins, "Ins");
            add("2", "typed char overwrite");
            add(ins, "Ins");
            add(home, "Home/End/arrows");
            add(home, "no-op key");
            add(left, "no-op key");
        }
        add(enter, "next question (Enter)");
        if (q == 2) {
            add("\x1b" "b", "Alt+B back");
            add(enter, "next question (Enter)");
        }
    }
    add("idle", "idle");
    keys.back().bytes = "at the confirmation";
    add("Y", "confirmation");
    add(enter, "confirmation");
    add(enter, "confirmation");
    return keys;
}

}  // namespace corvel::bench
