#pragma once

#include <string>
#include <string_view>

// Windows-1252, for files written by older versions and for the bytes of the terminal line.
namespace tandrel {

// Unicode code point of one Windows-1252 byte. The five unassigned bytes map to the C1
// controls of the same value so that every byte survives a round trip.
char32_t cp1252ToUnicode(unsigned char c);

// Windows-1252 byte of a code point, or -1 when the code page cannot hold it.
int unicodeToCp1252(char32_t u);

std::string cp1252ToUtf8(std::string_view text);

// Malformed UTF-8 and characters outside the code page become `replacement`.
std::string utf8ToCp1252(std::string_view text, char replacement = '?');

} // namespace tandrel
