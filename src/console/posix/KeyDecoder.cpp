#include "console/posix/KeyDecoder.h"

#include <algorithm>
#include <array>

#include "console/UsLayout.h"
#include "console/posix/CodeKeys.h"
#include "console/Transliteration.h"

namespace corvel::posix {
namespace {

constexpr std::uint8_t ESC = 0x1B;

// PC set-1 scan codes of the keys that terminal sequences name.
enum Scan : std::uint8_t {
    scanBackspace = 14,
    scanTab = 15,
    scanEnter = 28,
    scanSlash = 53,
    scanKeypadStar = 55,
    scanF1 = 59,  // F1..F10: 59..68
    scanHome = 71,
    scanUp = 72,
    scanPgUp = 73,
    scanKeypadMinus = 74,
    scanLeft = 75,
    scanKeypad5 = 76,
    scanRight = 77,
    scanKeypadPlus = 78,
    scanEnd = 79,
    scanDown = 80,
    scanPgDn = 81,
    scanIns = 82,
    scanDel = 83,
    scanF11 = 87,
    scanF12 = 88,
};

KeyEvent extendedKey(std::uint8_t scan) {
    KeyEvent e;
    e.scanCode = scan;
    return e;
}

KeyEvent characterKey(std::uint8_t character, std::uint8_t scan, bool shift = false) {
    KeyEvent e;
    e.character = character;
    e.scanCode = scan;
    e.shift = shift;
    return e;
}

// The key of the number before '~' (VT220, Linux console, rxvt, xterm).
std::optional<std::uint8_t> tildeKey(int number) {
    switch (number) {
        case 1: case 7: return scanHome;
        case 2: return scanIns;
        case 3: return scanDel;
        case 4: case 8: return scanEnd;
        case 5: return scanPgUp;
        case 6: return scanPgDn;
        case 11: case 12: case 13: case 14: case 15:
            return static_cast<std::uint8_t>(scanF1 + number - 11);
        case 17: case 18: case 19: case 20: case 21:
            return static_cast<std::uint8_t>(scanF1 + 5 + number - 17);
        case 23: return scanF11;
        case 24: return scanF12;
        default: return std::nullopt;
    }
}

// The key of a final letter shared by the CSI and SS3 forms.
std::optional<std::uint8_t> letterKey(std::uint8_t f) {
    switch (f) {
        case 'A': return scanUp;
        case 'B': return scanDown;
        case 'C': return scanRight;
        case 'D': return scanLeft;
        case 'H': return scanHome;
        case 'F': return scanEnd;
        case 'E': return scanKeypad5;
        case 'P': case 'Q': case 'R': case 'S':
            return static_cast<std::uint8_t>(scanF1 + f - 'P');
        default: return std::nullopt;
    }
}

// rxvt's lower-case arrows (Shift in CSI, Ctrl in SS3).
std::optional<std::uint8_t> rxvtArrow(std::uint8_t f) {
    switch (f) {
        case 'a': return scanUp;
        case 'b': return scanDown;
        case 'c': return scanRight;
        case 'd': return scanLeft;
        default: return std::nullopt;
    }
}

// The parameters of a CSI sequence: numbers split at ';', the first
// sub-parameter of each (split at ':'); missing numbers are -1.
struct Params {
    int count = 0;
    std::array<int, 4> value{-1, -1, -1, -1};
    bool privateMarker = false;
    bool overflow = false;

