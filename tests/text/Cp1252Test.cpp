#include "Cp1252.h"

#include <gtest/gtest.h>

using namespace tandrel;

TEST(Cp1252, EveryByteSurvivesRoundTripThroughUtf8)
{
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
}

TEST(Cp1252, MapsTheWindowsOnlyCharactersAndReplacesTheRest)
{
    EXPECT_EQ(cp1252ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    // Split literals keep a hex escape from swallowing the next letter.
    // clang-format off
    EXPECT_EQ(utf8ToCp1252("\xE2\x80\x9C" "a" "\xC3\xA9"), "\x93" "a" "\xE9");
    // What the code page cannot hold, and broken UTF-8, become a stand-in.
    EXPECT_EQ(utf8ToCp1252("\xE4\xB8\xAD"), "?");           // CJK
    EXPECT_EQ(utf8ToCp1252("a\xC3"), "a?");                 // truncated sequence
    EXPECT_EQ(utf8ToCp1252("\xFF" "b"), "?b");              // never valid
    EXPECT_EQ(utf8ToCp1252("\xC3" "b"), "?b");              // bad continuation
    EXPECT_EQ(utf8ToCp1252("\xF0\x9F\x98\x80", '#'), "#"); // emoji
    // clang-format on
}
