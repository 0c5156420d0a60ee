// tandrel-pdu: encodes SMS-SUBMIT PDUs and decodes received or stored PDUs, the same way
// the terminal does. Text is UTF-8.

#include "SmsPduCodec.h"
#include "Utf8.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int usage(const char *problem = nullptr, FILE *to = stderr)
{
    if (problem)
        std::fprintf(stderr, "tandrel-pdu: %s\n", problem);
    else
        std::fprintf(to, "usage: tandrel-pdu encode --to DIGITS --text TEXT [--vp N | --abs "
                         "YYMMDDhhmmssZZ] [--email ADDRESS] [--ucs2] [--ref N]\n"
                         "       tandrel-pdu decode HEX\n"
                         "       tandrel-pdu join HEX...\n"
                         "       tandrel-pdu --help | --version\n");
    return 2;
}

bool allDigits(const std::string &s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

std::string jsonString(const std::string &utf8)
{
    std::string out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

bool wholeNumber(const std::string &s, int max, int &out)
{
    if (!allDigits(s) || s.size() > 3 || std::stoi(s) > max)
        return false;
    out = std::stoi(s);
    return true;
}

int encode(const std::vector<std::string> &args)
{
    std::string to, text, vp, abs, email, ref;
    bool haveText = false;
    bool ucs2 = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--ucs2") {
            ucs2 = true;
            continue;
        }
        if (i + 1 >= args.size())
            return usage(("missing value after " + a).c_str());
        const std::string &v = args[++i];
        if (a == "--to")
            to = v;
        else if (a == "--text")
            text = v, haveText = true;
        else if (a == "--vp")
            vp = v;
        else if (a == "--abs")
            abs = v;
        else if (a == "--email")
            email = v;
        else if (a == "--ref")
            ref = v;
        else
            return usage(("unknown option " + a).c_str());
    }
    if (!haveText)
        return usage("--text is required");
    if (!vp.empty() && !abs.empty())
        return usage("give either --vp or --abs, not both");
    int relative = 255;
    if (!vp.empty() && !wholeNumber(vp, 255, relative))
        return usage("--vp takes a whole number from 0 to 255");
    int reference = 0;
    if (!ref.empty() && !wholeNumber(ref, 255, reference))
        return usage("--ref takes a whole number from 0 to 255");
    if (!tandrel::isValidUtf8(text) || !tandrel::isValidUtf8(email))
        return usage("the text is not valid UTF-8");
    if (!abs.empty()) {
        const bool zoneOk = abs.size() == 14 && (abs[12] == '0' || abs[12] == '1') &&
                            isHex(abs[13]) && allDigits(abs.substr(0, 12));
        if (!zoneOk)
            return usage("--abs takes YYMMDDhhmmss and a zone code such as 00, 05 or 1A");
        for (char &c : abs)
            if (c >= 'a' && c <= 'f')
                c = char(c - 'a' + 'A');
    }
    std::string message = text;
    std::string destination;
    if (!email.empty()) {
        if (!to.empty())
            return usage("give either --to or --email, not both");
        if (email.find('@') == std::string::npos)
            return usage("--email needs an address with \"@\"");
        destination = "A2"; // the gateway's short number
        message = email + " " + message;
    } else {
        // A leading "+" means international, as "00" does.
        const std::string digits = !to.empty() && to[0] == '+' ? to.substr(1) : to;
        if (!allDigits(digits) || digits.size() > 20)
            return usage("--to takes the destination digits, at most 20, with \"+\" or \"00\" "
                         "in front for an international number");
        destination = to;
    }
    const auto alphabet = ucs2 ? SmsPduCodec::Alphabet::Ucs2 : SmsPduCodec::AlphabetFor(message);
    if (message.empty()) {
        int length = 0;
        const std::string pdu =
            PduCodec->EncodeSubmit(destination, "91", message, relative, abs, 0, length);
        std::printf("%s\nlength %d\n", pdu.c_str(), length);
        return 0;
    }
    const auto parts = PduCodec->EncodeSubmitParts(destination, "91", message, relative, abs, 0,
                                                   reference, alphabet);
    if (parts.empty())
        return usage(
            ("the text needs more than " + std::to_string(SmsPduCodec::MaxParts) + " parts")
                .c_str());
    for (const SmsPduCodec::Part &p : parts)
        std::printf("%s\nlength %d\n", p.pdu.c_str(), p.length);
    return 0;
}

