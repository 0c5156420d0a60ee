#pragma once

#include <string>
#include <string_view>

// Number formats of the dialing members and the dial line built from them.
namespace dialing {

// Edit mask of landline numbers: (aaa)bbb-cccc, area code optional; 13 characters with the
// literals kept and blank positions read as spaces.
inline constexpr std::string_view DefaultLocalNumber = "(000)000-0000";
inline constexpr std::string_view DefaultCountryCode = "1";
inline constexpr std::string_view DefaultSatelliteNumber = "00";
inline constexpr std::size_t MaskedNumberLength = 13;

// The digits of a masked landline text, blank positions kept as spaces:
// "(123)456-7890" gives "1234567890". A text not of the masked form loses only its
// "(", ")" and "-".
std::string DigitsOfNumber(std::string_view maskedNumber);

// Fits any stored landline text into the 13-character masked form. A text already in that
// form is returned unchanged; otherwise its digits fill the positions from the left.
std::string FitToNumberMask(std::string_view number);

// The number handed to the serial control for a landline: "+" code number.
std::string CallValueOf(std::string_view countryCode, std::string_view localNumber);

// Removes control characters (codes below 32 and DEL): a carriage return, line feed or
// Ctrl-Z inside a number would end the command early and send the rest as another one.
std::string WithoutControlCharacters(std::string_view text);

// The dialing members the dial line is built from (the main window holds them).
struct DialingNumbers
{
    std::string SimValue;  // "CIV" or "GOV"
    std::string TypeValue; // "Land" or "Sate"
    std::string CountryCodeText;
    std::string LocalNumberText;
    std::string SatelliteNumber;
    std::string GovNumber;
};

// The ATD line for the members, without its carriage return; empty when the members say
// nothing to dial. Control characters of the numbers never reach the line.
std::string DialLine(const DialingNumbers &numbers);

} // namespace dialing
