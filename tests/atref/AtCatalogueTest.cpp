#include "AtCatalogue.h"

#include <gtest/gtest.h>

#include <set>

TEST(AtCatalogue, OnePagePerCommandWithUniqueNames)
{
    const auto &pages = atCatalogue();
    ASSERT_EQ(pages.size(), 110u);
    std::set<std::string> titles, ops, items;
    for (const AtPage &p : pages) {
        titles.insert(p.title);
        ops.insert(p.op);
        items.insert(p.menuItem);
        EXPECT_TRUE(std::string(p.models) == "(9500/9505)" || std::string(p.models) == "(9505)")
            << p.title;
    }
    EXPECT_EQ(titles.size(), 110u);
    EXPECT_EQ(ops.size(), 110u);
    EXPECT_EQ(items.size(), 110u);
    EXPECT_EQ(findAtPage("atpluscbst"), findAtPage("AT+CBST"));
    EXPECT_EQ(findAtPage("ATplusCBST"), findAtPage("AT+CBST"));
    EXPECT_EQ(findAtPage("nothing"), nullptr);
}

TEST(AtCatalogue, MenuCaptionsAndTheirExceptions)
{
    auto caption = [](const char *t) { return atMenuCaption(*findAtPage(t)); };
    EXPECT_EQ(caption("ATS0=n"), "ATS0 : Auto-Answer");
    EXPECT_EQ(caption("AT+CHUP"), "AT+CHUP : Hangup Call");
    EXPECT_EQ(caption("AT+CNUM"), "AT+CNUM : Read MSISDN Number");
    EXPECT_EQ(caption("AT+CMGW"), "AT+CMGW : Write SMS Message to Memory");
    EXPECT_EQ(caption("AT+SBDC"), "AT+SBDC : Short Burst Data - Clear SBD MOMSN");
    EXPECT_EQ(caption("AT+SBDRT"), "AT+SBDRT : Short Burst Data - Read a Text Message  from ISU");
    EXPECT_EQ(caption("AT+SBDRB"), "AT+SBDRB : Short Burst Data - Read Binary Data from ISU");
    EXPECT_EQ(caption("AT&Cn"), "AT&&Cn : DCD Option");
}

