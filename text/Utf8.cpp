#include "Utf8.h"

#include "Cp1252.h"

namespace tandrel {

namespace {

// The well-formed sequence at pos, or false.
bool decodeAt(std::string_view text, size_t pos, char32_t &c, size_t &length)
{
    const auto b = static_cast<unsigned char>(text[pos]);
    char32_t least = 0;
    if (b < 0x80) {
        c = b;
        length = 1;
        return true;
    } else if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        c = b & 0x1F;
        least = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        length = 3;
        c = b & 0x0F;
        least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        c = b & 0x07;
        least = 0x10000;
    } else {
        return false;
    }
    if (length > text.size() - pos)
        return false;
    for (size_t k = 1; k < length; ++k) {
        const auto t = static_cast<unsigned char>(text[pos + k]);
        if ((t & 0xC0) != 0x80)
            return false;
        c = (c << 6) | (t & 0x3F);
    }
    return c >= least && c <= 0x10FFFF && !(c >= 0xD800 && c < 0xE000);
}

} // namespace

char32_t nextCharacter(std::string_view text, size_t &pos)
{
    char32_t c = 0;
    size_t length = 0;
    if (!decodeAt(text, pos, c, length)) {
        ++pos;
        return ReplacementCharacter;
    }
    pos += length;
    return c;
}

void appendUtf8(std::string &out, char32_t u)
{
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | (u >> 6));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (u >> 18));
        out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
}

std::string utf8Of(char32_t c)
{
    std::string out;
    appendUtf8(out, c);
    return out;
}

bool isValidUtf8(std::string_view text)
{
    char32_t c = 0;
    size_t length = 0;
    for (size_t pos = 0; pos < text.size(); pos += length) {
        if (static_cast<unsigned char>(text[pos]) < 0x80)
            length = 1;
        else if (!decodeAt(text, pos, c, length))
            return false;
    }
    return true;
}

size_t characterCount(std::string_view text)
{
    size_t n = 0;
    for (size_t pos = 0; pos < text.size(); ++n)
        nextCharacter(text, pos);
    return n;
}

std::string textFromFile(std::string_view bytes)
{
    if (isValidUtf8(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find('\n', at);
        end = end == std::string_view::npos ? bytes.size() : end + 1;
        const std::string_view line = bytes.substr(at, end - at);
        out += isValidUtf8(line) ? std::string(line) : cp1252ToUtf8(line);
        at = end;
    }
    return out;
}

} // namespace tandrel
