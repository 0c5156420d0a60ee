#pragma once

#include <string_view>
#include <vector>

// Call types of government SIM cards, by their position in the call-type lists; position 0
// is the placeholder row.
namespace dialing {

inline constexpr int GovCallTypeCount = 7;

inline constexpr std::string_view GovCallTypePlaceholderDialog =
    "-----------Select a call type-----------";
inline constexpr std::string_view GovCallTypePlaceholderAtTable =
    "---------------------Select a call type---------------------";

// "ISU to DSN" ... "1-800 toll-free"; empty outside 1..7.
std::string_view GovCallTypeName(int position);

// What choosing the type writes into the number field, for example "00696"; empty outside
// 1..7.
std::string_view GovCallTypePrefix(int position);

// Object name of the help panel of the type ("ISUtoDSN" ... "Toll_Free"), the same in the
// AT table and the hint window; empty outside 1..7.
std::string_view GovHelpPanelName(int position);

// Texts of the AT table's help panel for a call type, top to bottom.
struct GovHelpText
{
    std::string_view sequence;           // "00-696-"
    std::vector<std::string_view> lines; // what follows the prefix, and remarks
    std::string_view listTitle;          // heading of `list`, may be empty
    std::vector<std::string_view> list;  // area or region codes, may be empty
    bool countryCodeFinder = false;      // the ILD panel: GovCountryCode and "Find..."
};

// Help texts for positions 1..7; nullptr otherwise (no help panel).
const GovHelpText *GovHelpAt(int position);

} // namespace dialing
