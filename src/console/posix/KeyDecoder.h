// Turns the bytes a terminal sends into key events with PC set-1 scan codes.
// Pure: bytes and the time they arrived go in, events come out; there is no
// clock inside, the caller passes time as a number of milliseconds on any
// monotonic clock.
//
// Understood: printable characters (US layout scan codes), Enter, Tab,
// Backspace (0x7f and 0x08), Esc, Ctrl+letter; cursor keys, Home, End, Ins,
// Del, PgUp, PgDn, F1..F12 in their xterm, rxvt, Linux console, VT220 and
// tmux/screen forms (CSI and SS3, with or without modifier parameters); the
// application keypad; Alt+key as ESC followed by the key; xterm's
// modifyOtherKeys and the CSI u form (CodeKeys.h). The terminal's replies to
// the keyboard protocol query are handed out apart from the keys
// (KeyboardProtocol.h). Mouse reports, focus reports and every other
// complete CSI sequence that names no key are swallowed whole.
//
// Between the bracketed-paste markers (ESC [ 200 ~ and ESC [ 201 ~) only the
// printable characters count, as typed characters; control characters, ESC
// and Enter among them, are dropped, so a paste never acts as a key. Nothing
// in a paste waits for the Esc time-out: a paste ends at its end marker, or,
// when that never comes (a stray start marker), after a silence. Past a size
// that no real paste has, the rest of it is read and dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/ConsoleDevice.h"
#include "console/posix/Charset.h"
#include "console/posix/KeyboardProtocol.h"

namespace corvel::posix {

class KeyDecoder {
public:
    // How long an incomplete sequence (a lone ESC above all) waits for its
    // next byte before it is taken as it stands.
    static constexpr int defaultEscTimeoutMs = 50;
    // A paste without its end marker ends after this long without a byte;
    // what a paste holds beyond this many bytes is dropped.
    static constexpr int pasteSilenceMs = 1000;
    static constexpr std::size_t maxPasteBytes = std::size_t{1} << 20;

    // Typed characters follow the charset: UTF-8 is turned into code page
    // 437 text (keyForCharacter); in cp437 bytes 128..255 are characters as
    // they are; in ascii they are dropped.
    explicit KeyDecoder(Charset charset, int escTimeoutMs = defaultEscTimeoutMs);

    // Bytes read from the terminal at time nowMs. A pending incomplete
    // sequence whose time was up before these bytes came is resolved first.
    void feed(std::string_view bytes, std::int64_t nowMs);
    // The same for bytes that waited while nobody read them (typed while a
    // child ran): when they were typed is unknown, so an ESC among them is
    // never taken with the next key as Alt, and one at their end is Esc at
    // once. Key sequences (ESC [ and ESC O) are decoded as usual.
    void feedQueued(std::string_view bytes, std::int64_t nowMs);
    // Resolves a pending incomplete sequence once its time is up: a lone ESC
    // becomes the Esc key, ESC [ and ESC O become Alt+[ and Alt+O, anything
    // else is dropped. Does nothing before the deadline.
    void expire(std::int64_t nowMs);
    // When expire() must be called, or nothing when no byte waits and no
    // paste is open.
    std::optional<std::int64_t> deadline() const;

    bool hasEvents() const { return !events_.empty(); }
    // Between the paste markers.
    bool inPaste() const { return inPaste_; }
    // The events decoded so far, oldest first; the decoder forgets them.
    std::vector<KeyEvent> take();
    // The same, appended to a queue; the decoder keeps its buffer.
    template <typename Queue>
    void takeInto(Queue& queue) {
        queue.insert(queue.end(), events_.begin(), events_.end());
        events_.clear();
    }
    // The terminal's replies decoded so far, oldest first; never keys.
    std::vector<TerminalReply> takeReplies();

private:
    enum class Paste { none, start, end };
    struct Step {
        std::size_t length = 0;  // 0: more bytes are needed
        std::optional<KeyEvent> key;
        Paste paste = Paste::none;
        std::optional<TerminalReply> reply = std::nullopt;
    };

    void decode(bool flush);
    Step decodeOne(const std::uint8_t* p, std::size_t n, bool flush) const;
    Step decodeEscape(const std::uint8_t* p, std::size_t n, bool flush) const;
    Step decodeCsi(const std::uint8_t* p, std::size_t n, std::size_t start, bool flush) const;
    Step decodeSs3(const std::uint8_t* p, std::size_t n, std::size_t start, bool flush) const;
    Step decodeUtf8(const std::uint8_t* p, std::size_t n, bool flush) const;
    Step decodePasted(const std::uint8_t* p, std::size_t n) const;
    // One character that does not start with ESC, as the charset reads it.
    Step decodeCharacter(const std::uint8_t* p, std::size_t n, bool flush) const;

    Charset charset_;
    int timeoutMs_;
    std::string pending_;
    std::int64_t lastByteMs_ = 0;
    bool inPaste_ = false;  // between the paste markers
    std::size_t pasteBytes_ = 0;  // taken since the start marker
    bool pasteDropping_ = false;  // past maxPasteBytes: the rest is dropped
    bool queued_ = false;  // decoding bytes that waited unread
    // An overlong CSI or SS3 sequence being dropped, and what may still
    // follow in it; it ends where the same bytes fed at once would end it.
    struct Overlong {
        bool active = false;
        bool csi = true;             // else SS3
        bool intermediates = false;  // CSI: past its parameter bytes
        bool digitsOnly = true;
        bool hasParams = false;
    };
    void beginOverlong(const std::uint8_t* p, std::size_t n);
    // How many of the bytes still belong to the overlong sequence.
    std::size_t skipOverlong(std::string_view bytes);
    Overlong overlong_;
    std::vector<KeyEvent> events_;
    std::vector<TerminalReply> replies_;
};

// The lone-Esc time-out in milliseconds as the ESCDELAY environment
// variable gives it (text, as curses reads it): a whole number from 0 to
// 10000; the default when the text is null or anything else.
int escTimeoutFromText(const char* text);

// The key event of one byte typed without Alt (32..126 with its US layout
// scan code and Shift state, control bytes as their keys, 128..255 as a
// character without scan code).
KeyEvent keyForByte(std::uint8_t b);

// The key event of a character above 127 that the terminal sent as
// Unicode: the first byte of its code page 437 text (Transliteration.h),
// without scan code, since which key typed it is unknown, and the rest of
// the text as the key's further characters. Nothing when the text is empty
// (a mark, a format character).
std::optional<KeyEvent> keyForCharacter(char32_t c);

}  // namespace corvel::posix
