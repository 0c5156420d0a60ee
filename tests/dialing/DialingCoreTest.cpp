#include "CountryCodeTable.h"
#include "GovCallTypes.h"
#include "NumberFormats.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

using namespace dialing;

// Irregular texts stay as they were and still give their code; the first and last rows
// catch a shifted table.
TEST(CountryCodeTable, RowsGiveTheirTextAndCode)
{
    const std::tuple<int, const char *, const char *> rows[] = {
        {1, "Afghanistan (93)", "93"},
        {29, "Bosnia & Herzogovina (387) ", "387"},
        {39, "Cameroon(237)", "237"},
        {58, "Cuba (Guantanamo Bay) (5399)", "5399"},
        {223, " Turkey (90)", "90"},
        {231, "USA (1)", "1"},
        {CountryCount, "Zimbabwe (263)", "263"},
        {0, "", ""},
        {-1, "", ""},
        {CountryCount + 1, "", ""},
        {INT_MIN, "", ""},
    };
    for (const auto &[position, text, code] : rows) {
        EXPECT_EQ(CountryEntryText(position), text) << position;
        EXPECT_EQ(CountryCodeAt(position), code) << position;
    }
}

// The hint windows take a row's code by its position, so every list must hold the table's
// rows below its one placeholder.
TEST(CountryCodeTable, FourListsShareTheRowsUnderTheirOwnPlaceholders)
{
    for (CountryList list : {CountryList::AtTableLandline, CountryList::AtTableGovernment,
                             CountryList::HintCountry, CountryList::HintGovernment}) {
        const std::vector<std::string> rows = CountryListRows(list);
        ASSERT_EQ(rows.size(), std::size_t(CountryCount + 1));
        EXPECT_NE(rows[0].find("Select a country name"), std::string::npos);
        for (int i = 1; i <= CountryCount; ++i)
            EXPECT_EQ(rows[std::size_t(i)], CountryEntryText(i));
    }
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

// Octal escapes (\001 is Ctrl+A, \032 Ctrl+Z) end after three digits, unlike hex ones.
TEST(DialLine, ComposedFromTheMembers)
{
    const std::tuple<const char *, DialingNumbers, const char *> cases[] = {
        {"Landline", {"CIV", "Land", "1", "(123)456-7890", "00881", "00696"}, "ATD0011234567890"},
        {"LandlineBlankArea", {"CIV", "Land", "44", "(   )456-7890", "", ""}, "ATD0044   4567890"},
        {"Satellite", {"CIV", "Sate", "1", "(123)456-7890", "008816", "00696"}, "ATD008816"},
        {"GovernmentIgnoresType", {"GOV", "Land", "1", "(123)456-7890", "00", "00697"}, "ATD00697"},
        {"GovernmentWithoutType", {"GOV", "", "", "", "", "006991800"}, "ATD006991800"},
        {"NothingChosen", {"", "", "1", "(123)456-7890", "00", "00696"}, ""},
        {"UnknownType", {"CIV", "Fax", "1", "(123)456-7890", "00", ""}, ""},
        {"GovernmentNumberWithLineBreak", {"GOV", "", "", "", "", "00696\r\nATH0"}, "ATD00696ATH0"},
        {"SatelliteNumberWithCtrlZ", {"CIV", "Sate", "", "", "00\0328816\x7f", ""}, "ATD008816"},
        {"LandlineControlsInEveryPart",
         {"CIV", "Land", "4\t4", "(\00120)123-45\n67", "", ""},
         "ATD0044201234567"},
    };
    for (const auto &[name, numbers, line] : cases)
        EXPECT_EQ(DialLine(numbers), line) << name;
}

TEST(NumberFormats, ControlCharactersAreRemovedAndTheRestKept)
{
    EXPECT_EQ(WithoutControlCharacters("\0010\0378 \x7f\xe9~\xff"), "08 \xe9~\xff");
}

// The help beside each government call type shows the prefix the type writes.
TEST(GovCallTypes, HelpShowsThePrefix)
{
    for (int i = 1; i <= GovCallTypeCount; ++i) {
        ASSERT_NE(GovHelpAt(i), nullptr);
        std::string shown;
        for (char c : GovHelpAt(i)->sequence)
            if (c != '-')
                shown += c;
        EXPECT_EQ(GovCallTypePrefix(i).substr(0, shown.size()), shown) << i;
    }
    for (int i : {0, -1, 8})
        EXPECT_TRUE(GovCallTypePrefix(i).empty() && GovHelpAt(i) == nullptr &&
                    GovCallTypeName(i).empty());
}