TEST(AtCatalogue, PageLayoutRulesOverEveryPage)
{
    // What each page offers, listed independently of the rules that produce it.
    const std::set<std::string> testOnly = {"AT+CCFC", "AT-MSVTS", "AT+CLCK", "AT+CPWD",
                                            "AT+CPBF", "AT+CPBR",  "AT+CPBW", "AT+CMGD"};
    const std::set<std::string> noReadOrTest = {
        "+++",     "A/",      "AT",       "ATA",      "ATD",     "ATEn",     "ATH0",     "ATIn",
        "ATOn",    "ATQn",    "ATS0=n",   "ATVn",     "ATWn",    "ATXn",     "ATZn",     "AT%R",
        "AT&Cn",   "AT&Dn",   "AT&F0",    "AT&Kn",    "AT&M0",   "AT&Qn",    "AT&Sn",    "AT&V",
        "AT&Wn",   "AT&Yn",   "AT*P0",    "AT\\Kn",   "AT*TP",   "AT+PA",    "AT+PD",    "AT+PL",
        "AT+PLOC", "AT+PM",   "AT+PP",    "AT+PR",    "AT+PT",   "AT+PV",    "AT+PVEL",  "AT+SBDC",
        "AT+SBDD", "AT+SBDI", "AT+SBDRB", "AT+SBDRT", "AT+SBDS", "AT+SBDTC", "AT+SBDWB", "AT+SBDWT",
        "AT+GCAP", "AT+GMI",  "AT+GMM",   "AT+GMR",   "AT+GSN"};
    const std::set<std::string> noSend = {"AT+WIRLP", "AT-MSVTS", "AT+CCFC", "AT+SBDWB", "AT+CMGS"};
    const std::set<std::string> extra = {"AT+CMEE",  "AT+COPS", "AT+SBDI", "ATD",  "AT+CCFC",
                                         "AT+WIRLP", "AT+CMGD", "AT+CNMI", "AT+PM"};
    const std::set<std::string> startAtOne = {"AT+IPR",  "AT+PM",   "AT+CMGD",
                                              "AT+CMGR", "AT+PNAV", "AT+PA"};
    for (const AtPage &p : atCatalogue()) {
        const std::string t = p.title;
        const AtLayout l = atLayoutFor(p.prefix, "E3P2");
        SCOPED_TRACE(t);
        const bool none = noReadOrTest.count(t);
        EXPECT_EQ(l.readB, !none && !testOnly.count(t)); // of these, only AT+PNAV lacks Test
        EXPECT_EQ(l.testB, !none && t != "AT+PNAV");
        EXPECT_EQ(l.sendB, !noSend.count(t));
        EXPECT_EQ(p.referenceOnly, !l.sendB && t != "AT+CMGS");
        EXPECT_EQ(l.extraPanel, extra.count(t) == 1);
        EXPECT_EQ(l.nText, startAtOne.count(t) ? "1" : "0");
        EXPECT_EQ(l.smsPanel, t == "AT+CMGS" || t == "AT+CMGW");
        EXPECT_EQ(l.vPanel, t == "AT+COPS" || t == "AT+WDLDM");
        EXPECT_EQ(l.cstaPanel, t == "AT+CSTA" || t == "AT+CSCA");
        EXPECT_EQ(l.emptySuffix, std::string(p.prefix).find('=') == std::string::npos);
        EXPECT_EQ(l.changePhoneNumberB, t == "ATD");
        // The firmware below 3.0.0 cannot run three of the GPS commands.
        const AtLayout old = atLayoutFor(p.prefix, "L3P0");
        EXPECT_EQ(old.sendB, l.sendB && t != "AT+PLOC" && t != "AT+PM" && t != "AT+PVEL");
    }
    EXPECT_TRUE(atLayoutFor("NONE", "").terms);
    EXPECT_FALSE(atLayoutFor("NONE", "").sendB);
    // Equal bounds: the spin takes any value.
    EXPECT_EQ(findAtPage("ATOn")->n.lo, findAtPage("ATOn")->n.hi);
    EXPECT_EQ(findAtPage("ATS0=n")->n.lo, findAtPage("ATS0=n")->n.hi);
}

TEST(AtSearch, EveryEntryOpensAPageMenuItem)
{
    const auto &entries = atSearchEntries();
    ASSERT_EQ(entries.size(), 108u);
    std::set<std::string> items;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string item = atSearchMenuItem(entries[i]);
        SCOPED_TRACE(entries[i]);
        const AtPage *page = findAtPage(item);
        ASSERT_NE(page, nullptr) << item;
        EXPECT_EQ(item, page->menuItem);
        // The entry names the page's command (its title up to the value letter).
        std::string entry = entries[i];
        while (!entry.empty() && entry.back() == ' ')
            entry.pop_back();
        EXPECT_EQ(std::string(page->title).rfind(entry.substr(0, 4), 0), 0u);
        EXPECT_EQ(atSearchIsGps(int(i)), std::string(page->group) == "AT GPS Commands");
        items.insert(item);
    }
    EXPECT_EQ(items.size(), 108u);
    EXPECT_EQ(entries[67], "AT+CSQ");
    EXPECT_EQ(atSearchMenuItem("AT+CBC "), "ATplusCBC");
    EXPECT_EQ(atSearchMenuItem("AT-MSVTS"), "ATminusMSVTS");
    EXPECT_EQ(atSearchMenuItem("AT%R"), "ATpercR");
    EXPECT_EQ(atSearchMenuItem("AT*P0"), "ATastrPn");
}
