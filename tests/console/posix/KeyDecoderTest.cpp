#include "console/posix/KeyDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace corvel::posix {
namespace {

using Keys = std::vector<KeyEvent>;

KeyEvent ext(int scan, bool shift = false, bool alt = false) {
    KeyEvent e;
    e.scanCode = static_cast<std::uint8_t>(scan);
    e.shift = shift;
    e.alt = alt;
    return e;
}

KeyEvent chr(int character, int scan, bool shift = false, bool alt = false) {
    KeyEvent e = ext(scan, shift, alt);
    e.character = static_cast<std::uint8_t>(character);
    return e;
}

// A character key that types further characters.
KeyEvent typing(int character, std::string_view more, bool alt = false) {
    KeyEvent e = chr(character, 0, false, alt);
    e.more = more;
    return e;
}

// All bytes in one read, then enough time for anything pending to resolve.
Keys decode(const std::string& bytes, Charset charset = Charset::utf8) {
    KeyDecoder d(charset);
    d.feed(bytes, 0);
    d.expire(1000);
    return d.take();
}

// The same bytes split into two reads at every boundary, 10 ms apart.
void expectSameAtEverySplit(const std::string& bytes, Charset charset = Charset::utf8) {
    Keys whole = decode(bytes, charset);
    for (std::size_t cut = 1; cut < bytes.size(); ++cut) {
        KeyDecoder d(charset);
        d.feed(bytes.substr(0, cut), 0);
        d.expire(10);
        d.feed(bytes.substr(cut), 10);
        d.expire(1000);
        EXPECT_EQ(d.take(), whole) << "split at byte " << cut;
    }
    KeyDecoder d(charset);
    for (std::size_t i = 0; i < bytes.size(); ++i) d.feed(bytes.substr(i, 1), static_cast<std::int64_t>(i));
    d.expire(100000);
    EXPECT_EQ(d.take(), whole) << "one byte per read";
}

TEST(KeyDecoder, PrintableCharactersCarryUsLayoutScanCodes) {
    EXPECT_EQ(decode("aA1!@ "), (Keys{chr('a', 30), chr('A', 30, true), chr('1', 2), chr('!', 2, true),
                                       chr('@', 3, true), chr(' ', 57)}));
    EXPECT_EQ(decode("xbqpzm"), (Keys{chr('x', 45), chr('b', 48), chr('q', 16), chr('p', 25), chr('z', 44),
                                       chr('m', 50)}));
    EXPECT_EQ(decode("-_=+[{]};:'\"`~\\|,<.>/?"),
              (Keys{chr('-', 12), chr('_', 12, true), chr('=', 13), chr('+', 13, true), chr('[', 26),
                    chr('{', 26, true), chr(']', 27), chr('}', 27, true), chr(';', 39), chr(':', 39, true),
                    chr('\'', 40), chr('"', 40, true), chr('`', 41), chr('~', 41, true), chr('\\', 43),
                    chr('|', 43, true), chr(',', 51), chr('<', 51, true), chr('.', 52), chr('>', 52, true),
                    chr('/', 53), chr('?', 53, true)}));
    for (int c = 32; c < 127; ++c) {
        Keys keys = decode(std::string(1, static_cast<char>(c)));
        ASSERT_EQ(keys.size(), 1u) << c;
        EXPECT_EQ(keys[0].character, c);
        EXPECT_NE(keys[0].scanCode, 0) << "character " << c;
        EXPECT_TRUE(keys[0].isKey && keys[0].down);
        EXPECT_FALSE(keys[0].alt);
    }
}

TEST(KeyDecoder, EditingAndControlKeys) {
    EXPECT_EQ(decode("\r"), Keys{chr(13, 28)});
    EXPECT_EQ(decode("\t"), Keys{chr(9, 15)});
    EXPECT_EQ(decode("\x7f"), Keys{chr(8, 14)});
    EXPECT_EQ(decode("\x08"), Keys{chr(8, 14)});
    EXPECT_EQ(decode("\x03"), Keys{chr(3, 46)});   // Ctrl+C is a key
    EXPECT_EQ(decode("\x1a"), Keys{chr(26, 44)});  // Ctrl+Z
    EXPECT_EQ(decode("\x1c"), Keys{chr(28, 43)});  // Ctrl+backslash
    EXPECT_EQ(decode("\x01\x13\x11\x18"), (Keys{chr(1, 30), chr(19, 31), chr(17, 16), chr(24, 45)}));
}

TEST(KeyDecoder, LoneEscIsAKeyOnlyAfterTheTimeOut) {
    KeyDecoder d(Charset::utf8);
    d.feed("\x1b", 1000);
    EXPECT_FALSE(d.hasEvents());
    ASSERT_TRUE(d.deadline().has_value());
    EXPECT_EQ(*d.deadline(), 1000 + KeyDecoder::defaultEscTimeoutMs);
    d.expire(1049);
    EXPECT_FALSE(d.hasEvents());
    d.expire(1050);
    EXPECT_EQ(d.take(), Keys{chr(27, 1)});
    EXPECT_FALSE(d.deadline().has_value());
}

TEST(KeyDecoder, TimeOutIsAtMostFiftyMilliseconds) {
    EXPECT_LE(KeyDecoder::defaultEscTimeoutMs, 50);
    EXPECT_GT(KeyDecoder::defaultEscTimeoutMs, 0);
}

TEST(KeyDecoder, ByteAfterTheTimeOutDoesNotJoinTheEsc) {
    KeyDecoder d(Charset::utf8);
    d.feed("\x1b", 0);
    d.feed("x", 50);  // no expire() call in between: feed resolves it
    EXPECT_EQ(d.take(), (Keys{chr(27, 1), chr('x', 45)}));
    d.feed("\x1b", 100);
    d.feed("[A", 200);
    EXPECT_EQ(d.take(), (Keys{chr(27, 1), chr('[', 26), chr('A', 30, true)}));
}

TEST(KeyDecoder, EscFollowedWithinTheTimeOutIsAlt) {
    KeyDecoder d(Charset::utf8);
    d.feed("\x1b", 0);
    d.feed("x", 49);
    EXPECT_EQ(d.take(), Keys{chr('x', 45, false, true)});
    EXPECT_FALSE(d.deadline().has_value());
}

TEST(KeyDecoder, AltWithKeys) {
    EXPECT_EQ(decode("\x1bx"), Keys{chr('x', 45, false, true)});
    EXPECT_EQ(decode("\x1b" "b"), Keys{chr('b', 48, false, true)});
    EXPECT_EQ(decode("\x1bX"), Keys{chr('X', 45, true, true)});
    EXPECT_EQ(decode("\x1bq"), Keys{chr('q', 16, false, true)});
    EXPECT_EQ(decode("\x1b" "1"), Keys{chr('1', 2, false, true)});
    EXPECT_EQ(decode("\x1b\x7f"), Keys{chr(8, 14, false, true)});
    EXPECT_EQ(decode("\x1b\r"), Keys{chr(13, 28, false, true)});
    EXPECT_EQ(decode("\x1b\x18"), Keys{chr(24, 45, false, true)});  // Ctrl+Alt+X
    // A timed-out ESC [ or ESC O is Alt with that character.
    EXPECT_EQ(decode("\x1b["), Keys{chr('[', 26, false, true)});
    EXPECT_EQ(decode("\x1bO"), Keys{chr('O', 24, true, true)});
}

TEST(KeyDecoder, TwoEscapesAreTwoEscKeys) {
    EXPECT_EQ(decode("\x1b\x1b"), (Keys{chr(27, 1), chr(27, 1)}));
    EXPECT_EQ(decode("\x1b\x1b\x1b"), (Keys{chr(27, 1), chr(27, 1), chr(27, 1)}));
    EXPECT_EQ(decode("\x1b\x1bx"), (Keys{chr(27, 1), chr('x', 45, false, true)}));
}

TEST(KeyDecoder, CursorKeysInEveryForm) {
    // xterm normal mode, application mode (SS3), tmux and the Linux console.
    EXPECT_EQ(decode("\x1b[A\x1b[B\x1b[C\x1b[D"), (Keys{ext(72), ext(80), ext(77), ext(75)}));
    EXPECT_EQ(decode("\x1bOA\x1bOB\x1bOC\x1bOD"), (Keys{ext(72), ext(80), ext(77), ext(75)}));
    // With modifier parameters: Shift, Alt, Ctrl (Ctrl has no flag of its own).
    EXPECT_EQ(decode("\x1b[1;2A"), Keys{ext(72, true)});
    EXPECT_EQ(decode("\x1b[1;3B"), Keys{ext(80, false, true)});
    EXPECT_EQ(decode("\x1b[1;5C"), Keys{ext(77)});
    EXPECT_EQ(decode("\x1b[1;4D"), Keys{ext(75, true, true)});
    EXPECT_EQ(decode("\x1bO5C"), Keys{ext(77)});
    // rxvt: Shift+arrow, Ctrl+arrow, Alt+arrow.
    EXPECT_EQ(decode("\x1b[a\x1b[d"), (Keys{ext(72, true), ext(75, true)}));
    EXPECT_EQ(decode("\x1bOc\x1bOb"), (Keys{ext(77), ext(80)}));
    EXPECT_EQ(decode("\x1b\x1b[A\x1b\x1bOD"), (Keys{ext(72, false, true), ext(75, false, true)}));
}

TEST(KeyDecoder, HomeEndInsDelPageKeysInEveryForm) {
    // xterm
    EXPECT_EQ(decode("\x1b[H\x1b[F\x1bOH\x1bOF"), (Keys{ext(71), ext(79), ext(71), ext(79)}));
    EXPECT_EQ(decode("\x1b[1;5H\x1b[1;2F"), (Keys{ext(71), ext(79, true)}));
    // VT220, Linux console, tmux/screen
    EXPECT_EQ(decode("\x1b[1~\x1b[2~\x1b[3~\x1b[4~\x1b[5~\x1b[6~"),
              (Keys{ext(71), ext(82), ext(83), ext(79), ext(73), ext(81)}));
    // rxvt
    EXPECT_EQ(decode("\x1b[7~\x1b[8~"), (Keys{ext(71), ext(79)}));
    EXPECT_EQ(decode("\x1b[3^\x1b[3$\x1b[7@"), (Keys{ext(83), ext(83, true), ext(71, true)}));
    // modifiers on the tilde forms
    EXPECT_EQ(decode("\x1b[3;5~\x1b[5;3~\x1b[2;2~"), (Keys{ext(83), ext(73, false, true), ext(82, true)}));
}

TEST(KeyDecoder, FunctionKeysInEveryForm) {
    Keys f1to4{ext(59), ext(60), ext(61), ext(62)};
    EXPECT_EQ(decode("\x1bOP\x1bOQ\x1bOR\x1bOS"), f1to4);          // xterm, tmux
    EXPECT_EQ(decode("\x1b[11~\x1b[12~\x1b[13~\x1b[14~"), f1to4);  // VT220, rxvt
    EXPECT_EQ(decode("\x1b[[A\x1b[[B\x1b[[C\x1b[[D\x1b[[E"),       // Linux console
              (Keys{ext(59), ext(60), ext(61), ext(62), ext(63)}));
    EXPECT_EQ(decode("\x1b[1;2P\x1b[1;5S\x1bO2Q"), (Keys{ext(59, true), ext(62), ext(60, true)}));
    EXPECT_EQ(decode("\x1b[15~\x1b[17~\x1b[18~\x1b[19~\x1b[20~\x1b[21~\x1b[23~\x1b[24~"),
              (Keys{ext(63), ext(64), ext(65), ext(66), ext(67), ext(68), ext(87), ext(88)}));
    EXPECT_EQ(decode("\x1b[15;5~\x1b[24;3~\x1b[11^"), (Keys{ext(63), ext(88, false, true), ext(59)}));
}

TEST(KeyDecoder, OtherTerminalKeyForms) {
    EXPECT_EQ(decode("\x1b[Z"), Keys{chr(9, 15, true)});  // Shift+Tab
    EXPECT_EQ(decode("\x1bOM"), Keys{chr(13, 28)});       // keypad Enter
    EXPECT_EQ(decode("\x1bOp\x1bOy\x1bOk"), (Keys{chr('0', 82), chr('9', 73), chr('+', 78)}));
    EXPECT_EQ(decode("\x1b[E\x1b[G"), (Keys{ext(76), ext(76)}));  // keypad 5
    // xterm modifyOtherKeys and the CSI u form.
    EXPECT_EQ(decode("\x1b[27;5;97~"), Keys{chr(1, 30)});
    EXPECT_EQ(decode("\x1b[27;3;120~"), Keys{chr('x', 45, false, true)});
    EXPECT_EQ(decode("\x1b[98;3u"), Keys{chr('b', 48, false, true)});
    EXPECT_EQ(decode("\x1b[13u"), Keys{chr(13, 28)});
}

TEST(KeyDecoder, UnknownSequencesAreSwallowedWhole) {
    EXPECT_EQ(decode("\x1b[99~x"), Keys{chr('x', 45)});
    EXPECT_EQ(decode("\x1b[?1;2cy"), Keys{chr('y', 21)});             // device attributes
    EXPECT_EQ(decode("\x1b[12;40Rz"), Keys{chr('z', 44)});            // cursor report
    EXPECT_EQ(decode("\x1b[>0;276;0c"), Keys{});                      // secondary attributes
    EXPECT_EQ(decode("\x1b[1;2;3;4;5;6A"), Keys{});                   // too many parameters
    EXPECT_EQ(decode("\x1b[1 q\x1b[?2;1$y"), Keys{});                // intermediates
    EXPECT_EQ(decode("\x1b[[Zk"), Keys{chr('k', 37)});
    EXPECT_EQ(decode("\x1bO~a"), Keys{chr('a', 30)});
    // A stray control byte ends a malformed sequence and counts as itself.
    EXPECT_EQ(decode("\x1b[12\r"), Keys{chr(13, 28)});
    // A sequence cut short by a new ESC.
    EXPECT_EQ(decode("\x1b[12\x1b[A"), Keys{ext(72)});
}

TEST(KeyDecoder, OverlongSequenceIsDroppedUpToItsFinalByte) {
    std::string bytes = "\x1b[" + std::string(200, '1') + "~q";
    EXPECT_EQ(decode(bytes), Keys{chr('q', 16)});
    KeyDecoder d(Charset::utf8);
    d.feed("\x1b[" + std::string(100, '2'), 0);
    d.feed(std::string(100, ';'), 1);
    d.feed("3~w", 2);
    d.expire(1000);
    EXPECT_EQ(d.take(), Keys{chr('w', 17)});
}

TEST(KeyDecoder, OverlongSequenceEndsAsTheSameBytesReadAtOnceEndIt) {
    const std::string params(70, '1');
    EXPECT_EQ(decode("\x1b[" + params + "\x1b[A"), Keys{ext(72)});  // a new ESC is no part of it
    expectSameAtEverySplit("\x1b[" + params + "\x1b[Aq");
    expectSameAtEverySplit("\x1b[" + params + ")07");             // a digit after an intermediate
    expectSameAtEverySplit("\x1b[" + std::string(70, '0') + "A");  // names no key, however it comes
    expectSameAtEverySplit("\x1bO" + params + " x");
    KeyDecoder d(Charset::utf8);
    d.feed("\x1b[" + params, 0);
    d.feed("A", 1000);  // typed after a silence: no part of the dropped sequence
    EXPECT_EQ(d.take(), Keys{chr('A', 30, true)});
}

TEST(KeyDecoder, IncompleteSequenceTimedOutIsDropped) {
    EXPECT_EQ(decode("\x1b[1;"), Keys{});
    EXPECT_EQ(decode("\x1b[M !"), Keys{});
    EXPECT_EQ(decode("\x1b[["), Keys{});
}

TEST(KeyDecoder, MouseFocusAndPasteReportsMakeNoGarbageKeys) {
    EXPECT_EQ(decode("\x1b[M !!a"), Keys{chr('a', 30)});         // X10 mouse
    EXPECT_EQ(decode("\x1b[M\xff\xff\xff" "a"), Keys{chr('a', 30)});
    EXPECT_EQ(decode("\x1b[<0;12;5M\x1b[<0;12;5m"), Keys{});     // SGR mouse
    EXPECT_EQ(decode("\x1b[32;12;5M"), Keys{});                  // urxvt mouse
    EXPECT_EQ(decode("\x1b[I\x1b[O"), Keys{});                   // focus in, out
    EXPECT_EQ(decode("\x1b[200~hi\x1b[201~"), (Keys{chr('h', 35), chr('i', 23)}));
}

// A paste is typed characters only: its control characters, keys and
// escape sequences are dropped, and nothing in it waits for a time-out.
TEST(KeyDecoder, PasteKeepsOnlyPrintableCharacters) {
    EXPECT_EQ(decode("\x1b[200~a\r\n\tb\x7f\x08\x1b\x1b[Ac\xc3\xa9\x1b[201~\r"),
              (Keys{chr('a', 30), chr('b', 48), chr('[', 26), chr('A', 30, true), chr('c', 46), chr(0x82, 0),
                    chr(13, 28)}));
    // U+25BA is the glyph of byte 16, never that control byte.
    EXPECT_EQ(decode("\x1b[200~\xe2\x96\xba\x01x\x1b[201~"), (Keys{chr('?', 0), chr('x', 45)}));
    EXPECT_EQ(decode("\x1b[200~\xe9\x1b[201~", Charset::cp437), Keys{chr(0xe9, 0)});
    EXPECT_EQ(decode("\x1b[200~\xe9z\x1b[201~", Charset::ascii), Keys{chr('z', 44)});
    expectSameAtEverySplit("q\x1b[200~a\x1b\x1b[20\r\x1b[201" "x\x1b[201~\x1b" "b");

    KeyDecoder d(Charset::utf8);
    d.feed("\x1b[200~ab\x1b[20", 0);
    EXPECT_EQ(d.deadline(), KeyDecoder::pasteSilenceMs);  // not the Esc time-out
    d.expire(KeyDecoder::pasteSilenceMs - 1);
    d.feed("1~\r", KeyDecoder::pasteSilenceMs - 1);
    EXPECT_EQ(d.take(), (Keys{chr('a', 30), chr('b', 48), chr(13, 28)}));
}

// A paste start marker without its end (clipboard text holding it, a cut
// connection) must not swallow Enter, Esc and Alt+X for good; what a paste
// holds past the size no real paste has is dropped, never taken as keys.
TEST(KeyDecoder, AStrayPasteStartEndsAfterASilenceAndAnOverlongPasteIsCut) {
    KeyDecoder d(Charset::utf8);
    d.feed("\x1b[200~ab", 0);
    d.feed("\r", 999);
    EXPECT_EQ(d.deadline(), 999 + KeyDecoder::pasteSilenceMs);
    d.expire(999 + KeyDecoder::pasteSilenceMs);
    EXPECT_FALSE(d.inPaste());
    d.feed("\r\x1bx", 2000);
    EXPECT_EQ(d.take(), (Keys{chr('a', 30), chr('b', 48), chr(13, 28), chr('x', 45, false, true)}));

    const std::string overlong = "\x1b[200~" + std::string(KeyDecoder::maxPasteBytes, 'a') + "\r\x1bxb";
    for (const std::string& end : {std::string("\x1b[201~"), std::string()}) {
        KeyDecoder e(Charset::utf8);
        for (std::size_t at = 0; at < overlong.size(); at += 4096) e.feed(overlong.substr(at, 4096), 0);
        e.feed(end + "z", end.empty() ? KeyDecoder::pasteSilenceMs : 1);
        Keys keys = e.take();
        ASSERT_EQ(keys.size(), KeyDecoder::maxPasteBytes + 1) << "silence: " << end.empty();
        EXPECT_EQ(keys[keys.size() - 2], chr('a', 30));
        EXPECT_EQ(keys.back(), chr('z', 44));
    }
}

// Esc typed while a child ran and x typed later arrive in one read: never
// Alt+X. Key sequences among such bytes are still keys.
TEST(KeyDecoder, BytesThatWaitedUnreadFormNoAltChord) {
    KeyDecoder d(Charset::utf8);
    d.feedQueued("\x1bx\x1b[A\x1b\x1bOP\x1b", 0);
    EXPECT_FALSE(d.deadline());
    EXPECT_EQ(d.take(), (Keys{chr(27, 1), chr('x', 45), ext(72), chr(27, 1), ext(59), chr(27, 1)}));
    d.feed("\x1bx", 10);
    EXPECT_EQ(d.take(), Keys{chr('x', 45, false, true)});
}

TEST(KeyDecoder, EscDelayTextGivesTheTimeOut) {
    const std::pair<const char*, int> cases[] = {
        {nullptr, 50}, {"", 50}, {"0", 0}, {"25", 25}, {"10000", 10000},
        {"10001", 50}, {"-5", 50}, {"12ms", 50}, {"99999999999999", 50}};
    for (auto [text, expected] : cases) EXPECT_EQ(escTimeoutFromText(text), expected) << (text ? text : "null");
}

TEST(KeyDecoder, HugePasteNeverEndsInsideItself) {
    std::string paste = "\x1b[200~";
    for (int i = 0; i < 100000; ++i) paste += static_cast<char>(i % 7 == 0 ? '\r' : 'a' + i % 26);
    paste += "\x1b[201~";
    KeyDecoder d(Charset::utf8);
    for (std::size_t at = 0; at < paste.size(); at += 4096) d.feed(paste.substr(at, 4096), 0);
    Keys keys = d.take();
    EXPECT_EQ(keys.size(), 100000u - 100000u / 7 - 1);
    for (const KeyEvent& e : keys) ASSERT_NE(e.character, 13);
}

TEST(KeyDecoder, SequencesSplitAtEveryByteBoundary) {
    expectSameAtEverySplit("a\x1b[1;5Ab\x1bOPc\x1b[15;2~d\x1b[[Ae\x1bxf\x1b[M !!g\x1b[<0;1;1Mh");
    expectSameAtEverySplit("\x1b[3$\x1b\x1b[B\x1b[200~z\x1b[201~\xc3\xa9\xe2\x88\x9e\x1b\xc3\xa9");
    expectSameAtEverySplit("\x1b[99;99;99~\x1b[12;40R\x7f\x08\r\t");
}

TEST(KeyDecoder, Utf8CharactersBecomeCodePage437Text) {
    EXPECT_EQ(decode("\xc3\xa9"), Keys{chr(130, 0)});       // é
    EXPECT_EQ(decode("\xe2\x88\x9e"), Keys{chr(236, 0)});   // ∞
    EXPECT_EQ(decode("\xe2\x96\x93"), Keys{chr(178, 0)});   // ▓
    EXPECT_EQ(decode("\xc2\xa0"), Keys{chr(255, 0)});       // no-break space
    EXPECT_EQ(decode("\xc3\x9f"), Keys{chr(225, 0)});       // ß
    EXPECT_EQ(decode("\x1b\xc3\xa9"), Keys{chr(130, 0, false, true)});
    // Characters code page 437 lacks come as their rendering, the first
    // byte with no scan code, the rest as further characters of the key;
    // broken bytes are dropped.
    EXPECT_EQ(decode("\xe2\x82\xac"), Keys{typing('E', "UR")});         // €
    EXPECT_EQ(decode("\x1b\xd0\xa9"), Keys{typing('S', "hch", true)});  // Alt+Щ
    EXPECT_EQ(decode("\xe2\x98\xba\xcc\x81"), Keys{chr('?', 0)});     // ☺ (not Ctrl+A), a mark
    EXPECT_EQ(decode("\x1b[200~\xd0\xa9\xe2\x80\x94\x1b[201~"), (Keys{typing('S', "hch"), chr('-', 0)}));
    EXPECT_EQ(decode("\x1b[1065u"), Keys{typing('S', "hch")});           // Щ by its code
    EXPECT_EQ(decode("\xf0\x9f\x98\x80x"), (Keys{chr('?', 0), chr('x', 45)}));
    EXPECT_EQ(decode("\xff\x80\xc3x"), Keys{chr('x', 45)});
    EXPECT_EQ(decode("\xc3"), Keys{});
    EXPECT_EQ(decode("\xe0\x80\xafx"), Keys{chr('x', 45)});  // overlong
    EXPECT_EQ(decode("\xe0\x83\xa9x"), Keys{chr('x', 45)});  // é overlong in three bytes
}

TEST(KeyDecoder, WithoutUtf8BytesAreCharactersAsTheyAre) {
    EXPECT_EQ(decode("\xe9\x82", Charset::cp437), (Keys{chr(0xE9, 0), chr(0x82, 0)}));
    EXPECT_EQ(decode("\x1b\xe9", Charset::cp437), Keys{chr(0xE9, 0, false, true)});
    EXPECT_EQ(decode("\x1b[A", Charset::cp437), Keys{ext(72)});
}

TEST(KeyDecoder, AsciiTakesPrintableAsciiOnly) {
    EXPECT_EQ(decode("\xc3\xa9x\xe9", Charset::ascii), Keys{chr('x', 45)});
    EXPECT_EQ(decode("\x1b\xe9\x1b[A\r", Charset::ascii), (Keys{ext(72), chr(13, 28)}));
}

TEST(KeyDecoder, KeyboardProtocolRepliesAreTakenOutOfTheKeyStream) {
    KeyDecoder d(Charset::utf8);
    d.feed("a\x1b[?1u\x1b[?62;22cb\x1b[?1;2c", 0);
    EXPECT_EQ(d.take(), (Keys{chr('a', 30), chr('b', 48)}));
    EXPECT_EQ(d.takeReplies(), (std::vector<TerminalReply>{{TerminalReply::keyboardFlags},
                                                          {TerminalReply::deviceAttributes},
                                                          {TerminalReply::deviceAttributes}}));
    expectSameAtEverySplit("x\x1b[?0u\x1b[?6cy");
}

TEST(KeyDecoder, DisambiguatedKeysAreTheKeysOfTheLegacyForms) {
    EXPECT_EQ(decode("\x1b[27u"), decode("\x1b"));                       // Esc
    EXPECT_EQ(decode("\x1b[120;3u\x1b[98;3u"), decode("\x1bx\x1b" "b"));  // Alt+X, Alt+B
    EXPECT_EQ(decode("\x1b[120;4u\x1b[49;4u"), decode("\x1bX\x1b!"));     // with Shift
    EXPECT_EQ(decode("\x1b[97;5u\x1b[91;5u\x1b[50;5u"), (Keys{chr(1, 30), chr(27, 1), chr(0, 3)}));  // Ctrl
    EXPECT_EQ(decode("\x1b[120;7u"), decode("\x1b\x18"));                  // Ctrl+Alt+X
    EXPECT_EQ(decode("\x1b[233;3u"), decode("\x1b\xc3\xa9"));             // Alt+e acute
    EXPECT_EQ(decode("\x1b[233;3u", Charset::ascii), Keys{});
    EXPECT_EQ(decode("\x1b[120;67u\x1b[1;129A"), decode("\x1bx\x1b[A"));  // lock bits
    // The keypad's own codes: Enter, 7, Home, Begin (5), Del; F13 is no key.
    EXPECT_EQ(decode("\x1b[57414u\x1b[57406u\x1b[57423u\x1b[57427u\x1b[57426;2u\x1b[57376u"),
              (Keys{chr(13, 28), chr('7', 71), ext(71), ext(76), ext(83, true)}));
}

TEST(KeyDecoder, DeadlineFollowsTheLastByte) {
    KeyDecoder d(Charset::utf8, 40);
    EXPECT_FALSE(d.deadline().has_value());
    d.feed("\x1b[", 100);
    EXPECT_EQ(d.deadline(), 140);
    d.feed("1", 130);
    EXPECT_EQ(d.deadline(), 170);
    d.feed(";5A", 160);
    EXPECT_FALSE(d.deadline().has_value());
    EXPECT_EQ(d.take(), Keys{ext(72)});
}

TEST(KeyDecoder, KeyForByteAloneGivesTheKeyWithoutAlt) {
    EXPECT_EQ(keyForByte('A'), chr('A', 30, true));
    EXPECT_EQ(keyForByte(27), chr(27, 1));
    EXPECT_EQ(keyForByte(200), chr(200, 0));
}

}  // namespace
}  // namespace corvel::posix
