// What the terminal renderer sends per key in an edit session of the form's
// answer field, next to the number of cells that really changed.
//
// An 80 x 50 screen in white on light blue; the 255-cell field starts at row
// 46, column 4 in yellow on blue (attribute 30) and runs on to row 49,
// column 18. As the line editor does, every key writes all 255 cells of the
// field from the text (unchanged cells included), one row segment at a time,
// then places the cursor. The field starts as 255 placeholder dots.
//
// Script: type "The quick brown fox jumps over the lazy dog 0123456789 abcde"
// at the end, Home, XYZ (insert mode shifts the rest right), End,
// 10 x Backspace, 5 x Left, 3 x Del, 2 x Right.
//
// usage: render_bench [--raw] [--verbose]
//   --raw      a terminal without UTF-8 (bytes as they are)
//   --verbose  one line per key
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "console/CellGrid.h"
#include "console/posix/Renderer.h"

using corvel::Cell;
using corvel::CursorShape;
using corvel::CellGrid;
using corvel::posix::Renderer;
using corvel::posix::ScreenState;

namespace {

constexpr int screenColumns = 80;
constexpr int screenRows = 50;
constexpr int fieldRow = 46;
constexpr int fieldColumn = 4;
constexpr int fieldWidth = 255;
constexpr std::uint8_t fieldAttribute = 30;     // yellow on blue
constexpr std::uint8_t screenAttribute = 0x9F;  // white on light blue
constexpr std::uint8_t placeholder = 249;       // the small centred dot

struct Editor {
    std::string text = std::string(fieldWidth, ' ');
    int position = 1;  // 1-based

    int lastNonBlank() const {
        auto end = text.find_last_not_of(' ');
        return end == std::string::npos ? 0 : static_cast<int>(end) + 1;
    }
    void type(char c) {  // insert mode
        text = text.substr(0, static_cast<std::size_t>(position - 1)) + c +
               text.substr(static_cast<std::size_t>(position - 1), static_cast<std::size_t>(fieldWidth - position));
        if (position < fieldWidth) ++position;
    }
    void removeAt(int p) {
        text = text.substr(0, static_cast<std::size_t>(p - 1)) + text.substr(static_cast<std::size_t>(p)) + ' ';
    }
    void apply(const std::string& key) {
        if (key == "HOME") {
            position = 1;
        } else if (key == "END") {
            position = std::min(lastNonBlank() + 1, fieldWidth);
        } else if (key == "LEFT") {
            if (position > 1) --position;
        } else if (key == "RIGHT") {
            if (position < fieldWidth) ++position;
        } else if (key == "BS") {
            if (position > 1) removeAt(--position);
        } else if (key == "DEL") {
            removeAt(position);
        } else {
            type(key[0]);
        }
    }
};

struct Screen {
    CellGrid grid{screenColumns, screenRows, screenAttribute};
    int row = 1;
    int column = 1;

    // The console's text writing: row segments, wrapping at the right edge.
    void writeText(const std::string& text, std::uint8_t attribute) {
        std::size_t done = 0;
        while (done < text.size()) {
            int n = std::min<int>(static_cast<int>(text.size() - done), screenColumns - column + 1);
            std::vector<Cell> cells(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) {
                cells[static_cast<std::size_t>(i)] = Cell{static_cast<std::uint8_t>(text[done + static_cast<std::size_t>(i)]), attribute};
            }
            grid.writeCells(row, column, cells.data(), n);
            done += static_cast<std::size_t>(n);
            column += n;
            if (column > screenColumns) {
                column = 1;
                if (row < screenRows) ++row;
            }
        }
    }
    void toPosition(int p) {
        int offset = fieldColumn + p - 2;
        row = fieldRow + offset / screenColumns;
        column = offset % screenColumns + 1;
    }
    ScreenState state() const { return ScreenState::of(grid, row, column, CursorShape{10, true}); }
};

int changedCells(const std::vector<Cell>& before, const CellGrid& after) {
    int changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i) changed += !(before[i] == after.data()[i]);
    return changed;
}

struct Totals {
    int keys = 0;
    long bytes = 0;
    long cells = 0;
    long renderNs = 0;
};

}  // namespace

