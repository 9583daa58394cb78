#include "console/Transliteration.h"

#include <gtest/gtest.h>

#include <string>

#include "console/Cp437.h"
#include "console/TransliterationTable.h"

namespace corvel {
namespace {

std::string stored(std::u32string_view typed) {
    std::string text;
    for (char32_t c : typed) text += cp437Text(c);
    return text;
}

// What a name typed in its own script stores, in code page 437 bytes.
TEST(Transliteration, namesInEveryScriptArriveReadable) {
    struct Case {
        std::u32string_view typed;
        std::string_view stored;
    };
    const Case cases[] = {
        {U"Łódź Wałęsa Żółć", "L\xA2" "dz Walesa Z\xA2lc"},                           // Polish
        {U"Dvořák Jiří Šťastný", "Dvor\xA0k Jir\xA1 Stastny"},                        // Czech
        {U"Erdős Pál Győző", "Erd\x94s P\xA0l Gy\x94z\x94"},                          // Hungarian
        {U"Müller Straße", "M\x81ller Stra\xE1" "e"},                                 // German
        {U"François Lefèvre Œuvre", "Fran\x87ois Lef\x8Avre OEuvre"},                 // French
        {U"Иван Петров Щукин Хрущёв Игорь", "Ivan Petrov Shchukin Khrushchev Igor'"},  // Russian
        {U"Олександр Шевченко Київ Євгенія", "Oleksandr Shevchenko Kiiv Ievgeniia"},  // Ukrainian
        {U"Ωmega Σωκράτης Χάρης", "\xEAmega \xE4okr\xA0\xE7is Ch\xA0ris"},            // Greek
        {U"王小明", "???"},                                                            // Han
        {U"“Doe” ‘BBS’ 1–2 — x… 5 €", "\"Doe\" 'BBS' 1-2 - x... 5 EUR"},
        // The no-break space is the code page's own byte 255; the narrow one
        // a blank; a zero-width space nothing.
        {U"a\u202Fb\u00A0c\u200Bd", "a b\xFF" "cd"},
    };
    for (const Case& c : cases) EXPECT_EQ(stored(c.typed), c.stored);
}

// The lookup halves the table: it must be sorted, and no run may hide a
// character the code page has (that one would no longer be stored as is).
TEST(Transliteration, tableRunsAreSortedAndHoldOnlyCharactersTheCodePageLacks) {
    for (std::size_t i = 0; i < transliterationRunCount; ++i) {
        const TransliterationRun& run = transliterationRuns[i];
        if (i > 0) {
            const TransliterationRun& before = transliterationRuns[i - 1];
            ASSERT_GT(run.first, before.first + before.following) << std::hex << static_cast<unsigned>(run.first);
        }
        for (char32_t c = run.first; c <= run.first + run.following; ++c) {
            EXPECT_LT(unicodeToCp437(c), 0) << std::hex << static_cast<unsigned>(c);
        }
    }
}

}  // namespace
}  // namespace corvel
