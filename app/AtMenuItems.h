#pragma once

#include <vector>

struct AtMenuItem
{
    const char *group;      // Help submenu
    const char *objectName; // menu item component
    const char *title;      // page title
};

const std::vector<AtMenuItem> &atMenuItems();
