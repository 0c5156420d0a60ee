#include "CommandLine.h"

namespace {

const char kUsage[] = "Usage: tandrel [SESSION-FILE]\n";

} // namespace

bool answerInfoOption(const std::vector<std::string> &args, std::string *out)
{
    // A session file may itself be named "--help"; it can be given as "./--help".
    if (args.size() != 1)
        return false;
    if (args[0] == "--version" || args[0] == "-V") {
        *out = "Tandrel Software Version " TANDREL_VERSION "\n";
        return true;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        *out = std::string(kUsage) +
               "A terminal for satellite handsets and modems on a serial port.\n"
               "\n"
               "SESSION-FILE is a session saved from File > Save Session (*.sms); without one,\n"
               "Session/default.sms is loaded when present, the built-in defaults otherwise.\n"
               "The port SIMULATOR is a built-in simulated handset.\n"
               "\n"
               "  -h, --help     show this help and exit\n"
               "  -V, --version  show the version and exit\n"
               "\n"
               "See also: tandrel-modemsim(1), tandrel-pdu(1).\n";
        return true;
    }
    return false;
}

bool refuseUnknownOption(const std::vector<std::string> &args, std::string *out)
{
    for (const std::string &arg : args) {
        if (arg.size() > 1 && arg[0] == '-') {
            *out = "tandrel: unknown option " + arg + "\n" + kUsage +
                   "Try 'tandrel --help'; a session file whose name begins with '-' is given "
                   "as ./" +
                   arg + "\n";
            return true;
        }
    }
    return false;
}
