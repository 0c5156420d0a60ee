#include "GovCallTypes.h"

#include <array>

namespace dialing {

namespace {

struct CallType
{
    std::string_view name;
    std::string_view prefix;
    std::string_view panel;
};

constexpr std::array<CallType, GovCallTypeCount> CallTypes = {{
    {"ISU to DSN", "00696", "ISUtoDSN"},
    {"ISU to FTS", "00697", "ISUtoFTS"},
    {"ISU to ILD", "00698", "ISUtoILD"},
    {"ISU to ISU", "00", "ISUtoISU"},
    {"ISU to INMARSAT", "00698", "INMARSAT"},
    {"Local PSTN", "00699", "LocalPSTN"},
    {"1-800 toll-free", "006991800", "Toll_Free"},
}};

const CallType *callTypeAt(int position)
{
    if (position < 1 || position > GovCallTypeCount)
        return nullptr;
    return &CallTypes[static_cast<std::size_t>(position - 1)];
}

const std::array<GovHelpText, GovCallTypeCount> &helpTexts()
{
    static const std::array<GovHelpText, GovCallTypeCount> texts = {{
        {"00-696-",
         {"(DSN Area Code) - (DSN 7-digit number)"},
         "DSN Area Code:",
         {"312 - CONUS", "313 - Caribbean", "314 - Europe", "315 - Pacific", "317 - Alaska",
          "318 - Southwest Asia", "319 - Canada"},
         false},
        {"00-697-",
         {"(U.S. Area Code) - (7-digit commercial US number)",
          "Do NOT dial a \"1\" before the area code."},
         {},
         {},
         false},
        {"00-698-",
         {"(Country code) - (National destination code or city code) -", "(Subscriber number)",
          "ISU allows maximum 20 dialing digits including the \"00 698\"."},
         "Country code:",
         {},
         true},
        {"00-",
         {"(Iridium phone number)", "Calls between two Iridium satellite modems with DoD SIMs."},
         {},
         {},
         false},
        {"00-698-",
         {"(INMARSAT ocean region code) +", "(INMARSAT subscriber number)"},
         {},
         {"871 - East Atlantic", "872 - Pacific", "873 - Indian Ocean", "874 - West Atlantic"},
         false},
        {"00-699-",
         {"(7-digit local commercial number)",
          "Provides commercial local access to Oahu, Hawaii PSTN only."},
         {},
         {},
         false},
        {"00-699-",
         {"1 - 800 - (7-digit number)", "Also for 1- 877, 1 - 888 numbers."},
         {},
         {},
         false},
    }};
    return texts;
}

} // namespace

std::string_view GovCallTypeName(int position)
{
    const CallType *t = callTypeAt(position);
    return t ? t->name : std::string_view();
}

std::string_view GovCallTypePrefix(int position)
{
    const CallType *t = callTypeAt(position);
    return t ? t->prefix : std::string_view();
}

std::string_view GovHelpPanelName(int position)
{
    const CallType *t = callTypeAt(position);
    return t ? t->panel : std::string_view();
}

const GovHelpText *GovHelpAt(int position)
{
    if (!callTypeAt(position))
        return nullptr;
    return &helpTexts()[static_cast<std::size_t>(position - 1)];
}

} // namespace dialing
