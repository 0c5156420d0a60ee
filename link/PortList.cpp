#include "PortList.h"

std::vector<PortEntry> portEntries(const std::vector<PortFacts> &ports)
{
    std::vector<PortEntry> entries;
    entries.reserve(ports.size());
    for (const PortFacts &p : ports) {
        PortEntry e;
        e.name = p.byIdPath.empty() ? p.systemLocation : p.byIdPath;
        std::vector<std::string> parts;
        if (e.name != p.systemLocation)
            parts.push_back(p.systemLocation);
        if (!p.description.empty())
            parts.push_back(p.description);
        // Vendors often repeat their name in the product string.
        if (!p.manufacturer.empty() && p.description.find(p.manufacturer) == std::string::npos)
            parts.push_back(p.manufacturer);
        if (!p.serialNumber.empty())
            parts.push_back("serial " + p.serialNumber);
        for (const std::string &part : parts) {
            if (!e.details.empty())
                e.details += ", ";
            e.details += part;
        }
        entries.push_back(std::move(e));
    }
    return entries;
}
