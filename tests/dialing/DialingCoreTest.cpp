#include "CountryCodeTable.h"
#include "GovCallTypes.h"
#include "NumberFormats.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <sstream>

using namespace dialing;

namespace {

// The codes of rows 1 to 245 in list order, transcribed separately from the table so that
// an edit that shifts or changes a row is caught.
const char *const ExpectedCodes =
    "93 355 213 684 376 244 264 672 268 54 374 297 247 61 43 994 242 973 880 246 268 "
    "375 32 501 229 441 975 591 387 267 55 284 673 359 226 95 257 855 237 1 238 345 "
    "236 235 64 56 86 672 61 57 269 242 243 682 506 385 53 5399 357 420 45 246 253 "
    "767 809 56 593 20 503 240 291 372 251 298 500 679 358 33 596 594 689 241 220 "
    "995 49 233 350 30 299 473 590 671 5399 502 245 224 592 509 504 852 36 354 91 62 "
    "98 964 353 972 39 225 876 81 962 7 254 686 850 82 965 996 856 371 961 266 231 "
    "218 41 370 352 853 389 261 265 60 960 223 356 692 596 222 230 269 52 691 808 "
    "373 377 976 664 212 258 95 264 674 977 31 599 869 687 64 505 227 234 683 672 "
    "850 47 968 92 680 507 675 595 51 63 48 351 787 974 262 40 670 7 250 290 869 758 "
    "508 809 670 378 239 966 221 381 248 232 65 421 386 677 252 27 82 34 94 249 597 "
    "268 46 41 963 886 7 255 66 670 228 690 676 868 216 90 993 649 688 256 380 971 "
    "44 1 1 598 7 678 376 58 84 808 681 685 967 381 260 263 ";

std::vector<std::string> expectedCodes()
{
    std::istringstream in(ExpectedCodes);
    std::vector<std::string> codes;
    for (std::string c; in >> c;)
        codes.push_back(c);
    return codes;
}

} // namespace

TEST(CountryCodeTable, EveryPositionGivesItsCode)
{
    const std::vector<std::string> codes = expectedCodes();
    ASSERT_EQ(codes.size(), std::size_t(CountryCount));
    for (int position = 1; position <= CountryCount; ++position)
        EXPECT_EQ(CountryCodeAt(position), codes[std::size_t(position - 1)])
            << "row " << position << " " << CountryEntryText(position);
}

TEST(CountryCodeTable, PositionsOutsideTheTableGiveNothing)
{
    for (int position : {0, -1, CountryCount + 1, 1000, INT_MIN, INT_MAX}) {
        EXPECT_EQ(CountryCodeAt(position), "") << position;
        EXPECT_EQ(CountryEntryText(position), "") << position;
    }
}

TEST(CountryCodeTable, IrregularTextsAreKeptAndStillLookedUp)
{
    EXPECT_EQ(CountryEntryText(1), "Afghanistan (93)");
    EXPECT_EQ(CountryEntryText(29), "Bosnia & Herzogovina (387) ");
    EXPECT_EQ(CountryCodeAt(29), "387");
    EXPECT_EQ(CountryEntryText(39), "Cameroon(237)");
    EXPECT_EQ(CountryCodeAt(39), "237");
    EXPECT_EQ(CountryEntryText(57), "Cuba (53)");
    EXPECT_EQ(CountryEntryText(58), "Cuba (Guantanamo Bay) (5399)");
    EXPECT_EQ(CountryCodeAt(58), "5399");
    EXPECT_EQ(CountryEntryText(223), " Turkey (90)");
    EXPECT_EQ(CountryEntryText(231), "USA (1)");
    EXPECT_EQ(CountryEntryText(245), "Zimbabwe (263)");
}

TEST(CountryCodeTable, FourListsShareTheRowsUnderTheirOwnPlaceholders)
{
    std::set<std::string> placeholders;
    for (CountryList list : {CountryList::AtTableLandline, CountryList::AtTableGovernment,
                             CountryList::HintCountry, CountryList::HintGovernment}) {
        const std::vector<std::string> rows = CountryListRows(list);
        ASSERT_EQ(rows.size(), std::size_t(CountryCount + 1));
        EXPECT_EQ(rows[0], CountryListPlaceholder(list));
        EXPECT_NE(rows[0].find("Select a country name"), std::string::npos);
        for (int i = 1; i <= CountryCount; ++i)
            EXPECT_EQ(rows[std::size_t(i)], CountryEntryText(i));
        placeholders.insert(rows[0]);
    }
    EXPECT_EQ(placeholders.size(), 4u);
    EXPECT_EQ(CountryListPlaceholder(CountryList::HintGovernment).size(),
              CountryListPlaceholder(CountryList::AtTableGovernment).size() + 1);
}

TEST(NumberFormats, DigitsOfNumberKeepsBlankPositions)
{
    EXPECT_EQ(DigitsOfNumber("(123)456-7890"), "1234567890");
    EXPECT_EQ(DigitsOfNumber("(   )456-7890"), "   4567890");
    EXPECT_EQ(DigitsOfNumber("(20)1234-5678"), "2012345678");
    // Not of the masked form: only the separators go.
    EXPECT_EQ(DigitsOfNumber("4567890"), "4567890");
    EXPECT_EQ(DigitsOfNumber("456-7890"), "4567890");
    EXPECT_EQ(DigitsOfNumber(")12(3-4"), "1234");
    EXPECT_EQ(DigitsOfNumber(""), "");
}

