#pragma once

#include <map>
#include <string>
#include <vector>

// The AT command reference: one row per page, and the rules that lay a page out.
struct AtRange
{
    bool shown = false;
    int lo = 0, hi = 0; // equal bounds: the spin is not limited
};

struct AtPage
{
    const char *group;    // Help submenu
    const char *menuItem; // main window menu component
    const char *op;       // the window's page operation
    const char *title;
    const char *name;
    const char *models;
    const char *prefix;
    const char *suffix;
    AtRange n, v, d;
    bool referenceOnly; // no Send button of its own
};

const std::vector<AtPage> &atCatalogue();
const AtPage *findAtPage(const std::string &titleOrOpOrMenuItem);

// The Help menu caption of a page ("AT+CBST : Select Bearer Service Type"), with "&"
// doubled so that the menu does not take it for an accelerator.
std::string atMenuCaption(const AtPage &page);

// What a page shows, decided from its prefix alone (and the firmware level).
struct AtLayout
{
    bool terms = false, vPanel = false, dPanel = false, cstaPanel = false, cnmiPanel = false;
    bool smsPanel = false, readB = false, testB = false, pmPanel = false;
    bool setRealClockB = false, setPhonebookB = false, setDCB = false;
    bool clckPanel = false, cpwdPanel = false, cpinPanel = false;
    bool changePhoneNumberB = false, findText = false, pbIndexPanel = false, pbStorage = false;
    bool sendB = true, extraPanel = false, emptySuffix = false;
    std::string nText = "0", vText = "0", dText = "1";
};

AtLayout atLayoutFor(const std::string &prefix, const std::string &firmwareLevel);

// Description pages from their text form: "=== TITLE" and the page's lines after it.
std::map<std::string, std::vector<std::string>> parseAtPages(const std::string &text);
// Glossary entries (term line, tab-indented definition lines, empty line) as the one text
// the glossary shows: "term:\n\tdefinition\n\n" for each.
std::string glossaryText(const std::string &text);

// The command search list, in its order (several entries end with a space).
const std::vector<std::string> &atSearchEntries();
// The main window menu item an entry opens.
std::string atSearchMenuItem(const std::string &entry);
// Entries of commands the search cannot open: the GPS ones.
bool atSearchIsGps(int position);
