#include "ScanText.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char Backspace = 8;

inline char upperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

} // namespace

bool ScanText::endsWith(std::string_view tail) const
{
    return m_text.size() >= tail.size() &&
           std::string_view(m_text).substr(m_text.size() - tail.size()) == tail;
}

void ScanText::append(std::string_view chunk)
{
    size_t lowest = m_text.size();
    m_text.reserve(m_text.size() + chunk.size());
    for (char c : chunk) {
        if (c == Backspace) {
            // A backspace with nothing before it is simply dropped.
            if (!m_text.empty()) {
                m_text.pop_back();
                lowest = std::min(lowest, m_text.size());
            }
        } else {
            m_text.push_back(upperAscii(c));
        }
    }
    truncated(lowest);
    bound();
}

void ScanText::assign(std::string_view text)
{
    clear();
    append(text);
}

void ScanText::clear()
{
    m_text.clear();
    m_memos.clear();
}

void ScanText::truncated(size_t length)
{
    for (Memo &m : m_memos) {
        if (m.found != std::string::npos && m.found + m.length > length)
            m.found = std::string::npos;
        const size_t reach = length + 1 > m.length ? length + 1 - m.length : 0;
        m.next = std::max(m.from, std::min(m.next, reach));
    }
}

// Keeps the newest half when the limit is passed, so trimming happens once per half buffer.
void ScanText::bound()
{
    if (m_text.size() <= m_limit)
        return;
    m_text.erase(0, m_text.size() - m_limit / 2);
    m_memos.clear();
}

size_t ScanText::find(const char *pattern, size_t from)
{
    Memo *memo = nullptr;
    for (Memo &m : m_memos) {
        if (m.pattern == pattern) {
            memo = &m;
            break;
        }
    }
    if (!memo) {
        m_memos.push_back({pattern, std::strlen(pattern), from, from, std::string::npos});
        memo = &m_memos.back();
    } else if (memo->from != from) {
        *memo = {pattern, memo->length, from, from, std::string::npos};
    }
    if (memo->found != std::string::npos)
        return memo->found;
    if (memo->next >= m_text.size())
        return std::string::npos;
    const size_t at =
        std::string_view(m_text).find(std::string_view(pattern, memo->length), memo->next);
    if (at != std::string::npos) {
        memo->found = at;
        return at;
    }
    const size_t reach = m_text.size() + 1 > memo->length ? m_text.size() + 1 - memo->length : 0;
    memo->next = std::max(memo->from, reach);
    return std::string::npos;
}
