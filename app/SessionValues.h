#pragma once

#include <array>
#include <string>

// Small text rules of the main window, kept apart from the widgets so they can be tested.
namespace sessionvalues {

// Baud, parity, data bits, stop bits; the last field takes the rest of the text and
// missing fields are empty.
std::array<std::string, 4> splitSettings(const std::string &settings);

struct LandNumber
{
    std::string countryCode; // from the second character up to the first "("
    std::string localNumber; // from the first "(" to the end
};
LandNumber splitLandNumber(const std::string &call);

// The command line names one file; the first two double quotes are dropped.
std::string sessionArgument(std::string commandLine);

} // namespace sessionvalues
