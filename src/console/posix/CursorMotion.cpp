#include "console/posix/CursorMotion.h"

#include <charconv>

namespace corvel::posix {
namespace {

int digits(int value) { return value >= 100 ? 3 + (value >= 1000) + (value >= 10000) : 1 + (value >= 10); }

// "ESC [ n X", with n left out when it is 1.
int sequenceCost(int n) { return 3 + (n == 1 ? 0 : digits(n)); }

void appendNumber(std::string& out, int n) {
    char buffer[12];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
    out.append(buffer, result.ptr);
}

void appendSequence(std::string& out, int n, char final) {
    out += "\x1b[";
    if (n != 1) appendNumber(out, n);
    out += final;
}

using Across = CursorMove::Across;
using Along = CursorMove::Along;

// The cheapest way to toColumn on the same row: relative first, then the
// column-absolute move and CR when they are shorter.
int planAcross(int fromColumn, int toColumn, Across& way) {
    way = Across::none;
    if (fromColumn == toColumn) return 0;
    int cost = 1 << 20;
    if (fromColumn >= 0 && toColumn > fromColumn) {
        way = Across::forward;
        cost = sequenceCost(toColumn - fromColumn);
    } else if (fromColumn >= 0) {
        int n = fromColumn - toColumn;
        way = n <= 3 ? Across::backspaces : Across::back;  // BS moves without erasing
        cost = n <= 3 ? n : sequenceCost(n);
    }
    if (sequenceCost(toColumn + 1) < cost) {
        way = Across::absolute;
        cost = sequenceCost(toColumn + 1);
    }
    int carriageReturn = 1 + (toColumn > 0 ? sequenceCost(toColumn) : 0);
    if (carriageReturn < cost) {
        way = Across::carriageReturn;
        cost = carriageReturn;
    }
    return cost;
}

// The cheapest way to toRow in the same column.
int planAlong(int fromRow, int toRow, Along& way) {
    way = Along::none;
    if (fromRow == toRow) return 0;
    int cost;
    if (toRow > fromRow) {
        int n = toRow - fromRow;
        way = n <= 3 ? Along::lineFeeds : Along::down;
        cost = n <= 3 ? n : sequenceCost(n);
    } else {
        int n = fromRow - toRow;
        way = n == 1 ? Along::reverseIndex : Along::up;
        cost = n == 1 ? 2 : sequenceCost(n);
    }
    if (sequenceCost(toRow + 1) < cost) {
        way = Along::absolute;
        cost = sequenceCost(toRow + 1);
    }
    return cost;
}

}  // namespace

CursorMove planMove(int fromRow, int fromColumn, int toRow, int toColumn) {
    CursorMove move{false, Across::none, Along::none, fromRow, fromColumn, toRow, toColumn, 0};
    if (fromRow == toRow && fromColumn == toColumn) return move;
    move.fullPosition = true;
    move.cost = 3 + (toRow != 0 || toColumn != 0 ? digits(toRow + 1) : 0) + (toColumn != 0 ? 1 + digits(toColumn + 1) : 0);
    if (fromRow < 0) return move;
    Across across;
    Along along;
    int cost = planAcross(fromColumn, toColumn, across) + planAlong(fromRow, toRow, along);
    if (cost < move.cost) {
        move = CursorMove{false, across, along, fromRow, fromColumn, toRow, toColumn, cost};
    }
    return move;
}

void appendMove(const CursorMove& move, std::string& out) {
    if (move.fullPosition) {
        out += "\x1b[";
        if (move.toRow != 0 || move.toColumn != 0) appendNumber(out, move.toRow + 1);
        if (move.toColumn != 0) {
            out += ';';
            appendNumber(out, move.toColumn + 1);
        }
        out += 'H';
        return;
    }
    // Neither part moves the other coordinate, so CR comes first as in CR LF.
    switch (move.across) {
        case Across::none: break;
        case Across::forward: appendSequence(out, move.toColumn - move.fromColumn, 'C'); break;
        case Across::back: appendSequence(out, move.fromColumn - move.toColumn, 'D'); break;
        case Across::backspaces: out.append(static_cast<std::size_t>(move.fromColumn - move.toColumn), '\b'); break;
        case Across::absolute: appendSequence(out, move.toColumn + 1, 'G'); break;
        case Across::carriageReturn:
            out += '\r';
            if (move.toColumn > 0) appendSequence(out, move.toColumn, 'C');
            break;
    }
    switch (move.along) {
        case Along::none: break;
        case Along::lineFeeds: out.append(static_cast<std::size_t>(move.toRow - move.fromRow), '\n'); break;
        case Along::down: appendSequence(out, move.toRow - move.fromRow, 'B'); break;
        case Along::reverseIndex: out += "\x1bM"; break;
        case Along::up: appendSequence(out, move.fromRow - move.toRow, 'A'); break;
        case Along::absolute: appendSequence(out, move.toRow + 1, 'd'); break;
    }
}

}  // namespace corvel::posix