    int at(int i) const { return i < count ? value[static_cast<std::size_t>(i)] : -1; }
    int modifier() const { return at(1); }
};

Params parseParams(const std::uint8_t* p, std::size_t n) {
    Params params;
    if (n == 0) return params;
    if (p[0] >= '<' && p[0] <= '?') {
        params.privateMarker = true;
        return params;
    }
    params.count = 1;
    bool inSub = false;
    for (std::size_t i = 0; i < n; ++i) {
        std::uint8_t c = p[i];
        if (c == ';') {
            if (params.count == static_cast<int>(params.value.size())) {
                params.overflow = true;
                return params;
            }
            ++params.count;
            inSub = false;
        } else if (c == ':') {
            inSub = true;
        } else if (c >= '0' && c <= '9') {
            if (inSub) continue;
            int& v = params.value[static_cast<std::size_t>(params.count - 1)];
            if (v < 0) v = 0;
            if (v < 100000) v = v * 10 + (c - '0');
        } else {
            params.privateMarker = true;  // a marker in the middle: not a key
            return params;
        }
    }
    return params;
}

std::optional<KeyEvent> csiKey(const Params& params, std::uint8_t final, Charset charset) {
    if (params.privateMarker || params.overflow) return std::nullopt;
    int first = params.at(0);
    int modifier = params.modifier();
    switch (final) {
        case '~': {
            if (first == 27 && params.count >= 3) return keyOfCode(params.at(2), modifier, charset);
            auto scan = tildeKey(first);
            if (!scan) return std::nullopt;
            return withModifier(extendedKey(*scan), modifier);
        }
        case '^': case '$': case '@': {
            // rxvt: Ctrl, Shift, Ctrl+Shift.
            auto scan = tildeKey(first);
            if (!scan || params.count != 1) return std::nullopt;
            KeyEvent e = extendedKey(*scan);
            e.shift = final != '^';
            return e;
        }
        case 'u':
            return keyOfCode(first, modifier, charset);
        case 'Z': {
            KeyEvent e = characterKey(9, scanTab, true);
            return withModifier(e, modifier);
        }
        default:
            break;
    }
    if (auto scan = letterKey(final)) {
        // "CSI row;col R" is a cursor report, not F3: only 1 may stand first.
        if (first > 1 || (params.count > 2)) return std::nullopt;
        return withModifier(extendedKey(*scan), modifier);
    }
    if (final == 'G' && params.count <= 1) return extendedKey(scanKeypad5);  // Linux console
    if (auto scan = rxvtArrow(final); scan && params.count == 0) {
        KeyEvent e = extendedKey(*scan);
        e.shift = true;
        return e;
    }
    return std::nullopt;
}

std::optional<KeyEvent> ss3Key(std::uint8_t final, int modifier) {
    if (auto scan = letterKey(final)) return withModifier(extendedKey(*scan), modifier);
    if (auto scan = rxvtArrow(final)) return extendedKey(*scan);  // rxvt Ctrl+arrow
    // The application keypad.
    KeyEvent e;
    switch (final) {
        case 'M': e = characterKey(13, scanEnter); break;
        case 'I': e = characterKey(9, scanTab); break;
        case 'j': e = characterKey('*', scanKeypadStar); break;
        case 'k': e = characterKey('+', scanKeypadPlus); break;
        case 'm': e = characterKey('-', scanKeypadMinus); break;
        case 'o': e = characterKey('/', scanSlash); break;
        case 'n': e = characterKey('.', scanDel); break;
        case 'X': e = characterKey('=', 13); break;
        case ' ': e = characterKey(' ', 57); break;
        default: {
            if (final < 'p' || final > 'y') return std::nullopt;
            static constexpr std::uint8_t digitScan[10] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73};
            e = characterKey(static_cast<std::uint8_t>('0' + final - 'p'), digitScan[final - 'p']);
            break;
        }
    }
    return withModifier(e, modifier);
}

bool isFinalByte(std::uint8_t c) { return c >= 0x40 && c <= 0x7E; }
bool isParamByte(std::uint8_t c) { return c >= 0x30 && c <= 0x3F; }
bool isIntermediateByte(std::uint8_t c) { return c >= 0x20 && c <= 0x2F; }

// The longest CSI sequence kept whole; a longer one is dropped.
constexpr std::size_t maxSequence = 64;

constexpr std::string_view pasteEndMarker = "\x1b[201~";

// A pasted key counts when it is a printable character typed without Alt.
bool isPrintable(const KeyEvent& e) { return !e.alt && e.character >= 32 && e.character != 127; }

}  // namespace

KeyEvent keyForByte(std::uint8_t b) {
    switch (b) {
        case 127: return characterKey(8, scanBackspace);  // what most terminals send for Backspace
        case 0: return characterKey(0, 3);                // Ctrl+@ (Ctrl+2)
        case 28: return characterKey(28, 43);             // Ctrl+backslash
        case 29: return characterKey(29, 27);             // Ctrl+]
        case 30: return characterKey(30, 7);              // Ctrl+^ (Ctrl+6)
        case 31: return characterKey(31, 12);             // Ctrl+_ (Ctrl+minus)
        default: break;
    }
    // Printable ASCII, Enter, Tab, Backspace (8), Esc and Ctrl+letter on the
    // US layout; bytes 128..255 have no key of their own.
    KeyPosition key = keyOfCharacter(b);
    return characterKey(b, key.scanCode, key.shift);
}

