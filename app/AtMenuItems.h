#pragma once

#include <string>
#include <vector>

struct AtMenuItem
{
    const char *group;      // Help submenu
    const char *objectName; // menu item component
    const char *title;      // page title
    std::string caption;    // as the menu shows it
};

// Help menu entries of the AT command pages, in menu order, one per page.
const std::vector<AtMenuItem> &atMenuItems();
