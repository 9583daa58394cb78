// The rendering of a character: its own byte, else the generated table,
// else a question mark.
#include "console/Transliteration.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "console/Cp437.h"
#include "console/TransliterationTable.h"

namespace corvel {
namespace {

// Every byte as a one-byte text.
const std::array<char, 256>& singleBytes() {
    static const std::array<char, 256> bytes = [] {
        std::array<char, 256> all{};
        for (unsigned b = 0; b < 256; ++b) all[b] = static_cast<char>(b);
        return all;
    }();
    return bytes;
}

std::string_view byteText(unsigned b) { return {&singleBytes()[b & 0xFF], 1}; }

const TransliterationRun* runOf(char32_t c) {
    const TransliterationRun* end = transliterationRuns + transliterationRunCount;
    const TransliterationRun* after = std::upper_bound(
        transliterationRuns, end, c, [](char32_t value, const TransliterationRun& run) { return value < run.first; });
    if (after == transliterationRuns) return nullptr;
    const TransliterationRun* run = after - 1;
    return c - run->first <= run->following ? run : nullptr;
}

}  // namespace

std::string_view cp437Text(char32_t c) {
    if (c < 32 || c == 127) return byteText(c);
    if (int b = unicodeToCp437(c); b >= 0) return byteText(static_cast<unsigned>(b));
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {};
    if (const TransliterationRun* run = runOf(c)) {
        if (run->step != 0) return byteText(static_cast<std::uint8_t>(run->text[0]) + (c - run->first));
        const char* end = std::find(run->text, run->text + sizeof run->text, '\0');
        return {run->text, static_cast<std::size_t>(end - run->text)};
    }
    return "?";
}

}  // namespace corvel
