#include "Utf8.h"

#include <gtest/gtest.h>

using namespace tandrel;

TEST(Utf8, WalksCharactersAndRejectsMalformedSequences)
{
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    size_t pos = 0;
    for (char32_t c : {U'a', U'\u00E9', U'\u20AC', U'\U0001F600'})
        EXPECT_EQ(nextCharacter(text, pos), c);
    EXPECT_EQ(pos, text.size());
    EXPECT_EQ(characterCount(text), 4u);
    EXPECT_TRUE(isValidUtf8(text));
    EXPECT_TRUE(isValidUtf8("\xEF\xBF\xBD")); // U+FFFD itself is a character

    // Overlong, surrogate, beyond U+10FFFF, cut short, stray continuation: one byte each.
    for (const char *bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80"}) {
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
        size_t at = 0;
        EXPECT_EQ(nextCharacter(bad, at), ReplacementCharacter);
        EXPECT_EQ(at, 1u);
    }
    for (char32_t c : {U'\u007F', U'\u0080', U'\u07FF', U'\u0800', U'\uFFFF', U'\U00010000'}) {
        size_t at = 0;
        EXPECT_EQ(nextCharacter(utf8Of(c), at), c);
    }
}

TEST(Utf8, OldFilesAreReadAsWindows1252LineByLine)
{
    EXPECT_EQ(textFromFile("caf\xC3\xA9\n"), "caf\xC3\xA9\n");
    EXPECT_EQ(textFromFile("caf\xE9 \x80\r\n"), "caf\xC3\xA9 \xE2\x82\xAC\r\n");
    // An old line followed by a new one.
    EXPECT_EQ(textFromFile("\xFC\n\xC3\xBC"), "\xC3\xBC\n\xC3\xBC");
}