std::optional<KeyEvent> keyForCharacter(char32_t c) {
    std::string_view text = cp437Text(c);
    if (text.empty()) return std::nullopt;
    KeyEvent e = characterKey(static_cast<std::uint8_t>(text[0]), 0);
    e.more = text.substr(1);
    return e;
}

int escTimeoutFromText(const char* text) {
    constexpr int longest = 10000;
    if (text == nullptr || *text == '\0') return KeyDecoder::defaultEscTimeoutMs;
    int value = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') return KeyDecoder::defaultEscTimeoutMs;
        value = value * 10 + (*c - '0');
        if (value > longest) return KeyDecoder::defaultEscTimeoutMs;
    }
    return value;
}

KeyDecoder::KeyDecoder(Charset charset, int escTimeoutMs) : charset_(charset), timeoutMs_(escTimeoutMs) {}

void KeyDecoder::feed(std::string_view bytes, std::int64_t nowMs) {
    if (bytes.empty()) return;
    expire(nowMs);
    if (overlong_.active) {
        lastByteMs_ = nowMs;
        bytes.remove_prefix(skipOverlong(bytes));
        if (bytes.empty()) return;
    }
    pending_.append(bytes);
    lastByteMs_ = nowMs;
    decode(false);
}

void KeyDecoder::feedQueued(std::string_view bytes, std::int64_t nowMs) {
    queued_ = true;
    feed(bytes, nowMs);
    queued_ = false;
}

void KeyDecoder::expire(std::int64_t nowMs) {
    if (inPaste_) {
        if (nowMs < lastByteMs_ + pasteSilenceMs) return;
        inPaste_ = false;  // no paste pauses this long: its start was stray
        pasteDropping_ = false;
    }
    if (nowMs < lastByteMs_ + timeoutMs_) return;
    overlong_.active = false;  // a silence ends an overlong sequence as it ends any other
    if (!pending_.empty()) decode(true);
}

void KeyDecoder::beginOverlong(const std::uint8_t* p, std::size_t n) {
    // ESC [ or ESC O, or the same after a second ESC (rxvt's Alt).
    const std::size_t start = p[1] == ESC ? 3 : 2;
    overlong_ = Overlong{};
    overlong_.active = true;
    overlong_.csi = p[start - 1] == '[';
    skipOverlong(std::string_view(reinterpret_cast<const char*>(p + start), n - start));
}

std::size_t KeyDecoder::skipOverlong(std::string_view bytes) {
    Overlong& o = overlong_;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<std::uint8_t>(bytes[i]);
        if (isParamByte(c) && !o.intermediates) {
            o.digitsOnly = o.digitsOnly && c >= '0' && c <= '9';
            o.hasParams = true;
            continue;
        }
        if (o.csi && c == '$' && !o.intermediates && o.digitsOnly && o.hasParams) {
            o.active = false;  // rxvt's Shift ending
            return i + 1;
        }
        if (o.csi && isIntermediateByte(c)) {
            o.intermediates = true;
            continue;
        }
        o.active = false;
        return isFinalByte(c) ? i + 1 : i;  // a stray byte is decoded anew
    }
    return bytes.size();
}

std::optional<std::int64_t> KeyDecoder::deadline() const {
    if (inPaste_) return lastByteMs_ + pasteSilenceMs;
    if (pending_.empty()) return std::nullopt;
    return lastByteMs_ + timeoutMs_;
}

std::vector<KeyEvent> KeyDecoder::take() {
    std::vector<KeyEvent> out;
    out.swap(events_);
    return out;
}

std::vector<TerminalReply> KeyDecoder::takeReplies() {
    std::vector<TerminalReply> out;
    out.swap(replies_);
    return out;
}

