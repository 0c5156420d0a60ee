#include "AtResult.h"

#include <cctype>

namespace modem {

namespace {

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

// "+CME ERROR: 10", "+CME ERROR:10", "+CME ERROR: SIM not inserted": the text after the
// prefix starts with a colon, whatever spacing the handset uses.
bool errorReport(std::string_view upper, std::string_view prefix)
{
    if (!startsWith(upper, prefix))
        return false;
    const std::string_view rest = trimmed(upper.substr(prefix.size()));
    return rest.empty() || rest.front() == ':';
}

Result numericResult(std::string_view s)
{
    int code = 0;
    for (char c : s)
        code = code * 10 + (c - '0');
    switch (code) {
    case 0:
        return Result::Ok;
    case 1:
        return Result::Connect;
    case 2:
        return Result::Ring;
    case 3:
        return Result::NoCarrier;
    case 4:
        return Result::Error;
    case 6:
        return Result::NoDialtone;
    case 7:
        return Result::Busy;
    case 8:
        return Result::NoAnswer;
    default:
        // 5 and 9 up are the CONNECT codes of the different line speeds.
        return Result::Connect;
    }
}

} // namespace

std::string upperAscii(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool isNumericForm(std::string_view line)
{
    line = trimmed(line);
    if (line.empty() || line.size() > 2)
        return false;
    for (char c : line)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

Result classify(std::string_view line, Numeric numeric)
{
    const std::string upper = upperAscii(trimmed(line));
    const std::string_view s = upper;
    if (s.empty())
        return Result::None;
    if (isNumericForm(s))
        return numeric == Numeric::Accepted ? numericResult(s) : Result::None;
    if (s == "OK")
        return Result::Ok;
    if (s == "ERROR" || s == "COMMAND NOT SUPPORT" || startsWith(s, "MODEM ERROR"))
        return Result::Error;
    if (errorReport(s, "+CME ERROR"))
        return Result::CmeError;
    if (errorReport(s, "+CMS ERROR"))
        return Result::CmsError;
    if (s == "CONNECT" || startsWith(s, "CONNECT "))
        return Result::Connect;
    if (s == "RING")
        return Result::Ring;
    if (s == "NO CARRIER")
        return Result::NoCarrier;
    if (s == "NO DIALTONE" || s == "NO DIAL TONE")
        return Result::NoDialtone;
    if (s == "BUSY")
        return Result::Busy;
    if (s == "NO ANSWER")
        return Result::NoAnswer;
    return Result::None;
}

bool isError(Result r)
{
    switch (r) {
    case Result::Error:
    case Result::CmeError:
    case Result::CmsError:
    case Result::NoCarrier:
    case Result::NoDialtone:
    case Result::Busy:
    case Result::NoAnswer:
        return true;
    default:
        return false;
    }
}

int errorNumber(std::string_view line)
{
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return -1;
    const std::string_view value = trimmed(line.substr(colon + 1));
    if (value.empty() || value.size() > 6)
        return -1;
    int n = 0;
    for (char c : value) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

} // namespace modem