bool hexText(const std::string &hex)
{
    return !hex.empty() && hex.size() % 2 == 0 && std::all_of(hex.begin(), hex.end(), isHex);
}

const char *alphabetName(SmsPduCodec::Alphabet a)
{
    switch (a) {
    case SmsPduCodec::Alphabet::Ucs2:
        return "ucs2";
    case SmsPduCodec::Alphabet::Data8:
        return "8bit";
    case SmsPduCodec::Alphabet::Gsm7:
        break;
    }
    return "gsm7";
}

int decode(const std::string &hex)
{
    if (!hexText(hex))
        return usage("decode needs an even-length hexadecimal text");
    const SmsPduCodec::Decoded d = PduCodec->DecodePdu(hex);
    const std::string toa = d.Address.substr(0, 2);
    const std::string number = d.Address.size() > 2 ? d.Address.substr(2) : std::string();
    std::string out = "{";
    out += "\"kind\":" + jsonString(d.IsSubmit ? "submit" : "deliver");
    out += ",\"toa\":" + jsonString(toa);
    out += ",\"number\":" + jsonString(number);
    out += ",\"timestamp\":" + jsonString(d.IsSubmit ? std::string() : d.VpText);
    out += ",\"vp\":" + std::to_string(d.VpValue);
    out += ",\"vp_text\":" + jsonString(d.IsSubmit ? d.VpText : std::string());
    out += ",\"dcs\":" +
           jsonString(d.CodingScheme < 0 ? std::string() : SmsPduCodec::ToHexByte(d.CodingScheme));
    out += ",\"encoding\":" + jsonString(alphabetName(d.Coding));
    out += ",\"text\":" + jsonString(d.Text);
    if (d.UdhReference >= 0) {
        out += ",\"ref\":" + std::to_string(d.UdhReference);
        out += ",\"part\":" + std::to_string(d.UdhPart);
        out += ",\"parts\":" + std::to_string(d.UdhTotal);
    }
    out += "}";
    std::printf("%s\n", out.c_str());
    return 0;
}

// Exit status 2 also when a part is missing or the parts are of different messages.
int join(const std::vector<std::string> &hexes)
{
    if (hexes.empty())
        return usage("join takes the parts of one message");
    std::vector<SmsPduCodec::Decoded> parts;
    for (const std::string &hex : hexes) {
        if (!hexText(hex))
            return usage(("not a hexadecimal PDU: " + hex).c_str());
        parts.push_back(PduCodec->DecodePdu(hex));
    }
    const SmsPduCodec::Decoded &first = parts.front();
    for (const SmsPduCodec::Decoded &d : parts) {
        if (d.UdhReference != first.UdhReference || d.UdhTotal != first.UdhTotal ||
            d.Address != first.Address || (parts.size() > 1 && d.UdhReference < 0))
            return usage("the PDUs are not parts of one message");
    }
    int missing = 0;
    const std::string text = SmsPduCodec::JoinParts(parts, &missing);
    std::printf("%s\n", text.c_str());
    if (missing > 0) {
        std::fprintf(stderr, "tandrel-pdu: %d of %d parts missing\n", missing, first.UdhTotal);
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "encode")
        return encode(args);
    if (command == "decode")
        return args.size() == 1 ? decode(args[0]) : usage("decode takes one hexadecimal text");
    if (command == "join")
        return join(args);
    if (command == "--help" || command == "-h") {
        usage(nullptr, stdout);
        return 0;
    }
    if (command == "--version" || command == "-V") {
        std::printf("tandrel-pdu " TANDREL_VERSION "\n");
        return 0;
    }
    return usage(("unknown command " + command).c_str());
}