TEST(NumberFormats, StoredNumbersAreFittedIntoTheMask)
{
    EXPECT_EQ(FitToNumberMask("(123)456-7890"), "(123)456-7890");
    EXPECT_EQ(FitToNumberMask("(1 3)4 6-78 0"), "(1 3)4 6-78 0");
    EXPECT_EQ(FitToNumberMask("(1x3)4\r6-7890"), "(1 3)4 6-7890");
    EXPECT_EQ(FitToNumberMask("(20)1234-5678"), "(201)234-5678");
    EXPECT_EQ(FitToNumberMask("123456789012345"), "(123)456-7890");
    EXPECT_EQ(FitToNumberMask(""), "(   )   -    ");
    EXPECT_EQ(FitToNumberMask(DefaultLocalNumber), "(000)000-0000");
}

struct DialCase
{
    const char *name;
    DialingNumbers numbers;
    const char *line;
};

void PrintTo(const DialCase &c, std::ostream *os)
{
    *os << c.name;
}

class DialLineTest : public testing::TestWithParam<DialCase>
{};

TEST_P(DialLineTest, ComposesTheLine)
{
    EXPECT_EQ(DialLine(GetParam().numbers), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Members, DialLineTest,
    testing::Values(
        DialCase{"Landline",
                 {"CIV", "Land", "1", "(123)456-7890", "00881", "00696"},
                 "ATD0011234567890"},
        DialCase{"LandlineBlankArea",
                 {"CIV", "Land", "44", "(   )456-7890", "", ""},
                 "ATD0044   4567890"},
        DialCase{
            "Satellite", {"CIV", "Sate", "1", "(123)456-7890", "008816", "00696"}, "ATD008816"},
        DialCase{"GovernmentIgnoresType",
                 {"GOV", "Land", "1", "(123)456-7890", "00", "00697"},
                 "ATD00697"},
        DialCase{"GovernmentWithoutType", {"GOV", "", "", "", "", "006991800"}, "ATD006991800"},
        DialCase{"NothingChosen", {"", "", "1", "(123)456-7890", "00", "00696"}, ""},
        DialCase{"UnknownType", {"CIV", "Fax", "1", "(123)456-7890", "00", ""}, ""},
        DialCase{"GovernmentNumberWithLineBreak",
                 {"GOV", "", "", "", "", "00696\r\nATH0"},
                 "ATD00696ATH0"},
        DialCase{"SatelliteNumberWithCtrlZ",
                 {"CIV", "Sate", "", "",
                  "00\x1a"
                  "8816\x7f",
                  ""},
                 "ATD008816"},
        DialCase{"LandlineControlsInEveryPart",
                 {"CIV", "Land", "4\t4",
                  "(\x01"
                  "20)123-45\n67",
                  "", ""},
                 "ATD00442012345"
                 "67"}),
    [](const testing::TestParamInfo<DialCase> &info) { return std::string(info.param.name); });

TEST(NumberFormats, ControlCharactersAreRemovedAndTheRestKept)
{
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += char(c);
    const std::string clean = WithoutControlCharacters(all);
    EXPECT_EQ(clean.size(), 255u - 31u - 1u);
    EXPECT_EQ(clean.front(), ' ');
    EXPECT_NE(clean.find("\xe9"), std::string::npos); // Latin-1 letters stay
    EXPECT_EQ(CallValueOf("44", "(20)1234-5678"), "+44(20)1234-5678");
}

TEST(GovCallTypes, PrefixesNamesAndHelpPanels)
{
    const char *prefixes[] = {"00696", "00697", "00698", "00", "00698", "00699", "006991800"};
    const char *panels[] = {"ISUtoDSN", "ISUtoFTS",  "ISUtoILD", "ISUtoISU",
                            "INMARSAT", "LocalPSTN", "Toll_Free"};
    for (int i = 1; i <= GovCallTypeCount; ++i) {
        EXPECT_EQ(GovCallTypePrefix(i), prefixes[i - 1]);
        EXPECT_EQ(GovHelpPanelName(i), panels[i - 1]);
        ASSERT_NE(GovHelpAt(i), nullptr);
        // The help shows the prefix with hyphens between its groups.
        std::string shown;
        for (char c : GovHelpAt(i)->sequence)
            if (c != '-')
                shown += c;
        EXPECT_EQ(GovCallTypePrefix(i).substr(0, shown.size()), shown) << i;
    }
    EXPECT_EQ(GovCallTypeName(4), "ISU to ISU");
    EXPECT_EQ(GovCallTypeName(7), "1-800 toll-free");
    for (int i : {0, -1, 8})
        EXPECT_TRUE(GovCallTypePrefix(i).empty() && GovHelpAt(i) == nullptr &&
                    GovCallTypeName(i).empty());
    EXPECT_TRUE(GovHelpAt(3)->countryCodeFinder);
    EXPECT_EQ(GovHelpAt(1)->list.size(), 7u);
    EXPECT_EQ(GovHelpAt(5)->list.size(), 4u);
}
