#include <gtest/gtest.h>

#include "app/FormHarness.h"

namespace corvel::test {
namespace {

const std::string q1 = "Enter REAL Name (First Last):";
const std::string q7 = "Enter Data phone no. (Dialup only):";
const std::string q8 = "Enter Max DCE BAUD Rate (300-38400):";
const std::string q9 = "Internet Connectivity? (BinkP, Telnet, FTP):";
const std::string newHint = " { ESC: clear  Alt+B: go Back  Alt+X: eXit  Home|End|Ins|Del|Arrows }";
const std::string storedHint = " { ESC: clear  Alt+B: go Back  VuvadOdor ON  Home|End|Ins|Del|Arrows }";

TEST(FormRun, aConfirmedApplicationIsWrittenAsNineteenLines) {
    FormHarness form;
    form.answerAll(fullAnswers);
    form.then([&] {
        EXPECT_EQ(form.row(46), "Everything OK? (Y/N)");
        for (int row = 43; row <= 49; ++row) {  // the input area blanked, field and dots gone
            if (row != 46) {
                EXPECT_EQ(form.row(row), "") << row;
            }
            const int from = row == 46 ? 22 : 1;
            EXPECT_EQ(form.device.readCell(row, from).attribute, form.device.readCell(row, 80).attribute) << row;
            EXPECT_EQ(form.device.readCell(row, 18).attribute, form.device.readCell(42, 18).attribute) << row;
        }
        EXPECT_EQ(form.row(4), "User Name = Jane Doe");
        EXPECT_EQ(form.row(17), "Former SysOp = Yes");
        EXPECT_EQ(form.device.readCell(4, 1).attribute, 159);
        form.device.pushText(" yes , and more\r");
    });
    form.then([&] {
        EXPECT_EQ(form.row(48), "Data output to file MyCorvel.Txt ... {Press ENTER}");
        form.device.pushText("ignored\r");
    });
    EXPECT_EQ(form.run(), 0);
    EXPECT_EQ(form.file(), headerLines + fullAnswerLines);
    EXPECT_EQ(form.row(1), "") << "the program end clears the screen";
}

TEST(FormRun, theTitleScreenAndTheFirstQuestion) {
    FormHarness form;
    form.then([&] {
        MemoryDevice& d = form.device;
        EXPECT_EQ(d.width(), 80);
        EXPECT_EQ(d.height(), 50);
        EXPECT_EQ(d.rowText(1, 25, 54), " -=:{ FIDONet Application }:=-");
        EXPECT_EQ(d.readCell(1, 25).attribute, 14 + 9 * 16);
        EXPECT_EQ(d.rowText(1, 2, 16), " Corvel v1.1.C ");
        EXPECT_EQ(d.readCell(1, 2).attribute, 11 + 9 * 16);
        EXPECT_EQ(d.rowText(1, 61, 78), "December 8th, 2026");
        EXPECT_EQ(d.readCell(1, 61).attribute, 15 + 9 * 16);
        EXPECT_EQ(d.rowText(2, 3, 17), std::string(creditLine));
        EXPECT_EQ(d.readCell(2, 3).attribute, 4 + 9 * 16);
        EXPECT_EQ(form.row(43), q1);
        EXPECT_EQ(d.readCell(43, 80).attribute, 14 + 9 * 16);
        EXPECT_EQ(form.row(44), newHint);
        EXPECT_EQ(d.readCell(44, 1).attribute, 11 + 9 * 16);
        EXPECT_EQ(d.rowText(46, 1, 3), " \x10 ");
        EXPECT_EQ(d.readCell(46, 4).character, 249);
        EXPECT_EQ(d.readCell(46, 4).attribute, 30);
        EXPECT_EQ(d.readCell(30, 30).attribute, 159);
        d.pushAlt('x');
    });
    EXPECT_EQ(form.run(), 0);
    EXPECT_EQ(form.file(), headerLines) << "Alt+X leaves the header only";
}

struct TitleCase {
    std::string tail;
    int column;
    std::string title;
};

TEST(FormRun, theNetworkNameComesFromTheCommandTail) {
    const std::string longName(60, 'N');
    for (const TitleCase& c : std::vector<TitleCase>{
             {"X", 25, " -=:{ FIDONet Application }:=-"},
             {"Othernet", 24, " -=:{ Othernet Application }:=-"},
             {"Two Words", 24, " -=:{ Two Words Application }:=-"},
             {longName, 1, " -=:{ " + longName + " Application }:=-"}}) {
        FormHarness form;
        form.then([&] {
            std::string shown = form.device.rowText(1) + form.device.rowText(2);
            std::string expected = c.title;
            if (c.column == 1) {
                // Version, credit and date are drawn over a title this long.
                EXPECT_EQ(shown.substr(16, 44), expected.substr(16, 44)) << c.tail;
                EXPECT_EQ(shown.substr(80, 2), expected.substr(80, 2)) << "wrapped into row 2";
                EXPECT_EQ(shown.substr(82, 15), std::string(creditLine));
            } else {
                EXPECT_EQ(shown.substr(c.column - 1, expected.size()), expected) << c.tail;
            }
            form.device.pushAlt('x');
        });
        form.run(c.tail);
        EXPECT_EQ(form.file().substr(0, 9 + c.title.size()), "09:05:03 " + c.title) << c.tail;
    }
}

TEST(FormRun, theDateLineEndsInColumn78WhateverItsLength) {
    struct DateCase {
        LocalMoment moment;
        std::string text;
    };
    for (const DateCase& c : std::vector<DateCase>{{{2026, 9, 30, 21, 5, 3}, "September 30th, 2026"},
                                                   {{2027, 5, 1, 0, 0, 0}, "May 1st, 2027"},
                                                   {{2026, 3, 22, 0, 0, 0}, "March 22nd, 2026"},
                                                   {{2026, 1, 13, 0, 0, 0}, "January 13th, 2026"}}) {
        FormHarness form;
        setClockSource([&] { return c.moment; });
        form.then([&] {
            int column = 79 - static_cast<int>(c.text.size());
            EXPECT_EQ(form.device.rowText(1, column, 78), c.text);
            form.device.pushAlt('x');
        });
        form.run();
        EXPECT_NE(form.file().find("  on " + c.text + "\r\n\r\n"), std::string::npos) << c.text;
    }
}

TEST(FormRun, requiredQuestionsInsistWithTheToneAndOptionalOnesGoOn) {
    FormHarness form;
    form.answer("");
    form.altKey('b');
    form.answer("   ");
    form.answerAll({"Jane", "j@x", "S", "L", "1"});
    form.answer("");  // optional question 6
    form.then([&] {
        EXPECT_EQ(form.row(9), "Best Time to call =");
        EXPECT_EQ(form.device.alerts(), 3) << "one tone per refused answer";
        form.device.pushAlt('x');
    });
    EXPECT_EQ(form.run(), 0);
    EXPECT_EQ(form.prompts[0], q1);
    EXPECT_EQ(form.prompts[3], q1);
    EXPECT_EQ(form.prompts[4], "Enter Email Address:");
}

TEST(FormRun, theBaudQuestionIsAskedOnlyWithADataPhoneNumber) {
    FormHarness form;
    form.answerAll({"Jane", "j@x", "S", "L", "1", ""});
    form.answer("");      // question 7, no data phone
    form.altKey('b');     // question 9 goes back to 7
    form.answer("555");   // now with a data phone
    form.answer("9600");  // question 8
    form.altKey('b');     // question 9 back to 8
    form.altKey('b');     // 8 back to 7
    form.then([&] {
        form.device.pushKey(27, 1);   // erase the data phone
        form.device.pushKey(13, 28);
    });
    form.altKey('b');  // question 9 back to 7 again
    form.altKey('x');
    EXPECT_EQ(form.run(), 0);
    std::vector<std::string> expected = {q7, q9, q7, q8, q9, q8, q7, q9, q7};
    std::vector<std::string> seen(form.prompts.begin() + 6, form.prompts.end());
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(form.row(11), "") << "the screen was cleared at the end";
    EXPECT_EQ(form.form->answers.baudRate, "9600") << "a skipped question keeps its answer";
}

TEST(FormRun, formerSysopShorthandIsRewrittenExactly) {
    for (auto [typed, stored] : std::vector<std::pair<std::string, std::string>>{
             {"y", "Yes"}, {"N", "No"}, {"n", "No"}, {"YES", "YES"}, {"no", "no"}, {"Yep", "Yep"}}) {
        FormHarness form;
        form.answerAll({"Jane", "j@x", "S", "L", "1", "", "", "", "", "", "", "", typed});
        form.then([&, stored = stored] {
            EXPECT_EQ(form.row(17), "Former SysOp = " + stored);
            form.device.pushAlt('x');
        });
        form.run();
    }
}

TEST(FormRun, aDeclinedConfirmationAsksAgainWithEveryAnswerKept) {
    FormHarness form;
    form.answerAll(fullAnswers);
    form.answer("yES");
    form.then([&] {
        EXPECT_EQ(form.row(43), q1);
        EXPECT_EQ(form.row(44), storedHint);
        EXPECT_EQ(form.device.rowText(46, 4, 11), "Jane Doe");
        EXPECT_EQ(form.row(18), "Special Instructions = none");
        form.device.pushKey(13, 28);
    });
    for (int question = 2; question <= 15; ++question) {
        form.then([&] { form.device.pushKey(13, 28); });
    }
    form.answer("\"Yes\"");
    form.answer("");
    EXPECT_EQ(form.run(), 0);
    EXPECT_EQ(form.file(), headerLines + fullAnswerLines);
}

TEST(FormRun, goingBackKeepsLaterAnswersAndTheirReviewRows) {
    FormHarness form;
    form.answerAll({"Jane", "j@x", "Site"});
    form.altKey('b');
    form.altKey('b');
    form.then([&] {
        EXPECT_EQ(form.row(43), "Enter Email Address:");
        EXPECT_EQ(form.row(6), "BBS/Site Name = Site");
        EXPECT_EQ(form.device.rowText(46, 4, 6), "j@x");
        form.device.pushAlt('x');
    });
    form.run();
}

TEST(ConfirmationReply, theFirstFieldDecides) {
    EXPECT_EQ(firstField("  yes  , more"), "yes");
    EXPECT_EQ(firstField("\"Yes\" trailing"), "Yes");
    EXPECT_EQ(firstField("  \"unclosed y"), "unclosed y");
    EXPECT_EQ(firstField(""), "");
    EXPECT_EQ(firstField("   "), "");
    EXPECT_EQ(firstField("Y"), "Y");
    EXPECT_EQ(trimBlanks("  a b  "), "a b");
    EXPECT_EQ(trimBlanks("\ta "), "\ta");
}

TEST(DaySuffix, followsTheOrdinalRule) {
    std::string suffixes;
    for (int day = 1; day <= 31; ++day) suffixes += std::string(daySuffix(day)) + " ";
    EXPECT_EQ(suffixes,
              "st nd rd th th th th th th th th th th th th th th th th th st nd rd th th th th th th th st ");
    EXPECT_EQ(monthTableItem(0), "");
    EXPECT_EQ(monthTableItem(12), "December");
    EXPECT_EQ(monthTableItem(13), "");
}

}  // namespace
}  // namespace corvel::test
