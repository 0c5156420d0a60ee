#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// An accumulation buffer that is searched for the same few fixed texts after every chunk.
// Appending applies backspaces and upper-cases as it goes, and each search remembers how far
// it has already looked, so a long stream costs time in proportion to its length rather
// than to its length times the buffer size.
class ScanText
{
public:
    explicit ScanText(size_t limit) : m_limit(limit) {}

    const std::string &str() const { return m_text; }
    size_t size() const { return m_text.size(); }
    bool empty() const { return m_text.empty(); }
    char back() const { return m_text.empty() ? '\0' : m_text.back(); }
    bool endsWith(std::string_view tail) const;

    // Appends chunk with its backspaces applied against what is already held, upper case.
    void append(std::string_view chunk);
    void assign(std::string_view text);
    void clear();

    // First position at or after from where pattern starts, or npos. Patterns must be
    // string literals: a search is remembered by the pattern's address.
    size_t find(const char *pattern, size_t from = 0);
    bool contains(const char *pattern) { return find(pattern) != std::string::npos; }

private:
    struct Memo
    {
        const char *pattern;
        size_t length;
        size_t from;
        size_t next;  // no match starts in [from, next)
        size_t found; // npos until found
    };

    void truncated(size_t length);
    void bound();

    std::string m_text;
    std::vector<Memo> m_memos;
    size_t m_limit;
};
