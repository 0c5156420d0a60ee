#include "AtComposer.h"

#include <algorithm>

namespace {

bool has(const std::string &s, const char *part)
{
    return s.find(part) != std::string::npos;
}

const std::string Q = "\"";

std::string general(const AtCommandState &s)
{
    const bool n = !s.n.empty(), v = !s.v.empty(), d = !s.d.empty(), x = !s.suffix.empty();
    if (!x && n && !d)
        return s.prefix + s.n;
    if (x && n && v && !d)
        return s.prefix + s.n + "," + s.v + s.suffix;
    if (x && n && !v && !d)
        return s.prefix + s.n + s.suffix;
    if (x && !n && !d)
        return s.prefix + s.suffix;
    if (!x && n && v && d)
        return s.prefix + s.n + "," + s.v + "," + s.d;
    return s.prefix;
}

} // namespace

std::string withoutControlCharacters(const std::string &text)
{
    std::string out;
    for (unsigned char c : text)
        if (c >= 32 && c != 127)
            out += char(c);
    return out;
}

bool atSendableWithoutCts(const std::string &p)
{
    for (const char *gps : {"AT+PA", "AT+PD", "AT+PL", "AT+PT", "AT+PV", "AT+PM", "AT+PLOC",
                            "AT+PVEL", "AT+PNAV", "AT+PP", "AT*TP"})
        if (has(p, gps))
            return true;
    return false;
}

AtOutput composeAtCommand(const AtCommandState &s, const std::vector<std::string> &smsIndexes)
{
    const std::string &p = s.prefix;
    AtOutput out;
    out.kind = AtOutput::Line;
    if (has(p, "+++")) {
        out.kind = s.carrier ? AtOutput::Raw : AtOutput::Nothing;
        out.text = s.carrier ? "+++" : "";
        return out;
    }
    if (has(p, "+DS"))
        out.text =
            p + s.direction + "," + s.negotiation + "," + s.dictionary + "," + s.stringLength;
    else if (has(p, "CCLK"))
        out.text = p + Q + s.year + "/" + s.month + "/" + s.day + "," + s.hour + ":" + s.minutes +
                   ":" + s.seconds + Q;
    else if (has(p, "CLCK"))
        out.text = p + Q + s.lockFacility + Q + "," + s.lockMode + "," + Q + s.lockPassword + Q;
    else if (has(p, "CPWD"))
        out.text =
            p + Q + s.pwdFacility + Q + "," + Q + s.oldPassword + Q + "," + Q + s.newPassword + Q;
    else if (has(p, "CPIN"))
        out.text =
            s.newPin.empty() ? p + Q + s.pin + Q : p + Q + s.pin + Q + "," + Q + s.newPin + Q;
    else if (has(p, "CPBF") || has(p, "SBDWT"))
        out.text = p + Q + s.findText + Q;
    else if (has(p, "CPBR")) {
        const bool first = !s.firstIndex.empty() && s.firstIndex != "Index1";
        const bool second = !s.secondIndex.empty() && s.secondIndex != "Index2";
        out.text = p + (first && second ? s.firstIndex + "," + s.secondIndex
                        : first         ? s.firstIndex
                        : second        ? s.secondIndex
                                        : std::string());
    } else if (has(p, "CPBS"))
        out.text = s.phonebookStorage.empty() || s.phonebookStorage == "Storage"
                       ? p
                       : p + Q + s.phonebookStorage + Q;
    else if (has(p, "CPBW")) {
        const std::string index = s.entryIndex == "Index" ? "" : s.entryIndex;
        const std::string type = s.entryType == "Type" ? "" : s.entryType;
        const std::string number =
            s.entryNumber.empty() || s.entryNumber == " EnterNumber" ? "" : Q + s.entryNumber + Q;
        const std::string text =
            s.entryText.empty() || s.entryText == " EnterText" ? "" : Q + s.entryText + Q;
        out.text = p + index + "," + number + "," + type + "," + text;
    } else if (has(p, "ATDCHECK")) {
        if (s.dialLine.empty()) {
            out.kind = AtOutput::Nothing; // no card or call type: not even a bare return
            return out;
        }
        out.text = s.dialLine;
    } else if (has(p, "ATS0=")) {
        out.text = p + s.n;
        out.setsAutoAnswer = true;
        out.autoAnswer = s.n != "0";
    } else if (has(p, "AT+PM=")) {
        std::string list;
        for (const std::string &code :
             s.nmeaCodes.empty() ? std::vector<std::string>{"1"} : s.nmeaCodes)
            list += "," + code;
        out.kind = AtOutput::Paced;
        out.text = withoutControlCharacters(p + s.n + list) + "\r";
        return out;
    } else if (has(p, "AT+CNMI="))
        out.text = p + s.cnmiMode + "," + s.cnmiMt + ",0," + s.cnmiDs + "," + s.cnmiBfr;
    else if (has(p, "AT+CMGD=")) {
        std::string padded = s.n;
        while (padded.size() < 3)
            padded.insert(padded.begin(), '0');
        if (std::find(smsIndexes.begin(), smsIndexes.end(), padded) != smsIndexes.end()) {
            out.kind = AtOutput::DeleteSms;
            out.text = padded;
            return out;
        }
        out.text = p + s.n;
    } else
        out.text = general(s);
    out.text = withoutControlCharacters(out.text);
    return out;
}

std::string atReadCommand(const std::string &prefix)
{
    std::string p = prefix;
    const size_t eq = p.find('=');
    if (eq == std::string::npos)
        return p + "?";
    p[eq] = '?';
    return p;
}

std::string atTestCommand(const std::string &prefix)
{
    return prefix.find('=') != std::string::npos ? prefix + "?" : prefix + "=?";
}
