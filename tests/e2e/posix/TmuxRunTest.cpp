// The real program in a real terminal: tmux at 80 x 50 (and 80 x 24) runs
// build/corvel, the test types as a user would and reads the pane.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/Answers.h"
#include "support/TempDir.h"

namespace corvel::test {
namespace {

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string commandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
        ::pclose(pipe);
    }
    return output;
}

// Digits masked, so that times can be compared.
std::string masked(std::string text) {
    for (char& c : text) {
        if (c >= '0' && c <= '9') c = '#';
    }
    return text;
}

bool haveTmux() { return std::system("command -v tmux >/dev/null 2>&1") == 0; }

// The locale of a UTF-8 terminal, whatever the test runs under.
const std::string utf8Locale = "LANG=C.UTF-8";

class TmuxSession {
public:
    // Runs the program in a pane of 80 x rows with the environment settings
    // given, recording the terminal settings before and after it, its exit
    // code and every byte it sends to the pane ("output"), in dir.
    TmuxSession(const std::filesystem::path& dir, const std::string& arguments,
                const std::string& environment = utf8Locale, int rows = 50, int columns = 80)
        : socket_("corvel-e2e-" + std::to_string(::getpid()) + "-" + std::to_string(++sessions)) {
        std::string script = "while [ ! -e go ]; do sleep 0.02; done; stty -g > before; "
                             "env -u LC_ALL -u LC_CTYPE -u CORVEL_CHARSET " + environment + " " +
                             std::string(CORVEL_BINARY) + " " + arguments +
                             "; echo $? > rc; stty -g > after; sleep 60";
        tmux("new-session -d -x " + std::to_string(columns) + " -y " + std::to_string(rows) + " -c " +
             shellQuote(dir.string()) + " " + shellQuote(script));
        tmux("pipe-pane " + shellQuote("cat > output"));
        writeFile(dir / "go", "");
    }
    ~TmuxSession() { tmux("kill-server"); }

    std::string tmux(const std::string& arguments) const {
        return commandOutput("tmux -L " + socket_ + " " + arguments + " 2>/dev/null");
    }
    std::string screen() const { return tmux("capture-pane -p"); }
    std::string screenWithColours() const { return tmux("capture-pane -e -p"); }
    void type(const std::string& text) const { tmux("send-keys -l " + shellQuote(text)); }
    void keys(const std::string& names) const { tmux("send-keys " + names); }