int main(int argc, char** argv) {
    bool utf8 = true;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--raw") == 0) utf8 = false;
        else if (std::strcmp(argv[i], "--verbose") == 0) verbose = true;
        else {
            std::fprintf(stderr, "usage: render_bench [--raw] [--verbose]\n");
            return 2;
        }
    }

    std::vector<std::pair<std::string, std::string>> script;  // key, class
    for (char c : std::string("The quick brown fox jumps over the lazy dog 0123456789 abcde")) {
        script.emplace_back(std::string(1, c), "typed char @end");
    }
    script.emplace_back("HOME", "Home/End/arrows");
    for (char c : std::string("XYZ")) script.emplace_back(std::string(1, c), "typed char insert");
    script.emplace_back("END", "Home/End/arrows");
    for (int i = 0; i < 10; ++i) script.emplace_back("BS", "Backspace/Delete");
    for (int i = 0; i < 5; ++i) script.emplace_back("LEFT", "Home/End/arrows");
    for (int i = 0; i < 3; ++i) script.emplace_back("DEL", "Backspace/Delete");
    for (int i = 0; i < 2; ++i) script.emplace_back("RIGHT", "Home/End/arrows");
    // The first key also replaces the 255 placeholder dots: a class of its own.
    script.front().second = "first key (dots go)";

    Screen screen;
    Renderer renderer(utf8, screenRows, screenColumns);
    Editor editor;
    std::string out;

    // The panel: the field in its colours, shown as dots, cursor at its start.
    screen.row = fieldRow;
    screen.column = fieldColumn;
    screen.writeText(std::string(fieldWidth, static_cast<char>(placeholder)), fieldAttribute);
    screen.toPosition(1);
    renderer.render(screen.state(), out);
    std::printf("render_bench: 80x50 screen, 255-cell field at (46,4), attribute 30, %s\n",
                utf8 ? "UTF-8 terminal" : "raw-byte terminal");
    std::printf("first frame (whole screen): %zu bytes for %d cells\n\n", out.size(), screenColumns * screenRows);

    std::map<std::string, Totals> classes;
    std::vector<std::string> order;
    Totals all;
    for (const auto& [key, keyClass] : script) {
        std::vector<Cell> before(screen.grid.data(), screen.grid.data() + screenColumns * screenRows);
        editor.apply(key);
        screen.row = fieldRow;
        screen.column = fieldColumn;
        screen.writeText(editor.text, fieldAttribute);
        screen.toPosition(editor.position);

        out.clear();
        auto start = std::chrono::steady_clock::now();
        renderer.render(screen.state(), out);
        long ns = static_cast<long>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count());
        int changed = changedCells(before, screen.grid);

        if (!classes.count(keyClass)) order.push_back(keyClass);
        for (Totals* t : {&classes[keyClass], &all}) {
            ++t->keys;
            t->bytes += static_cast<long>(out.size());
            t->cells += changed;
            t->renderNs += ns;
        }
        if (verbose) {
            std::printf("%-6s %-20s %4zu bytes %4d cells  ", key.c_str(), keyClass.c_str(), out.size(), changed);
            for (unsigned char c : out) {
                if (c == 0x1b) std::printf("\\e");
                else if (c < 32 || c >= 127) std::printf("\\x%02x", c);
                else std::putchar(c);
            }
            std::putchar('\n');
        }
    }
    if (verbose) std::putchar('\n');

    std::printf("%-22s %5s %12s %12s %14s %12s\n", "class", "keys", "bytes/key", "changed/key", "bytes/changed",
                "render us");
    auto line = [](const std::string& name, const Totals& t) {
        double keys = t.keys;
        char perCell[16] = "-";
        if (t.cells != 0) std::snprintf(perCell, sizeof perCell, "%.2f", static_cast<double>(t.bytes) / t.cells);
        std::printf("%-22s %5d %12.1f %12.1f %14s %12.2f\n", name.c_str(), t.keys, t.bytes / keys, t.cells / keys,
                    perCell, static_cast<double>(t.renderNs) / keys / 1000.0);
    };
    for (const std::string& name : order) line(name, classes[name]);
    line("total", all);
    std::printf("\ntotal: %ld bytes for %d keys; %ld cells changed (the floor: every changed cell is sent once)\n",
                all.bytes, all.keys, all.cells);
    return 0;
}
