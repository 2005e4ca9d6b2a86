#include <gtest/gtest.h>

#include "text/code_points.h"

TEST(CodePoints, WellFormedUtf8DecodesToItsCharacters) {
    EXPECT_EQ(decodeCodePoints("Jóga – ünï"), U"Jóga – ünï");
    EXPECT_EQ(decodeCodePoints("東京の夜"), U"東京の夜");
    EXPECT_EQ(decodeCodePoints("\xf0\x9f\x8e\xb8\xf4\x8f\xbf\xbf"), U"\U0001F3B8\U0010FFFF");
    EXPECT_EQ(characterCount("東京の夜"), 4u);
    EXPECT_EQ(firstCharacters("東京の夜", 2), "東京");
    EXPECT_EQ(firstCharacters("東京の夜", 9), "東京の夜");
    EXPECT_EQ(decodeCodePoints(std::string_view("a\0b", 3)), std::u32string(U"a\0b", 3));
}

TEST(CodePoints, EveryByteOutsideWellFormedUtf8StandsForItsLatin1Character) {
    struct Case {
        std::string_view bytes;
        std::u32string characters;
    };
    const Case cases[] = {
        {"Caf\xe9", U"Caf\u00e9"},                         // a Latin-1 name
        {"\x80\xbf", U"\u0080\u00bf"},                      // continuation bytes alone
        {"\xe6\x9d" "A", U"\u00e6\u009d" "A"},              // a sequence cut short
        {"\xe6\x9d", U"\u00e6\u009d"},                      // ... at the end
        {"\xc0\xaf\xe0\x80\xaf", U"\u00c0\u00af\u00e0\u0080\u00af"},  // overlong forms
        {"\xed\xa0\x80", U"\u00ed\u00a0\u0080"},            // a surrogate
        {"\xf4\x90\x80\x80", U"\u00f4\u0090\u0080\u0080"},  // past U+10FFFF
        {"\xfe\xff\xf8", U"\u00fe\u00ff\u00f8"},            // never a lead byte
        {"\xc3\xa9\xe9\xc3\xa9", U"\u00e9\u00e9\u00e9"},    // mixed with good sequences
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decodeCodePoints(c.bytes), c.characters) << testing::PrintToString(std::string(c.bytes));
        EXPECT_EQ(characterCount(c.bytes), c.characters.size());
    }
    EXPECT_EQ(firstCharacters("\xe6\x9d" "A", 1), "\xe6");
}