    // Waits (at most ten seconds) until the screen shows text.
    bool waitFor(const std::string& text) const {
        for (int i = 0; i < 200; ++i) {
            if (screen().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ADD_FAILURE() << "never shown: " << text << "\n" << screen();
        return false;
    }
    // The pid of the program: the child of the pane's shell.
    int programPid() const {
        std::string shell = tmux("display-message -p '#{pane_pid}'");
        std::string children = commandOutput("cat /proc/" + std::to_string(std::stoi(shell)) + "/task/*/children");
        return children.empty() ? 0 : std::stoi(children);
    }

private:
    // A server of its own for each session: one that was just killed may
    // still answer on its socket.
    static inline int sessions = 0;
    std::string socket_;
};

bool waitForFile(const std::filesystem::path& path) {
    for (int i = 0; i < 200; ++i) {
        if (std::filesystem::exists(path) && std::filesystem::file_size(path) > 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}


TEST(TmuxRun, aUserFillsInConfirmsAndFindsTheApplication) {
    if (!haveTmux()) GTEST_SKIP() << "tmux is not installed: the real-terminal run is skipped";
    TempDir dir;
    TmuxSession tmux(dir.path(), "");
    ASSERT_TRUE(tmux.waitFor("Enter REAL Name"));
    EXPECT_NE(tmux.screen().find(" \u25BA \u2219\u2219\u2219"), std::string::npos) << "input marker and dots";
    for (const std::string& answer : typedAnswers) {
        std::string before = tmux.screen();
        tmux.type(answer);
        tmux.keys("Enter");
        if (answer == "none") break;
        // The next prompt replaces this one.
        for (int i = 0; i < 200 && tmux.screen() == before; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ASSERT_TRUE(tmux.waitFor("Everything OK? (Y/N)"));
    std::string review = tmux.screen();
    EXPECT_NE(review.find("Former SysOp = Yes"), std::string::npos);
    EXPECT_NE(review.find("BAUD Rate = 33600"), std::string::npos);
    tmux.type("y");
    tmux.keys("Enter");
    ASSERT_TRUE(tmux.waitFor("Data output to file MyCorvel.Txt ... {Press ENTER}"));
    tmux.keys("Enter");
    ASSERT_TRUE(waitForFile(dir.path() / "after"));

    EXPECT_EQ(readFile(dir.path() / "rc"), "0\n");
    EXPECT_EQ(readFile(dir.path() / "before"), readFile(dir.path() / "after")) << "terminal settings restored";
    std::string application = readFile(dir.path() / "MyCorvel.Txt");
    const std::string answerLines =
        "Real Name = Jane Doe\r\nEmail Address = jane@example.org\r\nBBS/Site Name = Doe BBS\r\n"
        "Location = Lafayette, LA\r\nVoice Phone = 1-337-555-1212\r\nBest Time to call = 7am-9pm\r\n"
        "Data Phone = 1-337-555-1313\r\nBAUD Rate = 33600\r\nInternet = BinkP\r\n"
        "Domain/IP = bbs.example.org\r\nMailer = Mailer\r\nEchomail Tosser = Tosser\r\nFile Tosser = FileT\r\n"
        "Former SysOp = Yes\r\nInstructions = none\r\n\r\n";
    std::size_t answersAt = application.find("\r\n\r\n") + 4;
    ASSERT_NE(answersAt, std::string::npos + 4) << application;
    EXPECT_EQ(masked(application.substr(0, 44)), "##:##:##  -=:{ FIDONet Application }:=-  on ");
    EXPECT_EQ(application.substr(answersAt, answerLines.size()), answerLines);
    EXPECT_EQ(masked(application.substr(answersAt + answerLines.size())),
              "##:##:## ==={ End of Application }=== \r\n");
}

// A name in Polish and Russian: the field, the review row and the file show
// the same code page 437 text (ó is byte 162); so do the title and the file
// header for a network name in Greek.
TEST(TmuxRun, aNameInOtherScriptsIsTransliteratedAlike) {
    if (!haveTmux()) GTEST_SKIP() << "tmux is not installed: the real-terminal run is skipped";
    TempDir dir;
    TmuxSession tmux(dir.path(), "\u039B\u03AC\u03BC\u03B4\u03B1");
    ASSERT_TRUE(tmux.waitFor("-=:{ L\u00E1\u00B5\u03B4\u03B1 Application }:=-"));
    tmux.type("\u0141\u00F3d\u017A \u0418\u0432\u0430\u043D");
    ASSERT_TRUE(tmux.waitFor("\u25BA L\u00F3dz Ivan\n"));
    tmux.type("\r" + answersTypedFrom(1));
    ASSERT_TRUE(tmux.waitFor("Everything OK? (Y/N)"));
    EXPECT_NE(tmux.screen().find("User Name = L\u00F3dz Ivan\n"), std::string::npos) << tmux.screen();
    tmux.type("y\r");
    ASSERT_TRUE(tmux.waitFor("{Press ENTER}"));
    tmux.keys("Enter");
    ASSERT_TRUE(waitForFile(dir.path() / "after"));
    const std::string application = readFile(dir.path() / "MyCorvel.Txt");
    EXPECT_NE(application.find("-=:{ L\xA0\xE6\xEB\xE0 Application }:=-"), std::string::npos);
    EXPECT_NE(application.find("\r\nReal Name = L\xA2" "dz Ivan\r\n"), std::string::npos);
}

// On 40 columns: Up in the first field loads the empty first entry, and the
// field then shows only what is typed after it, all that Enter stores; the
// view follows the cursor right along a long answer and back to column 1.
TEST(TmuxRun, aRecalledTextShowsAloneAndANarrowViewPansBackLeft) {
    if (!haveTmux()) GTEST_SKIP() << "tmux is not installed: the real-terminal run is skipped";
    TempDir dir;
    TmuxSession tmux(dir.path(), "", utf8Locale, 50, 40);
    ASSERT_TRUE(tmux.waitFor("Enter REAL Name"));
    tmux.type("hello world");
    ASSERT_TRUE(tmux.waitFor("hello world"));
    tmux.keys("Up");
    tmux.type("Zq");
    ASSERT_TRUE(tmux.waitFor("Zq"));
    EXPECT_EQ(tmux.screen().find("llo world"), std::string::npos) << tmux.screen();
    tmux.type(std::string(60, 'j'));
    ASSERT_TRUE(tmux.waitFor(std::string(36, 'j') + "\n"));  // panned right: the field's end shows
    tmux.keys("Enter");
    ASSERT_TRUE(tmux.waitFor("Address"));
    EXPECT_NE(tmux.screen().find("Enter Email Address:"), std::string::npos) << tmux.screen();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line.erase(line.find_last_not_of(' ') + 1));
    return out;
}

// Whether small shows rows of big, in their order, through a window of
// width columns at some column offset (a shorter terminal folds blank rows
// away).
bool showsPartOf(const std::vector<std::string>& small, const std::vector<std::string>& big, std::size_t width) {
    for (std::size_t left = 0; left < 80; ++left) {
        std::size_t at = 0;
        bool found = true;
        for (std::size_t i = 0; found && i < small.size(); ++i, ++at) {
            for (; at < big.size(); ++at) {
                std::string part = big[at].size() > left ? big[at].substr(left, width) : "";
                if (part.erase(part.find_last_not_of(' ') + 1) == small[i]) break;
            }
            found = at < big.size();
        }
        if (found) return true;
    }
    return false;
}

TEST(TmuxRun, afterAThousandResizesTheFrameFitsTheFinalSize) {
    if (!haveTmux()) GTEST_SKIP() << "tmux is not installed: the real-terminal run is skipped";
    TempDir dir;
    TmuxSession tmux(dir.path(), "");
    tmux.tmux("set-option -g status off");
    tmux.tmux("resize-window -x 80 -y 50");
    ASSERT_TRUE(tmux.waitFor("Enter REAL Name"));
    tmux.type("Jane");
    ASSERT_TRUE(tmux.waitFor("Jane"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::string whole = tmux.screen();

    std::mt19937 random(8);
    for (int batch = 0; batch < 40; ++batch) {
        std::string commands;
        for (int i = 0; i < 25; ++i) {
            commands += " resize-window -x " + std::to_string(10 + random() % 100) + " -y " +
                        std::to_string(3 + random() % 60) + " \\;";
        }
        tmux.tmux(commands + " display-message ok");
    }
    tmux.tmux("resize-window -x 60 -y 30");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::vector<std::string> part = lines(tmux.screen());
    EXPECT_EQ(part.size(), 30u);
    EXPECT_TRUE(showsPartOf(part, lines(whole), 60)) << tmux.screen();
    EXPECT_NE(tmux.screen().find("Jane"), std::string::npos) << "the window follows the cursor";

    tmux.tmux("resize-window -x 80 -y 50");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(tmux.screen(), whole);
}

// On 80 x 24 blank rows fold away: the title, the review list, the prompt,
// the hint and the four field rows are on screen at once with the cursor in
// the field, and at the confirmation the title and every answer.
TEST(TmuxRun, onAn80By24TerminalTheWholeFormIsInView) {
    if (!haveTmux()) GTEST_SKIP() << "tmux is not installed: the real-terminal run is skipped";
    TempDir dir;
    TmuxSession tmux(dir.path(), "", utf8Locale, 24);
    tmux.tmux("set-option -g status off");
    tmux.tmux("resize-window -x 80 -y 24");
    auto expectPanel = [&](const std::string& prompt) {
        ASSERT_TRUE(tmux.waitFor(prompt));
        std::vector<std::string> rows = lines(tmux.screen());
        ASSERT_EQ(rows.size(), 24u);
        EXPECT_NE(rows[0].find("-=:{ FIDONet Application }:=-"), std::string::npos);
        int fieldRows = static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const std::string& row) {
            return row.find("\u2219\u2219") != std::string::npos;
        }));
        EXPECT_EQ(fieldRows, 4) << tmux.screen();
        EXPECT_NE(tmux.screen().find(" { ESC: clear"), std::string::npos);
        int cursorRow = std::stoi(tmux.tmux("display-message -p '#{cursor_y}'"));
        EXPECT_NE(rows.at(static_cast<std::size_t>(cursorRow)).find("\u25BA"), std::string::npos) << "cursor in field";
    };
    expectPanel("Enter REAL Name");
    std::string fiveAnswers;
    for (std::size_t i = 0; i < 5; ++i) fiveAnswers += typedAnswers[i] + "\r";
    tmux.type(fiveAnswers);
    expectPanel("Enter Best time to call");
    for (std::size_t i = 0; i < 5; ++i) EXPECT_NE(tmux.screen().find(typedAnswers[i]), std::string::npos);
    tmux.type(answersTypedFrom(5));
    ASSERT_TRUE(tmux.waitFor("Everything OK? (Y/N)"));
    std::string confirmation = tmux.screen();
    EXPECT_NE(confirmation.find("-=:{ FIDONet Application }:=-"), std::string::npos);
    EXPECT_NE(confirmation.find("Former SysOp = Yes"), std::string::npos);
    for (const std::string& answer : typedAnswers) {
        if (answer == "y") continue;
        EXPECT_NE(confirmation.find(" = " + answer), std::string::npos) << answer;
    }
    tmux.type("y\r");
    ASSERT_TRUE(tmux.waitFor("Data output to file MyCorvel.Txt ... {Press ENTER}"));
    tmux.keys("Enter");
    ASSERT_TRUE(waitForFile(dir.path() / "after"));
    EXPECT_EQ(readFile(dir.path() / "rc"), "0\n");
}

TEST(TmuxRun, sigtermLeavesTheTerminalAsItWasFound) {
    if (!haveTmux()) GTEST_SKIP() << "tmux is not installed: the real-terminal run is skipped";
    TempDir dir;
    TmuxSession tmux(dir.path(), "Othernet");
    ASSERT_TRUE(tmux.waitFor("-=:{ Othernet Application }:=-"));
    tmux.type("half an answer");
    int pid = tmux.programPid();
    ASSERT_GT(pid, 0);
    ::kill(pid, SIGTERM);
    ASSERT_TRUE(waitForFile(dir.path() / "after"));
    EXPECT_EQ(readFile(dir.path() / "before"), readFile(dir.path() / "after"));
    EXPECT_EQ(readFile(dir.path() / "rc"), std::to_string(128 + SIGTERM) + "\n");
    EXPECT_EQ(tmux.screen().find("Othernet"), std::string::npos) << "back on the main screen";
}

// A network name made of escape sequences: a window title, a colour, a
// switch back to the main screen, a clear.
// Escape sequences and an e acute in UTF-8: the control bytes are dropped,
// the letter read as the mode reads a typed one.
const std::string hostileName = "\"$(printf 'N\\033]2;pwned\\007\\033[31mE\\303\\251\\033[?1049l\\033[2JT')\"";

struct CharsetCase {
    const char* environment;
    const char* marker;  // the input marker as the pane shows it (a UTF-8 pane drops raw bytes)
    const char* dots;    // placeholder dots as sent
    const char* name;    // the network name as the title shows it
};

void PrintTo(const CharsetCase& mode, std::ostream* out) { *out << mode.environment; }

std::string charsetCaseName(const ::testing::TestParamInfo<CharsetCase>& info) {
    const char* const names[] = {"utf8", "ascii", "cp437"};
    return names[info.index];
}

class TmuxCharset : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(TmuxCharset, titleScreenGlyphsAndAHarmlessEscapeLadenNetworkName) {
    if (!haveTmux()) GTEST_SKIP() << "tmux is not installed: the real-terminal run is skipped";
    const CharsetCase& mode = GetParam();
    TempDir dir;
    TmuxSession tmux(dir.path(), hostileName, mode.environment);
    ASSERT_TRUE(tmux.waitFor("Enter REAL Name"));
    std::string screen = tmux.screen();
    EXPECT_NE(screen.find(mode.name), std::string::npos) << screen;
    EXPECT_NE(screen.find(mode.marker), std::string::npos) << screen;
    EXPECT_EQ(tmux.tmux("display-message -p '#{pane_title}'").find("pwned"), std::string::npos);
    EXPECT_EQ(tmux.tmux("display-message -p '#{alternate_on}'"), "1\n") << "still on the alternate screen";
    std::string titleRow = tmux.screenWithColours();
    EXPECT_EQ(titleRow.substr(0, titleRow.find('\n')).find("\x1b[31m"), std::string::npos) << "no red title";
    std::string output = readFile(dir.path() / "output");
    EXPECT_NE(output.find(mode.dots), std::string::npos);
    EXPECT_EQ(output.find("\x1b]"), std::string::npos) << "no title change";
    EXPECT_EQ(output.find("\x1b[?1049l"), std::string::npos) << "no way back to the main screen";
    if (std::string(mode.environment) == "LANG=C") {
        EXPECT_TRUE(std::all_of(output.begin(), output.end(), [](char c) { return (c & 0x80) == 0; }));
    }
    tmux.tmux("send-keys M-x");
    ASSERT_TRUE(waitForFile(dir.path() / "after"));
    EXPECT_EQ(readFile(dir.path() / "rc"), "0\n");
}

INSTANTIATE_TEST_SUITE_P(
    TmuxRun, TmuxCharset,
    ::testing::Values(CharsetCase{"LANG=C.UTF-8", " \u25BA ", "\u2219\u2219\u2219", "N]2;pwned[31mE\u00E9[?1049l[2JT"},
                      CharsetCase{"LANG=C", " > ", "...", "N]2;pwned[31mE[?1049l[2JT"},
                      // The two bytes go out as they are, and the UTF-8 pane shows them as one letter.
                      CharsetCase{"LANG=C.UTF-8 CORVEL_CHARSET=cp437", " >", "\xf9\xf9\xf9",
                                  "N]2;pwned[31mE\u00E9[?1049l[2JT"}),
    charsetCaseName);

}  // namespace
}  // namespace corvel::test
