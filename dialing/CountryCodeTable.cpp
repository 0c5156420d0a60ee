#include "CountryCodeTable.h"

#include <array>

namespace dialing {

namespace {

// Texts kept exactly as the lists show them, odd spacing included. Callers pass list
// positions, so the order is part of the interface.
constexpr std::array<std::string_view, CountryCount> Entries = {
    "Afghanistan (93)",
    "Albania (355)",
    "Algeria (213)",
    "American Samoa (684)",
    "Andorra (376)",
    "Angola (244)",
    "Anguilla (264)",
    "Antarctica (672)",
    "Antigua (268)",
    "Argentina (54)",
    "Armenia (374)",
    "Aruba (297)",
    "Ascension Isl. (247)",
    "Australia (61)",
    "Austria (43)",
    "Azerbaijan (994)",
    "Bahamas (242)",
    "Bahrain (973)",
    "Bangladesh (880)",
    "Barbados (246)",
    "Barbuda (268)",
    "Belarus (375)",
    "Belgium (32)",
    "Belize (501)",
    "Benin (229)",
    "Bermuda (441)",
    "Bhutan (975)",
    "Bolivia (591)",
    "Bosnia & Herzogovina (387) ",
    "Botswana (267)",
    "Brazil (55)",
    "British Virgin Isl. (284)",
    "Brunei (673)",
    "Bulgaria (359)",
    "Burkina Faso (226)",
    "Burma (Myanmar) (95)",
    "Burundi (257)",
    "Cambodia (855)",
    "Cameroon(237)",
    "Canada (1)",
    "Cape Verde Isl. (238)",
    "Cayman Islands (345)",
    "Central African Republic (236)",
    "Chad (235)",
    "Chatham Island (New Zealand) (64)",
    "Chile (56)",
    "China (PRC) (86)",
    "Christmas Isl. (672)",
    "Cocos-Keeling Isl. (61)",
    "Colombia (57)",
    "Comoros (269)",
    "Congo (242)",
    "Congo, Dem. Rep. Of (Former Zaire) (243)",
    "Cook Islands (682)",
    "Costa Rica (506)",
    "Croatia (385)",
    "Cuba (53)",
    "Cuba (Guantanamo Bay) (5399)",
    "Cyprus (357)",
    "Czech Republic (420)",
    "Denmark (45)",
    "Diego Garcia (246)",
    "Djibouti (253)",
    "Dominica (767)",
    "Dominican Rep. (809)",
    "Easter Island (56)",
    "Ecuador (593)",
    "Egypt (20)",
    "El Salvador (503)",
    "Equatorial Guinea (240)",
    "Eritrea (291)",
    "Estonia (372)",
    "Ethiopia (251)",
    "Faeroe Islands (298)",
    "Falkland Islands (500)",
    "Fiji Islands (679)",
    "Finland (358)",
    "France (33)",
    "French Antilles (596)",
    "French Guiana (594)",
    "French Polynesia (689)",
    "Gabon (241)",
    "Gambia (220)",
    "Georgia (995)",
    "Germany (49)",
    "Ghana (233)",
    "Gibraltar (350)",
    "Greece (30)",
    "Greenland (299)",
    "Grenada (473)",
    "Guadeloupe (590)",
    "Guam (671)",
    "Guantanamo Bay (5399)",
    "Guatemala (502)",
    "Guinea-Bissau (245)",
    "Guinea (PRP) (224)",
    "Guyana (592)",
    "Haiti (509)",
    "Honduras (504)",
    "Hong Kong (852)",
    "Hungary (36)",
    "Iceland (354)",
    "India (91)",
    "Indonesia (62)",
    "Iran (98)",
    "Iraq (964)",
    "Ireland (353)",
    "Israel (972)",
    "Italy (39)",
    "Ivory Coast (225)",
    "Jamaica (876)",
    "Japan (81)",
    "Jordan (962)",
    "Kazakhstan (7)",
    "Kenya (254)",
    "Kiribati (686)",
    "Korea (North) (850)",
    "Korea (South) (82)",
    "Kuwait (965)",
    "Kyrgyz Republic (996)",
    "Laos (856)",
    "Latvia (371)",
    "Lebanon (961)",
    "Lesotho (266)",
    "Liberia (231)",
    "Libya (218)",
    "Liechtenstein (41)",
    "Lithuania (370)",
    "Luxembourg (352)",
    "Macau (853)",
    "Macedonia (Former Yugoslav Rep.) (389)",
    "Madagascar (261)",
    "Malawi (265)",
    "Malaysia (60)",
    "Maldives (960)",
    "Mali Republic (223)",
    "Malta (356)",
    "Marshall Isl. (692)",
    "Martinique (596)",
    "Mauritania (222)",
    "Mauritius (230)",
    "Mayotte Island (269)",
    "Mexico (52)",
    "Micronesia (691)",
    "Midway Island (808)",
    "Moldova (373)",
    "Monaco (377)",
    "Mongolia (976)",
    "Montserrat (664)",
    "Morocco (212)",
    "Mozambique (258)",
    "Myanmar (95)",
    "Namibia (264)",
    "Nauru (674)",
    "Nepal (977)",
    "Netherlands (31)",
    "Neth Antilles (599)",
    "Nevis (869)",
    "New Caledonia (687)",
    "New Zealand (64)",
    "Nicaragua (505)",
    "Niger (227)",
    "Nigeria (234)",
    "Niue (683)",
    "Norfolk Island (672)",
    "North Korea (850)",
    "Norway (47)",
    "Oman (968)",
    "Pakistan (92)",
    "Palau (680)",
    "Panama (507)",
    "Papua New Guinea (675)",
    "Paraguay (595)",
    "Peru (51)",
    "Philippines (63)",
    "Poland (48)",
    "Portugal (351)",
    "Puerto Rico (787)",
    "Qatar (974)",
    "Reunion Island (262)",
    "Romania (40)",
    "Rota Island (670)",
    "Russia (7)",
    "Rwanda (250)",
    "St. Helena (290)",
    "St. Kitts/Nevis (869)",
    "St. Lucia (758)",
    "St. Pierre & Miquelon (508)",
    "St. Vincent & Grenadines (809)",
    "Saipan Island (670)",
    "San Marino (378)",
    "Sao Tome & Principe (239)",
    "Saudi Arabia (966)",
    "Senegal (221)",
    "Serbia (381)",
    "Seychelles Isl. (248)",
    "Sierra Leone (232)",
    "Singapore (65)",
    "Slovak Republic (421)",
    "Slovenia (386)",
    "Solomon Isl. (677)",
    "Somalia (252)",
    "Sourth Africa (27)",
    "South Korea (82)",
    "Spain (34)",
    "Sri Lanka (94)",
    "Sudan (249)",
    "Suriname (597)",
    "Swaziland (268)",
    "Sweden (46)",
    "Switzerland (41)",
    "Syria (963)",
    "Taiwan (886)",
    "Tajikistan (7)",
    "Tanzania (255)",
    "Thailand (66)",
    "Tinian Island (670)",
    "Togo (228)",
    "Tokelau (690)",
    "Tonga Islands (676)",
    "Trinidad & Tobago (868)",
    "Tunisia (216)",
    " Turkey (90)",
    "Turkmenistan (993)",
    "Turks & Caicos Isl. (649)",
    "Tuvalu (688)",
    "Uganda (256)",
    "Ukraine (380)",
    "United Arab Emirates (971)",
    "United Kingdom (44)",
    "USA (1)",
    "US Virgin Isl. (1)",
    "Uruguay (598)",
    "Uzbekistan (7)",
    "Vanuatu (678)",
    "Vatican City (376)",
    "Venezuela (58)",
    "Vietnam (84)",
    "Wake Island (808)",
    "Wallis & Futuna Isl. (681)",
    "Western Samoa (685)",
    "Yemen (967)",
    "Yugoslavia (381)",
    "Zambia (260)",
    "Zimbabwe (263)",
};

constexpr bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The code sits in the last "(...)"; a trailing blank after it is tolerated.
constexpr std::string_view codeOf(std::string_view entry)
{
    const auto close = entry.rfind(')');
    const auto open = entry.rfind('(');
    if (close == std::string_view::npos || open == std::string_view::npos || open > close)
        return {};
    return entry.substr(open + 1, close - open - 1);
}

constexpr bool everyEntryHasACode()
{
    for (std::string_view e : Entries) {
        const std::string_view code = codeOf(e);
        if (code.empty() || code.size() > 4)
            return false;
        for (char c : code)
            if (!isDigit(c))
                return false;
    }
    return true;
}

static_assert(everyEntryHasACode(), "every country entry ends with a code of 1 to 4 digits");

} // namespace

std::string_view CountryEntryText(int position)
{
    if (position < 1 || position > CountryCount)
        return {};
    return Entries[static_cast<std::size_t>(position - 1)];
}

std::string CountryCodeAt(int position)
{
    return std::string(codeOf(CountryEntryText(position)));
}

std::string_view CountryListPlaceholder(CountryList list)
{
    switch (list) {
    case CountryList::AtTableLandline:
        return "-------------------Select a country name-------------------";
    case CountryList::AtTableGovernment:
        return "-------------------------------Select a country "
               "name-------------------------------";
    case CountryList::HintCountry:
        return "---------------------------Select a country name---------------------------";
    case CountryList::HintGovernment:
        return "-------------------------------Select a country "
               "name--------------------------------";
    }
    return {};
}

std::vector<std::string> CountryListRows(CountryList list)
{
    std::vector<std::string> rows;
    rows.reserve(CountryCount + 1);
    rows.emplace_back(CountryListPlaceholder(list));
    for (std::string_view e : Entries)
        rows.emplace_back(e);
    return rows;
}

} // namespace dialing
