// The editor's key loop. Positions are 1-based; the field's cells run along
// the origin's row and on at column 1 of the next rows, as written text wraps.
#include "editor/VuvadOdor.h"

#include <algorithm>

namespace corvel {
namespace {

constexpr std::uint8_t placeholderDot = 249;

std::size_t lengthWithoutTrailingBlanks(const std::string& text) {
    std::size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? 0 : end + 1;
}

bool isBlankText(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

// The text with the character at position p taken out and a blank added.
std::string deletedAt(const std::string& text, int p) {
    std::size_t at = static_cast<std::size_t>(p - 1);
    if (at >= text.size()) return text + ' ';
    return text.substr(0, at) + text.substr(at + 1) + ' ';
}

void putMarker(std::string& text, const std::string& marker) {
    if (text.size() < 2) text = marker;
    else text.replace(0, 2, marker);
}

}  // namespace

struct VuvadOdor::Field {
    std::string& text;
    int row;
    int column;
    std::vector<std::string>& history;
    int width;            // W
    int p = 1;            // cursor position in the text
    std::size_t h = 0;    // history index
    std::uint8_t savedAttribute = 0;
};

void VuvadOdor::editField(std::string& text, int& row, int& column, std::vector<std::string>& history) {
    if (history.empty()) history.emplace_back();  // the blank entry always exists
    Field field{text, row, column, history, static_cast<int>(text.size())};
    field.h = history.size() - 1;
    field.savedAttribute = screen_.cellAttribute(screen_.cursorRow(), screen_.cursorColumn());
    screen_.setCursorPos(row, column);
    screen_.setTextColors(14, 1, field.width);
    screen_.writeText(std::string(static_cast<std::size_t>(field.width), static_cast<char>(placeholderDot)));
    if (!text.empty() && text[0] != ' ') {
        screen_.setCursorPos(row, column);
        screen_.writeText(text);
    }
    screen_.setCursorPos(row, column);
    for (;;) {
        int code = keyCode(keyboard_.waitKey());
        if (code == keyCodeNone) continue;
        if (!handleKey(field, code)) return;
    }
}

// Applies one key; false when the call ends.
bool VuvadOdor::handleKey(Field& f, int code) {
    std::string& text = f.text;
    const int w = f.width;
    auto recall = [&](std::size_t index) {
        f.h = index;
        text = f.history[index];
        f.p = std::min(static_cast<int>(lengthWithoutTrailingBlanks(text)) + 1, w);
    };
    switch (code) {
        case 13: case 9: accept(f); return false;
        case 27:
            if (f.p != 1) {
                f.p = 1;
            } else if (text.empty()) {
                return false;
            } else {
                screen_.setCursorPos(f.row, f.column);
                screen_.writeText(std::string(text.size(), ' '));
                text.clear();
            }
            break;
        case -45: putMarker(text, altXMarker); return false;
        case -48: putMarker(text, altBMarker); return false;
        case -72: recall(f.h > 0 ? f.h - 1 : f.h); break;
        case -80: recall(f.h + 1 < f.history.size() ? f.h + 1 : f.h); break;
        case -82:
            overtypeMode = overtypeMode != 0 ? 0 : 1;
            screen_.setCursorSize(overtypeMode != 0 ? 100 : 1);
            break;
        case 8:
            if (f.p > 1) {
                --f.p;
                text = deletedAt(text, f.p);
            }
            break;
        case -75: if (f.p > 1) --f.p; break;
        case -77: if (f.p < w) ++f.p; break;
        case -71: f.p = 1; break;
        case -79: f.p = std::min(static_cast<int>(lengthWithoutTrailingBlanks(text)) + 1, w); break;
        case -83: text = deletedAt(text, f.p); break;
        default:
            if (code < 32 || code > 255) return true;  // not an editing key: no redraw
            typeCharacter(f, static_cast<char>(code));
            break;
    }
    redraw(f);
    return true;
}

void VuvadOdor::typeCharacter(Field& f, char character) {
    std::string& text = f.text;
    const auto at = static_cast<std::size_t>(f.p - 1);
    if (overtypeMode != 0) {
        // Past the end of a short text the gap up to the cursor is padded with
        // blanks, so that no typed character is lost.
        if (at >= text.size()) text.resize(at + 1, ' ');
        text[at] = character;
    } else {
        // The character goes in at the cursor; what is pushed past the
        // field's width falls off its end.
        text.insert(std::min(at, text.size()), 1, character);
        if (text.size() > static_cast<std::size_t>(f.width)) text.resize(static_cast<std::size_t>(f.width));
    }
    if (f.p < f.width) ++f.p;
}

// The field shows exactly the text that Enter would hand back: cells past
// the end of a shorter text (a recalled one) are blanked.
void VuvadOdor::redraw(const Field& f) {
    screen_.setCursorPos(f.row, f.column);
    const auto width = static_cast<std::size_t>(f.width);
    screen_.writeText(f.text.size() < width ? f.text + std::string(width - f.text.size(), ' ') : f.text);
    const int w = screen_.width();
    const int offset = f.column + f.p - 2;
    screen_.setCursorPos(f.row + offset / w, offset % w + 1);
}

void VuvadOdor::accept(Field& f) {
    screen_.setTextColors(f.savedAttribute % 16, f.savedAttribute / 16, 0);
    if (isBlankText(f.text)) return;
    const std::size_t n = f.history.size() - 1;
    if (n > 0 && f.text == f.history[n - 1]) return;
    f.history[n] = f.text;
    f.history.push_back(std::string(static_cast<std::size_t>(f.width), ' '));
}

}  // namespace corvel
