#include "console/posix/Renderer.h"

#include <algorithm>
#include <charconv>


namespace corvel::posix {
namespace {

// Colour number (bit 0 blue, bit 1 green, bit 2 red) to ANSI colour index
// (bit 0 red, bit 1 green, bit 2 blue).
constexpr int ansiIndex(int colour) {
    return ((colour & 1) << 2) | (colour & 2) | ((colour >> 2) & 1);
}
constexpr int foregroundCode(int colour) {
    return ((colour & 8) ? 90 : 30) + ansiIndex(colour & 7);
}
constexpr int backgroundCode(int colour) {
    return ((colour & 8) ? 100 : 40) + ansiIndex(colour & 7);
}

void appendNumber(std::string& out, int value) {
    char buffer[12];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

int digits(int value) { return value >= 100 ? 3 + (value >= 1000) : 1 + (value >= 10); }

// "ESC [ n X", with n left out when it is 1.
void appendRelative(std::string& out, int n, char final) {
    out += "\x1b[";
    if (n != 1) appendNumber(out, n);
    out += final;
}
int relativeCost(int n) { return 3 + (n == 1 ? 0 : digits(n)); }

// Longest run of unchanged cells rewritten instead of jumping over them.
constexpr int maxRewrite = 8;

}  // namespace

Renderer::Renderer(Charset charset, int terminalRows, int terminalColumns)
    : charset_(charset), rows_(0), columns_(0) {
    setTerminalSize(terminalRows, terminalColumns);
}

void Renderer::setTerminalSize(int rows, int columns) {
    rows_ = std::max(rows, 1);
    columns_ = std::max(columns, 1);
    shown_.assign(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_), Shown{});
    invalidate();
}

void Renderer::invalidate() {
    repaint_ = true;
    cursorRow_ = cursorColumn_ = -1;
}

void Renderer::updateViewport(const ScreenState& screen) {
    auto follow = [](int offset, int cursor, int size, int window) {
        if (size <= window) return 0;
        if (cursor < offset) offset = cursor;
        if (cursor >= offset + window) offset = cursor - window + 1;
        return std::clamp(offset, 0, size - window);
    };
    top_ = follow(top_, screen.cursorRow - 1, screen.height, rows_);
    left_ = follow(left_, screen.cursorColumn - 1, screen.width, columns_);
}

Renderer::Shown Renderer::wanted(const ScreenState& screen, int row, int column) const {
    int bufferRow = top_ + row;
    int bufferColumn = left_ + column;
    if (bufferRow >= screen.height || bufferColumn >= screen.width) return Shown{' ', 0, kBlank};
    const Cell& c = screen.cells[static_cast<std::size_t>(bufferRow) * static_cast<std::size_t>(screen.width) +
                                 static_cast<std::size_t>(bufferColumn)];
    return Shown{c.character, c.attribute, kCell};
}

void Renderer::setSgr(int sgr, std::string& out) {
    if (sgr == sgr_) return;
    if (sgr == sgrDefault) {
        out += "\x1b[0m";
        sgr_ = sgr;
        return;
    }
    int foreground = sgr & 15;
    int background = sgr >> 4;
    out += "\x1b[";
    if (sgr_ == sgrUnknown || sgr_ == sgrDefault) {
        if (sgr_ == sgrUnknown) out += "0;";
        appendNumber(out, foregroundCode(foreground));
        out += ';';
        appendNumber(out, backgroundCode(background));
    } else {
        bool foregroundChanges = (sgr_ & 15) != foreground;
        bool backgroundChanges = (sgr_ >> 4) != background;
        if (foregroundChanges) appendNumber(out, foregroundCode(foreground));
        if (foregroundChanges && backgroundChanges) out += ';';
        if (backgroundChanges) appendNumber(out, backgroundCode(background));
    }
    out += 'm';
    sgr_ = sgr;
}

void Renderer::putGlyph(std::uint8_t character, std::string& out) const {
    out += glyphBytes(charset_, character);
}

int Renderer::glyphLength(std::uint8_t character) const {
    return static_cast<int>(glyphBytes(charset_, character).size());
}

void Renderer::moveTo(int row, int column, const ScreenState& screen, std::string& out) {
    if (row == cursorRow_ && column == cursorColumn_) return;
    // Absolute move.
    int bestCost = 3 + digits(row + 1) + (column > 0 ? 1 + digits(column + 1) : 0);
    if (row == 0 && column == 0) bestCost = 3;
    enum { absolute, forward, back, backspace, carriageReturn, down, up, newLine, rewrite } best = absolute;
    auto consider = [&](int cost, decltype(best) way) {
        if (cost < bestCost) {
            bestCost = cost;
            best = way;
        }
    };
    bool rowKnown = cursorRow_ >= 0;
    bool known = rowKnown && cursorColumn_ >= 0;
    if (rowKnown && !known && row == cursorRow_) {
        consider(1 + (column > 0 ? relativeCost(column) : 0), carriageReturn);
    } else if (known && row == cursorRow_) {
        if (column > cursorColumn_) {
            int n = column - cursorColumn_;
            consider(relativeCost(n), forward);
            // Rewriting the cells in between costs their glyphs, if they are
            // already shown as wanted and need no change of colours.
            if (n <= maxRewrite) {
                int cost = 0;
                for (int c = cursorColumn_; c < column && cost >= 0; ++c) {
                    const Shown& s = shownAt(row, c);
                    bool same = s == wanted(screen, row, c) &&
                                ((s.kind == kCell && s.attribute == sgr_) || (s.kind == kBlank && sgr_ == sgrDefault));
                    cost = same ? cost + glyphLength(s.character) : -1;
                }
                if (cost >= 0) consider(cost, rewrite);
            }
        } else {
            int n = cursorColumn_ - column;
            consider(relativeCost(n), back);
            if (n <= 3) consider(n, backspace);  // BS moves left without erasing
            consider(1 + (column > 0 ? relativeCost(column) : 0), carriageReturn);
        }
    } else if (rowKnown) {
        if (known && column == cursorColumn_) {
            consider(relativeCost(std::abs(row - cursorRow_)), row > cursorRow_ ? down : up);
        }
        if (row == cursorRow_ + 1) consider(2 + (column > 0 ? relativeCost(column) : 0), newLine);
    }
    switch (best) {
        case absolute:
            out += "\x1b[";
            if (row != 0 || column != 0) appendNumber(out, row + 1);
            if (column != 0) {
                out += ';';
                appendNumber(out, column + 1);
            }
            out += 'H';
            break;
        case forward: appendRelative(out, column - cursorColumn_, 'C'); break;
        case back: appendRelative(out, cursorColumn_ - column, 'D'); break;
        case backspace: out.append(static_cast<std::size_t>(cursorColumn_ - column), '\b'); break;
        case carriageReturn:
            out += '\r';
            if (column > 0) appendRelative(out, column, 'C');
            break;
        case down: appendRelative(out, row - cursorRow_, 'B'); break;
        case up: appendRelative(out, cursorRow_ - row, 'A'); break;
        case newLine:
            out += "\r\n";
            if (column > 0) appendRelative(out, column, 'C');
            break;
        case rewrite:
            for (int c = cursorColumn_; c < column; ++c) putGlyph(shownAt(row, c).character, out);
            break;
    }
    cursorRow_ = row;
    cursorColumn_ = column;
}

void Renderer::render(const ScreenState& screen, std::string& out) {
    if (repaint_) {
        out += "\x1b[0m\x1b[2J";
        sgr_ = sgrDefault;
        std::fill(shown_.begin(), shown_.end(), Shown{' ', 0, kBlank});
        repaint_ = false;
    }
    updateViewport(screen);

    for (int row = 0; row < rows_; ++row) {
        // From this column on the row shows no buffer cell.
        int blankFrom = top_ + row >= screen.height ? 0 : std::clamp(screen.width - left_, 0, columns_);
        for (int column = 0; column < columns_; ++column) {
            Shown want = wanted(screen, row, column);
            Shown& shown = shownAt(row, column);
            if (shown == want) continue;
            if (column >= blankFrom) {
                // The rest of the row is blank terminal: erase it in one go.
                moveTo(row, column, screen, out);
                setSgr(sgrDefault, out);
                out += "\x1b[K";
                std::fill_n(&shown, columns_ - column, Shown{' ', 0, kBlank});
                break;
            }
            moveTo(row, column, screen, out);
            setSgr(want.attribute, out);
            putGlyph(want.character, out);
            shown = want;
            // Past the last column terminals differ (the cursor stays, or
            // waits to wrap): only a carriage return is sure to leave it.
            if (++cursorColumn_ >= columns_) cursorColumn_ = pastRightEdge;
        }
    }

    int style = screen.cursor.size <= 50 ? 4 : 2;  // steady underline, steady block
    int row = screen.cursorRow - 1 - top_;
    int column = screen.cursorColumn - 1 - left_;
    bool onTerminal = row >= 0 && row < rows_ && column >= 0 && column < columns_;
    if (screen.cursor.visible) {
        if (onTerminal) moveTo(row, column, screen, out);
        if (style != cursorStyle_) {
            out += "\x1b[";
            appendNumber(out, style);
            out += " q";
            cursorStyle_ = style;
        }
        if (cursorVisible_ != 1) out += "\x1b[?25h";
        cursorVisible_ = 1;
    } else {
        if (cursorVisible_ != 0) out += "\x1b[?25l";
        cursorVisible_ = 0;
    }
}

}  // namespace corvel::posix
