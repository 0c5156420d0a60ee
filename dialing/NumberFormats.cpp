#include "NumberFormats.h"

namespace dialing {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool hasMaskedForm(std::string_view s)
{
    return s.size() == MaskedNumberLength && s[0] == '(' && s[4] == ')' && s[8] == '-';
}

} // namespace

std::string DigitsOfNumber(std::string_view maskedNumber)
{
    const auto open = maskedNumber.find('(');
    const auto close = open == std::string_view::npos ? open : maskedNumber.find(')', open + 1);
    const auto dash = close == std::string_view::npos ? close : maskedNumber.find('-', close + 1);
    if (dash != std::string_view::npos) {
        std::string digits(maskedNumber.substr(open + 1, close - open - 1));
        digits += maskedNumber.substr(close + 1, dash - close - 1);
        digits += maskedNumber.substr(dash + 1);
        return digits;
    }
    std::string digits;
    for (char c : maskedNumber)
        if (c != '(' && c != ')' && c != '-')
            digits += c;
    return digits;
}

std::string FitToNumberMask(std::string_view number)
{
    if (hasMaskedForm(number)) {
        std::string fitted(number);
        // Only digits and blanks belong between the literals.
        for (std::size_t i = 0; i < fitted.size(); ++i)
            if (i != 0 && i != 4 && i != 8 && !isDigit(fitted[i]))
                fitted[i] = ' ';
        return fitted;
    }
    std::string fitted = "(   )   -    ";
    std::size_t at = 1;
    for (char c : number) {
        if (!isDigit(c))
            continue;
        if (at == 4 || at == 8)
            ++at;
        if (at >= fitted.size())
            break;
        fitted[at++] = c;
    }
    return fitted;
}

std::string CallValueOf(std::string_view countryCode, std::string_view localNumber)
{
    std::string value = "+";
    value += countryCode;
    value += localNumber;
    return value;
}

std::string WithoutControlCharacters(std::string_view text)
{
    std::string clean;
    clean.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 32 && u != 127)
            clean += c;
    }
    return clean;
}

std::string DialLine(const DialingNumbers &n)
{
    std::string number;
    if (n.SimValue == "GOV")
        number = n.GovNumber;
    else if (n.TypeValue == "Land")
        number = "00" + n.CountryCodeText + DigitsOfNumber(n.LocalNumberText);
    else if (n.TypeValue == "Sate")
        number = n.SatelliteNumber;
    else
        return {};
    return "ATD" + WithoutControlCharacters(number);
}

} // namespace dialing