void KeyDecoder::decode(bool flush) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(pending_.data());
    std::size_t size = pending_.size();
    std::size_t pos = 0;
    while (pos < size) {
        Step step = inPaste_ ? decodePasted(data + pos, size - pos) : decodeOne(data + pos, size - pos, flush);
        if (step.paste != Paste::none) {
            inPaste_ = step.paste == Paste::start;
            pasteBytes_ = 0;
            pasteDropping_ = false;
        } else if (inPaste_ && !pasteDropping_ && (pasteBytes_ += step.length) > maxPasteBytes) {
            // The rest of so long a paste is read and dropped up to its end
            // marker or a silence: none of it ever acts as a key.
            pasteDropping_ = true;
        }
        if (pasteDropping_) step.key.reset();
        if (step.length == 0) {
            if (size - pos > maxSequence) {
                // Nothing a terminal sends for a key is this long: drop it and
                // whatever follows of it.
                beginOverlong(data + pos, size - pos);
                pos = size;
            }
            break;
        }
        // However it arrived, a sequence longer than that names no key.
        if (step.key && step.length <= maxSequence) events_.push_back(*step.key);
        if (step.reply) replies_.push_back(*step.reply);
        pos += step.length;
    }
    pending_.erase(0, pos);
}

KeyDecoder::Step KeyDecoder::decodeOne(const std::uint8_t* p, std::size_t n, bool flush) const {
    if (p[0] == ESC) return decodeEscape(p, n, flush);
    return decodeCharacter(p, n, flush);
}

KeyDecoder::Step KeyDecoder::decodeCharacter(const std::uint8_t* p, std::size_t n, bool flush) const {
    if (p[0] >= 0x80 && charset_ == Charset::utf8) return decodeUtf8(p, n, flush);
    if (p[0] >= 0x80 && charset_ == Charset::ascii) return Step{1, std::nullopt};
    return Step{1, keyForByte(p[0])};
}

KeyDecoder::Step KeyDecoder::decodeEscape(const std::uint8_t* p, std::size_t n, bool flush) const {
    if (queued_ && (n == 1 || (p[1] != '[' && p[1] != 'O'))) return Step{1, keyForByte(ESC)};
    if (n == 1) return flush ? Step{1, keyForByte(ESC)} : Step{};
    std::uint8_t c = p[1];
    if (c == '[') return decodeCsi(p, n, 2, flush);
    if (c == 'O') return decodeSs3(p, n, 2, flush);
    if (c == ESC) {
        // ESC ESC [ ... and ESC ESC O ...: Alt with a key sequence (rxvt).
        if (n == 2) return flush ? Step{1, keyForByte(ESC)} : Step{};
        if (p[2] == '[' || p[2] == 'O') {
            Step inner = p[2] == '[' ? decodeCsi(p + 1, n - 1, 2, flush)
                                     : decodeSs3(p + 1, n - 1, 2, flush);
            if (inner.length == 0) return inner;
            if (inner.length <= 2) return Step{1, keyForByte(ESC)};  // timed out bare
            if (inner.key) inner.key->alt = true;
            ++inner.length;
            return inner;
        }
        return Step{1, keyForByte(ESC)};  // Esc, and the second ESC starts anew
    }
    if (c >= 0x80 && charset_ == Charset::ascii) return Step{2, std::nullopt};
    if (c >= 0x80 && charset_ == Charset::utf8) {
        Step inner = decodeUtf8(p + 1, n - 1, flush);
        if (inner.length == 0) return inner;
        if (inner.key) inner.key->alt = true;
        ++inner.length;
        return inner;
    }
    KeyEvent e = keyForByte(c);
    e.alt = true;
    return Step{2, e};
}

