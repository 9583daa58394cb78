#include "console/posix/CursorMotion.h"

#include <charconv>

namespace corvel::posix {
namespace {

// "ESC [ n X", with n left out when it is 1.
void appendSequence(std::string& out, int n, char final) {
    out += "\x1b[";
    if (n != 1) {
        char buffer[12];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
        out.append(buffer, result.ptr);
    }
    out += final;
}

std::string fullPosition(int row, int column) {
    std::string out = "\x1b[";
    if (row != 0 || column != 0) out += std::to_string(row + 1);
    if (column != 0) out += ';' + std::to_string(column + 1);
    out += 'H';
    return out;
}

void keepShorter(std::string& best, const std::string& candidate) {
    if (candidate.size() < best.size()) best = candidate;
}

// Ways to reach toRow that leave the column where it is.
std::string verticalMove(int fromRow, int toRow) {
    std::string out;
    if (toRow > fromRow) {
        int n = toRow - fromRow;
        if (n <= 3) out.assign(static_cast<std::size_t>(n), '\n');
        else appendSequence(out, n, 'B');
    } else if (toRow < fromRow) {
        if (fromRow - toRow == 1) out = "\x1bM";  // reverse index
        else appendSequence(out, fromRow - toRow, 'A');
    }
    std::string absolute;
    appendSequence(absolute, toRow + 1, 'd');
    if (toRow != fromRow) keepShorter(out, absolute);
    return out;
}

std::string horizontalMove(int fromColumn, int toColumn) {
    if (fromColumn == toColumn) return {};
    std::string best;
    if (fromColumn >= 0 && toColumn > fromColumn) {
        appendSequence(best, toColumn - fromColumn, 'C');
    } else if (fromColumn >= 0) {
        int n = fromColumn - toColumn;
        if (n <= 3) best.assign(static_cast<std::size_t>(n), '\b');  // BS moves without erasing
        else appendSequence(best, n, 'D');
    } else {
        appendSequence(best, toColumn + 1, 'G');
    }
    std::string absolute;
    appendSequence(absolute, toColumn + 1, 'G');
    keepShorter(best, absolute);
    std::string carriageReturn = "\r";
    if (toColumn > 0) appendSequence(carriageReturn, toColumn, 'C');
    keepShorter(best, carriageReturn);
    return best;
}

}  // namespace

std::string cheapestMove(int fromRow, int fromColumn, int toRow, int toColumn) {
    if (fromRow == toRow && fromColumn == toColumn) return {};
    std::string best = fullPosition(toRow, toColumn);
    if (fromRow < 0) return best;
    // Neither part moves the other coordinate, so CR comes first as in CR LF.
    keepShorter(best, horizontalMove(fromColumn, toColumn) + verticalMove(fromRow, toRow));
    return best;
}

}  // namespace corvel::posix
