// What the terminal renderer sends per key in an edit session of the form's
// answer field, next to the number of cells that really changed.
//
// The real line editor edits the 255-cell field on an 80 x 50 screen in white
// on light blue, from row 46, column 4, in yellow on blue; each time it waits
// for a key, the renderer makes the frame a terminal would get. The field
// starts as 255 placeholder dots.
//
// Script: type "The quick brown fox jumps over the lazy dog 0123456789 abcde"
// at the end, Home, XYZ (insert mode shifts the rest right), End,
// 10 x Backspace, 5 x Left, 3 x Del, 2 x Right.
//
// usage: render_bench [--raw] [--verbose]
//   --raw      a terminal without UTF-8 (bytes as they are)
//   --verbose  one line per key
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "console/ConsoleKeyboard.h"
#include "console/ConsoleScreen.h"
#include "console/MemoryDevice.h"
#include "console/posix/Renderer.h"
#include "editor/VuvadOdor.h"

using namespace corvel;
using corvel::posix::Charset;
using corvel::posix::Renderer;
using corvel::posix::ScreenState;

namespace {

constexpr int screenColumns = 80;
constexpr int screenRows = 50;

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

void pushKey(MemoryDevice& device, const std::string& key) {
    if (key == "HOME") device.pushExtended(71);
    else if (key == "END") device.pushExtended(79);
    else if (key == "LEFT") device.pushExtended(75);
    else if (key == "RIGHT") device.pushExtended(77);
    else if (key == "DEL") device.pushExtended(83);
    else if (key == "BS") device.pushKey(8, 14);
    else device.pushText(key);
}

void printFrame(const std::string& key, const std::string& keyClass, const std::string& out, int changed) {
    std::printf("%-6s %-20s %4zu bytes %4d cells  ", key.c_str(), keyClass.c_str(), out.size(), changed);
    for (unsigned char c : out) {
        if (c == 0x1b) std::printf("\\e");
        else if (c < 32 || c >= 127) std::printf("\\x%02x", c);
        else std::putchar(c);
    }
    std::putchar('\n');
}

}  // namespace

int main(int argc, char** argv) {
    Charset charset = Charset::utf8;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--raw") == 0) charset = Charset::cp437;
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

    MemoryDevice device(screenColumns, screenRows);
    device.setCursorShape(CursorShape{10, true});
    ConsoleScreen screen(device);
    ConsoleKeyboard keyboard(device, screen);
    VuvadOdor editor(screen, keyboard);
    screen.setTextColors(15, 9, 0);
    screen.clearScreen();
    screen.setCursorPos(46, 4);

    Renderer renderer(charset, screenRows, screenColumns);
    std::string out;
    std::vector<Cell> before;
    std::map<std::string, Totals> classes;
    std::vector<std::string> order;
    Totals all;
    std::size_t next = 0;
    std::printf("render_bench: 80x50 screen, 255-cell field at (46,4), attribute 30, %s\n",
                charset == Charset::utf8 ? "UTF-8 terminal" : "raw-byte terminal");

    // Every wait for a key is a frame: the one after the previous key.
    device.setIdleHook([&] {
        out.clear();
        auto start = std::chrono::steady_clock::now();
        renderer.render(ScreenState::of(device.grid(), device.cursorRow(), device.cursorColumn(),
                                        device.cursorShape()),
                        out);
        long ns = static_cast<long>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count());
        if (next == 0) {
            std::printf("first frame (whole screen): %zu bytes for %d cells\n\n", out.size(),
                        screenColumns * screenRows);
        } else {
            const auto& [key, keyClass] = script[next - 1];
            int changed = changedCells(before, device.grid());
            if (!classes.count(keyClass)) order.push_back(keyClass);
            for (Totals* t : {&classes[keyClass], &all}) {
                ++t->keys;
                t->bytes += static_cast<long>(out.size());
                t->cells += changed;
                t->renderNs += ns;
            }
            if (verbose) printFrame(key, keyClass, out, changed);
        }
        before.assign(device.grid().data(), device.grid().data() + screenColumns * screenRows);
        if (next < script.size()) pushKey(device, script[next++].first);
        else device.pushKey(13, 28);
    });
    std::string text(255, ' ');
    int row = 46, column = 4;
    std::vector<std::string> history{std::string()};
    editor.editField(text, row, column, history);

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
