// tandrel-pdu: encodes SMS-SUBMIT PDUs and decodes received or stored PDUs, the same way
// the terminal does. Text is UTF-8 here and converted to the terminal's code page.

#include "Cp1252.h"
#include "SmsPduCodec.h"

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
                         "YYMMDDhhmmssZZ] [--email ADDRESS]\n"
                         "       tandrel-pdu decode HEX\n");
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

std::string jsonString(const std::string &cp1252)
{
    const std::string utf8 = tandrel::cp1252ToUtf8(cp1252);
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

// Counted as the codec packs them: extension characters take two septets.
int septetCount(const std::string &text)
{
    int n = 0;
    for (unsigned char c : text) {
        int second = -1;
        SmsPduCodec::CharToGsm(c, &second);
        n += second >= 0 ? 2 : 1;
    }
    return n;
}

int encode(const std::vector<std::string> &args)
{
    std::string to, text, vp, abs, email;
    bool haveText = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
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
        else
            return usage(("unknown option " + a).c_str());
    }
    if (!haveText)
        return usage("--text is required");
    if (!vp.empty() && !abs.empty())
        return usage("give either --vp or --abs, not both");
    int relative = 255;
    if (!vp.empty()) {
        if (!allDigits(vp) || vp.size() > 3 || std::stoi(vp) > 255)
            return usage("--vp takes a whole number from 0 to 255");
        relative = std::stoi(vp);
    }
    if (!abs.empty()) {
        const bool zoneOk = abs.size() == 14 && (abs[12] == '0' || abs[12] == '1') &&
                            isHex(abs[13]) && allDigits(abs.substr(0, 12));
        if (!zoneOk)
            return usage("--abs takes YYMMDDhhmmss and a zone code such as 00, 05 or 1A");
        for (char &c : abs)
            if (c >= 'a' && c <= 'f')
                c = char(c - 'a' + 'A');
    }
    std::string message = tandrel::utf8ToCp1252(text);
    std::string destination;
    if (!email.empty()) {
        if (!to.empty())
            return usage("give either --to or --email, not both");
        if (email.find('@') == std::string::npos)
            return usage("--email needs an address with \"@\"");
        destination = "A2"; // the gateway's short number
        message = tandrel::utf8ToCp1252(email) + " " + message;
    } else {
        if (!allDigits(to) || to.size() > 20)
            return usage("--to takes the destination digits, at most 20");
        destination = to;
    }
    const int septets = septetCount(message);
    if (septets > 160)
        return usage(
            ("the text needs " + std::to_string(septets) + " septets; one message holds 160")
                .c_str());
    int length = 0;
    const std::string pdu =
        PduCodec->EncodeSubmit(destination, "91", message, relative, abs, 0, length);
    std::printf("%s\nlength %d\n", pdu.c_str(), length);
    return 0;
}

int decode(const std::string &hex)
{
    bool ok = !hex.empty() && hex.size() % 2 == 0;
    for (char c : hex)
        ok = ok && isHex(c);
    if (!ok)
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
    out += ",\"text\":" + jsonString(d.Text);
    if (d.UdhReference >= 0) {
        out += ",\"udh_ref\":" + std::to_string(d.UdhReference);
        out += ",\"udh_part\":" + std::to_string(d.UdhPart);
        out += ",\"udh_total\":" + std::to_string(d.UdhTotal);
    }
    out += "}";
    std::printf("%s\n", out.c_str());
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
    if (command == "--help" || command == "-h") {
        usage(nullptr, stdout);
        return 0;
    }
    return usage(("unknown command " + command).c_str());
}
