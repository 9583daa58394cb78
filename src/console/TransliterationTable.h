// The generated table behind the transliteration (TransliterationTable.cpp,
// made by scripts/make-transliteration-table.py from the Unicode data):
// runs of consecutive characters, sorted by their first, none overlapping.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvel {

struct TransliterationRun {
    char32_t first;
    std::uint16_t following;  // the run covers first .. first + following
    // 0: every character of the run gives text; 1: character first + i
    // gives the one byte text[0] + i (full-width A..Z, a script's digits).
    std::uint8_t step;
    char text[5];  // code page 437 bytes, padded with NULs; empty: nothing
};

extern const TransliterationRun transliterationRuns[];
extern const std::size_t transliterationRunCount;

}  // namespace corvel
