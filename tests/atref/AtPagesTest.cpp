#include "AtCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
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

    EXPECT_EQ(pages.at("ATEn"),
              (std::vector<std::string>{"Echo command characters.",
                                        "0\tCharacters are not echoed to the DTE.",
                                        "1\tCharacters are echoed to the DTE (default)."}));
    const auto &cbst = pages.at("AT+CBST");
    ASSERT_EQ(cbst.size(), 24u);
    EXPECT_EQ(cbst[0], "Set Command: +CBST=[<n>[,<name>[,<ce>]]]");
    EXPECT_EQ(cbst[1], "Select the bearer service type for mobile originated calls.");
    EXPECT_EQ(cbst[2], "<n> for <speed> can have the following values:");
    EXPECT_EQ(cbst[3], "0\tAutobauding");
    EXPECT_EQ(cbst[4], "1\t300 bps V.21");
    EXPECT_EQ(cbst[22].rfind("Test Command: +CBST=?", 0), 0u);
    const auto &cmee = pages.at("AT+CMEE");
    ASSERT_EQ(cmee.size(), 52u);
    EXPECT_EQ(cmee[0], "Set Command: +CMEE=[<n>]");
    EXPECT_EQ(cmee[3], "0\tDisable error reporting (use ERROR result code) (default).");
    EXPECT_NE(std::find(cmee.begin(), cmee.end(), "0\tphone failure"), cmee.end());
    EXPECT_NE(std::find(cmee.begin(), cmee.end(), "100\tunknown"), cmee.end());
    EXPECT_EQ(pages.at("AT+CMGD").size(), 68u);
}
