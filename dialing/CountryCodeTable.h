#pragma once

#include <string>
#include <string_view>
#include <vector>

// The fixed table of countries and regions with their calling codes, in list order.
// Position 0 of every list is its placeholder row; the entries are positions 1 to 245.
namespace dialing {

inline constexpr int CountryCount = 245;

// The entry as the lists show it, for example "Afghanistan (93)"; empty outside 1..245.
std::string_view CountryEntryText(int position);

// The digits in the entry's last pair of parentheses; empty for the placeholder row and any
// position outside the table.
std::string CountryCodeAt(int position);

// The four lists that offer the table; each has its own placeholder text.
enum class CountryList
{
    AtTableLandline,   // AT table FindCountry_ComboBox
    AtTableGovernment, // AT table CountryCodeComboBox
    HintCountry,       // hint window FindCountry_ComboBox
    HintGovernment     // hint window GovFindCountryCode
};

std::string_view CountryListPlaceholder(CountryList list);

// All 246 rows of a list: the placeholder, then the entries.
std::vector<std::string> CountryListRows(CountryList list);

} // namespace dialing
