#include "AtMenuItems.h"

#include "AtCatalogue.h"

const std::vector<AtMenuItem> &atMenuItems()
{
    static const std::vector<AtMenuItem> items = [] {
        std::vector<AtMenuItem> out;
        for (const AtPage &p : atCatalogue())
            out.push_back({p.group, p.menuItem, p.title, atMenuCaption(p)});
        return out;
    }();
    return items;
}