KeyDecoder::Step KeyDecoder::decodeCsi(const std::uint8_t* p, std::size_t n, std::size_t start,
                                       bool flush) const {
    auto incomplete = [&]() -> Step {
        if (!flush) return Step{};
        if (n == start) {  // ESC [ and nothing more: Alt+[
            KeyEvent e = keyForByte('[');
            e.alt = true;
            return Step{n, e};
        }
        return Step{n, std::nullopt};
    };
    if (n == start) return incomplete();
    if (p[start] == '[') {
        // Linux console F1..F5: ESC [ [ A .. ESC [ [ E.
        if (n < start + 2) return incomplete();
        std::uint8_t f = p[start + 1];
        if (f >= 'A' && f <= 'E') return Step{start + 2, extendedKey(static_cast<std::uint8_t>(scanF1 + f - 'A'))};
        return Step{start + 2, std::nullopt};
    }
    if (p[start] == 'M') {
        // X10 mouse report: three raw bytes follow.
        if (n < start + 4) return incomplete();
        return Step{start + 4, std::nullopt};
    }
    std::size_t i = start;
    bool digitsOnly = true;
    while (i < n && isParamByte(p[i])) {
        if (p[i] < '0' || p[i] > '9') digitsOnly = false;
        ++i;
    }
    std::size_t paramsEnd = i;
    // rxvt ends Shift+key with '$' right after the number.
    if (i < n && p[i] == '$' && digitsOnly && paramsEnd > start) {
        return Step{i + 1, csiKey(parseParams(p + start, paramsEnd - start), '$', charset_)};
    }
    while (i < n && isIntermediateByte(p[i])) ++i;
    if (i == n) return incomplete();
    if (!isFinalByte(p[i])) return Step{i, std::nullopt};  // malformed: drop up to the stray byte
    if (i != paramsEnd) return Step{i + 1, std::nullopt};  // intermediates: no key
    if (p[i] == '~' && i - start == 3 && p[start] == '2' && p[start + 1] == '0' && p[start + 2] == '0') {
        return Step{i + 1, std::nullopt, Paste::start};
    }
    std::string_view parameters(reinterpret_cast<const char*>(p + start), paramsEnd - start);
    if (auto reply = terminalReply(parameters, static_cast<char>(p[i]))) {
        Step step{i + 1, std::nullopt};
        step.reply = reply;
        return step;
    }
    return Step{i + 1, csiKey(parseParams(p + start, paramsEnd - start), p[i], charset_)};
}

KeyDecoder::Step KeyDecoder::decodeSs3(const std::uint8_t* p, std::size_t n, std::size_t start,
                                       bool flush) const {
    if (n == start) {
        if (!flush) return Step{};
        KeyEvent e = keyForByte('O');
        e.alt = true;
        return Step{n, e};
    }
    std::size_t i = start;
    int modifier = -1;
    while (i < n && isParamByte(p[i])) {
        if (p[i] >= '0' && p[i] <= '9') {
            modifier = (modifier < 0 ? 0 : modifier) * 10 + (p[i] - '0');
            if (modifier > 1000) modifier = 1000;
        } else {
            modifier = -1;
        }
        ++i;
    }
    if (i == n) return flush ? Step{n, std::nullopt} : Step{};
    std::uint8_t f = p[i];
    if (f == ' ' && i == start) return Step{i + 1, ss3Key(f, modifier)};
    if (!isFinalByte(f)) return Step{i, std::nullopt};
    return Step{i + 1, ss3Key(f, modifier)};
}

KeyDecoder::Step KeyDecoder::decodeUtf8(const std::uint8_t* p, std::size_t n, bool flush) const {
    std::uint8_t lead = p[0];
    std::size_t length;
    char32_t c;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
    } else {
        return Step{1, std::nullopt};  // not a lead byte
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (i == n) return flush ? Step{n, std::nullopt} : Step{};
        if ((p[i] & 0xC0) != 0x80) return Step{i, std::nullopt};  // cut short: drop what came
        c = (c << 6) | (p[i] & 0x3F);
    }
    bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return Step{length, std::nullopt};
    return Step{length, keyForCharacter(c)};
}

// Inside a paste: the end marker, or one character kept only when printable.
// An ESC that does not begin the end marker is dropped by itself.
KeyDecoder::Step KeyDecoder::decodePasted(const std::uint8_t* p, std::size_t n) const {
    if (p[0] == ESC) {
        std::size_t k = std::min(n, pasteEndMarker.size());
        if (std::string_view(reinterpret_cast<const char*>(p), k) != pasteEndMarker.substr(0, k)) {
            return Step{1, std::nullopt};
        }
        if (k < pasteEndMarker.size()) return Step{};
        return Step{k, std::nullopt, Paste::end};
    }
    Step step = decodeCharacter(p, n, false);
    if (step.key && !isPrintable(*step.key)) step.key.reset();
    return step;
}

}  // namespace corvel::posix
