#include "AtCatalogue.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string readFile(const std::string &name)
{
    std::ifstream in(std::string(TANDREL_PAGES_DIR) + "/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::map<std::string, std::vector<std::string>> allPages()
{
    std::map<std::string, std::vector<std::string>> all;
    for (const char *f : {"basic.txt", "plus1.txt", "plus2.txt", "gps_sbd_sms.txt"})
        for (auto &[title, lines] : parseAtPages(readFile(f)))
            EXPECT_TRUE(all.emplace(title, lines).second) << "page twice: " << title;
    return all;
}

} // namespace

TEST(AtPages, EveryPageWrittenWithinItsLines)
{
    const auto pages = allPages();
    for (const AtPage &p : atCatalogue()) {
        SCOPED_TRACE(p.title);
        const auto it = pages.find(p.title);
        ASSERT_NE(it, pages.end()) << "no description";
        const size_t limit = atLayoutFor(p.prefix, "").extraPanel ? 80 : 30;
        EXPECT_GE(it->second.size(), 1u);
        EXPECT_LE(it->second.size(), limit);
        for (const std::string &line : it->second)
            EXPECT_LE(line.size(), 95u) << line;
    }
    EXPECT_EQ(pages.size(), 110u); // nothing else in the files

    // The one page longer than both columns of lines: what its second column starts from.
    EXPECT_GT(pages.at("AT+CMGD").size(), 60u);
}

TEST(AtGlossary, TermsOfTheFileInTheirOrder)
{
    const std::string text = glossaryText(readFile("terms.txt"));
    EXPECT_NE(text.find("BCD:\n\tBinary Coded Decimal\n\n"), std::string::npos);
    EXPECT_NE(text.find("ISU:\n\tIndividual Subscriber Unit\n\n"), std::string::npos);
    EXPECT_NE(text.find("S14"), std::string::npos);
    EXPECT_EQ(
        glossaryText("Baud\n\tSymbols a second\n\tsecond line\n\nBCD\n\tBinary Coded Decimal\n"),
        "Baud:\n\tSymbols a second\n\tsecond line\n\nBCD:\n\tBinary Coded Decimal\n\n");
}
