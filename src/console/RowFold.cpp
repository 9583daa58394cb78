#include "console/RowFold.h"

#include <algorithm>
#include <tuple>

namespace corvel {

void RowFold::update(const std::vector<char>& blank, int terminalRows, int cursorRow) {
    const int bufferRows = static_cast<int>(blank.size());
    const int shown = std::max(terminalRows, 1);
    visible_.clear();
    if (bufferRows <= shown) {
        for (int row = 0; row < bufferRows; ++row) visible_.push_back(row);
    } else {
        findRuns(blank, cursorRow);
        const int excess = bufferRows - shown;
        int spare = 0;
        for (Run& run : runs_) {
            run.keep = run.length;
            spare += run.length - 1;
        }
        if (excess <= spare) {
            level(excess);
        } else {
            for (Run& run : runs_) run.keep = 1;
            dropSeparators(excess - spare, bufferRows);
        }
        std::size_t k = 0;
        for (int row = 0; row < bufferRows; ++row) {
            while (k < runs_.size() && runs_[k].start + runs_[k].length <= row) ++k;
            bool inRun = k < runs_.size() && row >= runs_[k].start;
            if (!inRun || row - runs_[k].start < runs_[k].keep) visible_.push_back(row);
        }
    }
    followCursor(shown, cursorRow);
    rows_.assign(static_cast<std::size_t>(shown), -1);
    terminalRowOf_.assign(static_cast<std::size_t>(bufferRows), -1);
    for (int t = 0; t < shown && static_cast<std::size_t>(windowTop_ + t) < visible_.size(); ++t) {
        int row = visible_[static_cast<std::size_t>(windowTop_ + t)];
        rows_[static_cast<std::size_t>(t)] = row;
        terminalRowOf_[static_cast<std::size_t>(row)] = t;
    }
}

int RowFold::terminalRowOf(int bufferRow) const {
    if (bufferRow < 0 || static_cast<std::size_t>(bufferRow) >= terminalRowOf_.size()) return -1;
    return terminalRowOf_[static_cast<std::size_t>(bufferRow)];
}

// The runs of blank rows; the cursor's row carries something.
void RowFold::findRuns(const std::vector<char>& blank, int cursorRow) {
    runs_.clear();
    for (int row = 0; row < static_cast<int>(blank.size()); ++row) {
        if (!blank[static_cast<std::size_t>(row)] || row == cursorRow) continue;
        if (!runs_.empty() && runs_.back().start + runs_.back().length == row) {
            ++runs_.back().length;
        } else {
            runs_.push_back({row, 1, 1});
        }
    }
}

// Hides excess rows, each from a run that is longest at that moment (the
// lower of equal ones), while every run keeps one row at least: all runs
// longer than some level are cut down to it, and the rest comes from the
// lowest runs at that level.
void RowFold::level(int excess) {
    auto hidden = [this](int level) {
        int count = 0;
        for (const Run& run : runs_) count += std::max(0, run.length - level);
        return count;
    };
    int longest = 0;
    for (const Run& run : runs_) longest = std::max(longest, run.length);
    int level = longest;
    while (level > 1 && hidden(level - 1) <= excess) --level;
    int rest = excess - hidden(level);
    for (Run& run : runs_) run.keep = std::min(run.length, level);
    for (auto run = runs_.rbegin(); run != runs_.rend() && rest > 0; ++run) {
        if (run->keep != level) continue;
        --run->keep;
        --rest;
    }
}

// With every run down to one row, separators go too: first those at the top
// or bottom, which separate nothing, then those of the shortest runs, the
// upper of equal ones first (what stands between it and the rows that grew
// then moves up by one, which the terminal does with one deleted line).
void RowFold::dropSeparators(int count, int bufferRows) {
    order_.clear();
    for (int k = 0; k < static_cast<int>(runs_.size()); ++k) order_.push_back(k);
    auto rank = [&](int k) {
        const Run& run = runs_[static_cast<std::size_t>(k)];
        bool edge = run.start == 0 || run.start + run.length == bufferRows;
        return std::make_tuple(!edge, run.length, run.start);
    };
    std::sort(order_.begin(), order_.end(), [&](int a, int b) { return rank(a) < rank(b); });
    for (int i = 0; i < count && i < static_cast<int>(order_.size()); ++i) {
        runs_[static_cast<std::size_t>(order_[static_cast<std::size_t>(i)])].keep = 0;
    }
}

// When the kept rows still do not fit, the window over them moves as little
// as keeps the cursor's row in view.
void RowFold::followCursor(int terminalRows, int cursorRow) {
    const int count = static_cast<int>(visible_.size());
    if (count <= terminalRows) {
        windowTop_ = 0;
        return;
    }
    int index = static_cast<int>(std::lower_bound(visible_.begin(), visible_.end(), cursorRow) - visible_.begin());
    if (index < windowTop_) windowTop_ = index;
    if (index >= windowTop_ + terminalRows) windowTop_ = index - terminalRows + 1;
    windowTop_ = std::clamp(windowTop_, 0, count - terminalRows);
}

}  // namespace corvel
