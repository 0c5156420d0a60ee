#pragma once

#include <string>
#include <string_view>

// The program's text is UTF-8 in std::string. These walk it by character.
namespace tandrel {

constexpr char32_t ReplacementCharacter = 0xFFFD;

// The character at pos, moving pos past it. A byte that starts no well-formed sequence
// (stray continuation, overlong form, surrogate, beyond U+10FFFF, cut short) gives
// ReplacementCharacter and moves one byte on.
char32_t nextCharacter(std::string_view text, size_t &pos);

void appendUtf8(std::string &out, char32_t c);
std::string utf8Of(char32_t c);

bool isValidUtf8(std::string_view text);

// Characters, not bytes.
size_t characterCount(std::string_view text);

// The text of a file that may predate UTF-8: a line that is valid UTF-8 is taken as it is,
// any other line as Windows-1252. Line by line, so that new entries appended to an old
// file are read right as well as the old ones.
std::string textFromFile(std::string_view bytes);

} // namespace tandrel
