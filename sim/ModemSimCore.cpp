#include "ModemSimCore.h"

#include "RadioState.h"
#include "SbdHandset.h"
#include "SmsPduCodec.h"
#include "SmsStore.h"
#include "Utf8.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

namespace tandrel::sim {

namespace {

constexpr int64_t ConnectDelayMs = 1500;
constexpr int64_t RingPulseMs = 1000;
constexpr int64_t AnswerWindowMs = 8000;
// A message sent to the handset's own number comes back after this long, as on a network.
constexpr int64_t LoopbackDelayMs = 1000;
constexpr size_t LineLimit = 1024;
constexpr const char *ConnectText = "CONNECT 19200";

enum class Result
{
    Ok = 0,
    Connect = 1,
    Ring = 2,
    NoCarrier = 3,
    Error = 4,
    Busy = 7
};

const char *verboseText(Result r)
{
    switch (r) {
    case Result::Ok:
        return "OK";
    case Result::Connect:
        return ConnectText;
    case Result::Ring:
        return "RING";
    case Result::NoCarrier:
        return "NO CARRIER";
    case Result::Error:
        return "ERROR";
    case Result::Busy:
        return "BUSY";
    }
    return "ERROR";
}

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool parseInt(std::string_view s, long &out)
{
    s = trim(s);
    if (s.empty())
        return false;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

struct Profile
{
    bool echo = true;
    bool verbose = true;
    bool quiet = false;
    int cmee = 0;
    int creg = 0;
    std::string cbst = "7,0,1";
    std::string cnmi = "0,0,0,0,0";
    std::array<int, 100> s{};

    Profile()
    {
        s[2] = '+';
        s[3] = '\r';
        s[4] = '\n';
        s[5] = '\b';
        s[7] = 50;
        s[12] = 50; // escape guard time in fiftieths of a second
    }
};

} // namespace

struct ModemSimCore::State
{
    enum class Mode
    {
        Command,
        Dialing,
        Answering,
        Data
    };

    Profile active;
    Profile stored;
    Mode mode = Mode::Command;
    bool online = false; // a data call is up, in data mode or in online command mode
    bool voiceCall = false;
    Lines lines;
    uint64_t rings = 0;
    std::string output;
    std::string line;
    bool overflow = false;
    std::string lastCommand;
    std::string lastNumber;
    int pendingCms = -1;
    int pendingCme = -1;
    // How text lines end ("lineends" event); numeric results keep their lone CR.
    std::string eol = "\r\n";
    bool promptOff = false; // a broken handset that takes the PDU without "> "

    RadioState radio;

    // Messages, and a PDU being typed after "AT+CMGS=" or "AT+CMGW=".
    SmsStore store;
    int messageReference = 0;
    enum class Prompt
    {
        None,
        Send,
        Write
    };
    Prompt prompt = Prompt::None;
    int promptLength = 0;
    int promptStat = 2;
    std::string pduInput;
    bool deferFinal = false; // the final result comes after the PDU
    int concatenationReference = 0;
    std::vector<std::pair<int64_t, std::string>> loopback; // when due, SMS-DELIVER PDU
    // The parts of the last message sent, for the "report" events; and reports due.
    std::vector<std::pair<int, SmsStore::Submit>> lastSent;
    int64_t autoReportMs = -1;
    int autoReportStatus = 0;
    std::vector<std::pair<int64_t, std::string>> reportsDue;
    SbdHandset sbd;

    int64_t connectAt = -1;
    int64_t ringOffAt = -1;
    int64_t lastRingAt = -1;
    int64_t escapeAt = -1;
    int64_t lastDataAt = -1;
    int plusCount = 0;

    int64_t guardMs() const { return int64_t(active.s[12]) * 20; }

    // Information text: V1 frames it with line ends, V0 only ends it (ITU-T V.250 5.7.1).
    void emitInfo(std::string_view text) { emitBlock({text}); }

    // One information response of several lines (+CMT header and PDU, a listing).
    void emitBlock(const std::vector<std::string_view> &text)
    {
        if (active.verbose)
            output += eol;
        for (std::string_view line : text) {
            output += line;
            output += eol;
        }
    }

    void emitResult(Result r)
    {
        if (active.quiet)
            return;
        if (active.verbose) {
            output += eol;
            output += verboseText(r);
            output += eol;
        } else {
            output += std::to_string(static_cast<int>(r));
            output += '\r';
        }
    }

    // The final result of a command line; a pending "cms" event takes its place once.
    void finish(Result r)
    {
        if (pendingCms >= 0 && (r == Result::Ok || r == Result::Error)) {
            const int code = std::exchange(pendingCms, -1);
            emitInfo("+CMS ERROR:" + std::to_string(code)); // this family sends no space
            return;
        }
        emitResult(r);
    }

    void extendedError()
    {
        if (active.cmee == 1)
            emitInfo("+CME ERROR: 4");
        else if (active.cmee == 2)
            emitInfo("+CME ERROR: operation not supported");
        else
            finish(Result::Error);
    }

    void connect()
    {
        mode = Mode::Data;
        online = true;
        lines.carrier = true;
        plusCount = 0;
        escapeAt = -1;
        lastDataAt = -1;
        emitResult(Result::Connect);
    }

    void dropCall(bool report)
    {
        const bool wasUp = online || mode == Mode::Dialing || mode == Mode::Answering;
        mode = Mode::Command;
        online = false;
        voiceCall = false;
        connectAt = -1;
        escapeAt = -1;
        lines.carrier = false;
        if (report && wasUp)
            emitResult(Result::NoCarrier);
    }

    void startRing(int64_t now)
    {
        ++rings;
        lines.ring = true;
        ringOffAt = now + RingPulseMs;
        lastRingAt = now;
        ++active.s[1];
        if (mode == Mode::Data)
            return;
        emitResult(Result::Ring);
        if (active.s[0] > 0 && active.s[1] >= active.s[0] && !online)
            answer(now);
    }

    void answer(int64_t now)
    {
        if (lastRingAt < 0 || now - lastRingAt > AnswerWindowMs) {
            emitResult(Result::NoCarrier);
            return;
        }
        active.s[1] = 0;
        lastRingAt = -1;
        mode = Mode::Answering;
        connectAt = now + ConnectDelayMs;
    }

    // One extended command ("+CSQ", "+CREG?", "+CMEE=1", ...). False ends the line with an
    // error already reported.
    bool extended(std::string_view cmd, int64_t now)
    {
        const std::string u = upper(cmd);
        size_t nameEnd = 1;
        while (nameEnd < u.size() && std::isalpha(static_cast<unsigned char>(u[nameEnd])))
            ++nameEnd;
        const std::string name = u.substr(0, nameEnd);
        const std::string_view rest = std::string_view(cmd).substr(nameEnd);
        const bool query = rest == "?";
        const bool test = rest == "=?";
        const bool set = !test && !rest.empty() && rest.front() == '=';
        const std::string_view value = set ? rest.substr(1) : std::string_view{};
        const bool plain = rest.empty();

        // The registration query also reports the state.
        auto intSetting = [&](int &field, int lo, int hi, std::string_view suffix) {
            long v = 0;
            if (query) {
                emitInfo(name + ": " + std::to_string(field) + std::string(suffix));
                return true;
            }
            if (test) {
                emitInfo(name + ": (" + std::to_string(lo) + "-" + std::to_string(hi) + ")");
                return true;
            }
            if (set && parseInt(value, v) && v >= lo && v <= hi) {
                field = static_cast<int>(v);
                return true;
            }
            if (plain) {
                field = 0;
                return true;
            }
            return false;
        };

        bool ok = true;
        if (name == "+CGMI" || name == "+GMI") {
            ok = plain || test;
            if (plain)
                emitInfo("Tandrel");
        } else if (name == "+CNUM") {
            ok = plain || test;
            if (plain)
                emitInfo(std::string("+CNUM: ,\"+") + ModemSimCore::OwnNumber + "\",145");
        } else if (name == "+CGMM" || name == "+GMM") {
            ok = plain || test;
            if (plain)
                emitInfo("SH-2 Satellite Handset");
        } else if (name == "+CGMR" || name == "+GMR") {
            ok = plain || test;
            if (plain)
                emitInfo("Revision SH2.3.01");
        } else if (name == "+CGSN" || name == "+GSN") {
            ok = plain || test;
            if (plain)
                emitInfo("300215010042817");
        } else if (name == "+CSQ") {
            if (plain)
                emitInfo("+CSQ:" + std::to_string(radio.signal));
            else if (test)
                emitInfo("+CSQ:(0-5)");
            else
                ok = false;
        } else if (name == "+CREG") {
            ok = intSetting(active.creg, 0, 2, "," + std::to_string(radio.registration));
        } else if (name == "+CMEE") {
            ok = intSetting(active.cmee, 0, 2, "");
        } else if (name == "+CBST" || name == "+CNMI") {
            std::string &field = name == "+CBST" ? active.cbst : active.cnmi;
            if (query)
                emitInfo(name + ": " + field);
            else if (test)
                emitInfo(name == "+CBST" ? "+CBST: (6,7,14,16,17,71,75,80,81),(0),(1)"
                                         : "+CNMI: (0-2),(0-3),(0),(0-2),(0)");
            else if (set && !value.empty())
                field = std::string(value);
            else
                ok = false;
        } else if (name == "+CMGF") {
            if (query)
                emitInfo("+CMGF: 0");
            else if (test)
                emitInfo("+CMGF: (0)");
            else
                ok = set && trim(value) == "0"; // PDU mode only
        } else if (name == "+CMGL" || name == "+CMGR" || name == "+CMGD" || name == "+CMGS" ||
                   name == "+CMGW" || name == "+CPMS" || name == "+CSCA") {
            return smsCommand(name, query, test, set, value);
        } else if (name.rfind("+SBD", 0) == 0) {
            const SbdHandset::Answer a = sbd.command(name, rest, now);
            ok = a.final != SbdHandset::Answer::Final::Error;
            if (ok) {
                deferFinal = a.final == SbdHandset::Answer::Final::Later;
                sbdAnswer({a.pieces, SbdHandset::Answer::Final::Later});
            }
        } else {
            ok = false;
        }
        if (!ok)
            extendedError();
        return ok;
    }

    // An SBD answer: its lines and bytes, then the final result unless the command goes on.
    void sbdAnswer(const SbdHandset::Answer &a)
    {
        for (const SbdHandset::Piece &p : a.pieces) {
            if (p.raw)
                output += p.text + (p.endLine ? eol : std::string());
            else
                emitInfo(p.text);
        }
        if (a.final != SbdHandset::Answer::Final::Later)
            finish(a.final == SbdHandset::Answer::Final::Ok ? Result::Ok : Result::Error);
    }

    void smsError(int code) { emitInfo("+CMS ERROR:" + std::to_string(code)); }

    // The message commands, in PDU mode. False ends the line with its error reported.
    bool smsCommand(const std::string &name, bool query, bool test, bool set,
                    std::string_view value)
    {
        long n = 0;
        const std::string_view first = value.substr(0, value.find(','));
        if (name == "+CPMS") {
            if (!query && !set)
                return smsError(302), false;
            const std::string used =
                std::to_string(store.used()) + "," + std::to_string(SmsStore::Capacity);
            emitInfo("+CPMS: \"SM\"," + used + ",\"SM\"," + used + ",\"SM\"," + used);
            return true;
        }
        if (name == "+CSCA") {
            if (query)
                emitInfo("+CSCA: \"+886129000\",145");
            return query || set || test;
        }
        if (test) {
            if (name == "+CMGL")
                emitInfo("+CMGL: (0-4)");
            return true;
        }
        if (!set || !parseInt(first, n))
            return smsError(302), false;
        if (name == "+CMGL") {
            if (n < 0 || n > 4)
                return smsError(302), false;
            const std::vector<std::string> listing = store.list(int(n));
            if (!listing.empty())
                emitBlock({listing.begin(), listing.end()});
            return true;
        }
        if (name == "+CMGR" || name == "+CMGD") {
            const SmsStore::Message *m = store.find(int(n));
            if (!m)
                return smsError(321), false;
            if (name == "+CMGD") {
                store.remove(int(n));
                return true;
            }
            emitBlock({"+CMGR: " + std::to_string(m->stat) + ",," +
                           std::to_string(SmsStore::tpduLength(m->pdu)),
                       m->pdu});
            store.markRead(int(n));
            return true;
        }
        // +CMGS and +CMGW: the PDU follows the prompt.
        if (n < 1 || n > 180)
            return smsError(304), false;
        if (name == "+CMGW") {
            if (store.full())
                return smsError(322), false;
            long stat = 2;
            const size_t comma = value.find(',');
            if (comma != std::string_view::npos &&
                (!parseInt(value.substr(comma + 1), stat) || stat < 2 || stat > 3))
                return smsError(302), false;
            promptStat = int(stat);
        }
        prompt = name == "+CMGS" ? Prompt::Send : Prompt::Write;
        promptLength = int(n);
        pduInput.clear();
        if (!promptOff)
            output += eol + "> ";
        deferFinal = true;
        return true;
    }

    // The PDU ended with Ctrl-Z: check it as a handset does and answer.
    void pduComplete(int64_t now)
    {
        const Prompt was = std::exchange(prompt, Prompt::None);
        const std::string pdu = SmsPduCodec::UpperText(pduInput);
        const bool hex = !pdu.empty() && pdu.size() % 2 == 0 &&
                         pdu.find_first_not_of("0123456789ABCDEF") == std::string::npos;
        const SmsPduCodec::Decoded d = hex ? SmsPduCodec().DecodePdu(pdu) : SmsPduCodec::Decoded();
        // The terminal's own figure counts the service centre too; both are taken.
        const bool lengthOk =
            promptLength == SmsStore::tpduLength(pdu) || promptLength == int(pdu.size() / 2 + 1);
        SmsStore::Submit submit;
        if (!hex || !d.IsSubmit || d.Address.size() < 3 || !lengthOk ||
            !SmsStore::readSubmit(pdu, submit)) {
            if (pendingCms >= 0)
                return finish(Result::Error);
            return smsError(304);
        }
        if (pendingCms >= 0)
            return finish(Result::Error);
        if (was == Prompt::Send) {
            messageReference = (messageReference + 1) % 256;
            emitInfo("+CMGS: " + std::to_string(messageReference));
            sent(messageReference, submit, now);
            if (submit.number == ModemSimCore::OwnNumber)
                loopback.emplace_back(now + LoopbackDelayMs,
                                      SmsStore::deliverFor(submit, submit.number, timeStamp()));
        } else {
            const int index = store.add(promptStat, pdu);
            if (index < 0)
                return smsError(322);
            emitInfo("+CMGW: " + std::to_string(index));
        }
        finish(Result::Ok);
    }

    // A part that continues the linked message before it joins it; anything else starts anew.
    void sent(int reference, const SmsStore::Submit &submit, int64_t now)
    {
        const bool continues = !lastSent.empty() && submit.linkReference >= 0 &&
                               lastSent.back().second.linkReference == submit.linkReference &&
                               lastSent.back().second.number == submit.number;
        if (!continues)
            lastSent.clear();
        lastSent.emplace_back(reference, submit);
        if (autoReportMs >= 0 && submit.statusReport)
            reportsDue.emplace_back(
                now + autoReportMs,
                SmsStore::statusReportFor(reference, submit, timeStamp(), autoReportStatus));
    }

    // Field n (from 0) of AT+CNMI: mt is 1, ds is 3.
    int cnmiField(size_t n) const
    {
        size_t at = 0;
        for (size_t i = 0; i < n; ++i) {
            at = active.cnmi.find(',', at);
            if (at == std::string::npos)
                return 0;
            ++at;
        }
        long value = 0;
        return parseInt(std::string_view(active.cnmi).substr(at, 1), value) ? int(value) : 0;
    }

    // Where a new message goes, by the mt field of AT+CNMI.
    int routing() const { return cnmiField(1); }

    // By the ds field: handed over whole (1), or stored and its index told (2) or not (0).
    void deliverReport(const std::string &pdu)
    {
        const int ds = cnmiField(3);
        if (ds == 1) {
            emitBlock({"+CDS: " + std::to_string(SmsStore::tpduLength(pdu)), pdu});
            return;
        }
        const int index = store.add(0, pdu);
        if (index > 0 && ds == 2)
            emitInfo("+CDSI: \"SM\"," + std::to_string(index));
    }

    // "report delivered", "report failed [REASON|TP-ST]", "report auto SECONDS delivered|failed
    // [REASON]", "report auto off".
    bool reportEvent(std::string_view arg, std::string *error)
    {
        auto fail = [&](const char *why) {
            if (error)
                *error = why;
            return false;
        };
        std::vector<std::string> words;
        for (size_t at = 0; at < arg.size();) {
            const size_t end = std::min(arg.find(' ', at), arg.size());
            if (end > at)
                words.push_back(upper(arg.substr(at, end - at)));
            at = end + 1;
        }
        const char *usage =
            "expected: report delivered | failed [REASON] | auto SECONDS delivered|failed | "
            "auto off";
        bool automatic = false;
        long seconds = 0;
        if (!words.empty() && words[0] == "AUTO") {
            if (words.size() == 2 && words[1] == "OFF") {
                autoReportMs = -1;
                return true;
            }
            if (words.size() < 3 || !parseInt(words[1], seconds) || seconds < 0 || seconds > 3600)
                return fail(usage);
            automatic = true;
            words.erase(words.begin(), words.begin() + 2);
        }
        if (words.empty() || (words[0] != "DELIVERED" && words[0] != "FAILED") ||
            (words[0] == "DELIVERED" && words.size() > 1) || words.size() > 2)
            return fail(usage);
        int status = 0;
        if (words[0] == "FAILED") {
            static const std::pair<const char *, int> reasons[] = {
                {"EXPIRED", 0x46},      {"REJECTED", 0x42}, {"UNOBTAINABLE", 0x43},
                {"INCOMPATIBLE", 0x41}, {"DELETED", 0x48},  {"BUSY", 0x61}};
            status = 0x46;
            if (words.size() == 2) {
                long st = -1;
                status = -1;
                for (const auto &[word, value] : reasons)
                    if (words[1] == word)
                        status = value;
                if (status < 0 && parseInt(words[1], st) && st >= 0 && st <= 255)
                    status = int(st);
                if (status < 0)
                    return fail("the reason is expired, rejected, unobtainable, incompatible, "
                                "deleted, busy or a TP-ST number");
            }
        }
        if (automatic) {
            autoReportMs = seconds * 1000;
            autoReportStatus = status;
            return true;
        }
        bool any = false;
        for (const auto &[reference, submit] : lastSent)
            if (submit.statusReport) {
                deliverReport(SmsStore::statusReportFor(reference, submit, timeStamp(), status));
                any = true;
            }
        return any || fail("the last message sent asked for no status report");
    }

    static std::string timeStamp()
    {
        const std::time_t now = std::time(nullptr);
        std::tm utc{};
        gmtime_r(&now, &utc);
        char stamp[64];
        std::snprintf(stamp, sizeof stamp, "%02d%02d%02d%02d%02d%02d00", utc.tm_year % 100,
                      utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
        return stamp;
    }

    // A long text arrives as linked parts, each shown or stored on its own as a handset does.
    void incomingSms(const std::string &number, const std::string &text)
    {
        const int reference = concatenationReference;
        concatenationReference = (concatenationReference + 1) % 256;
        for (const std::string &pdu : SmsStore::deliverPdus(number, text, timeStamp(), reference))
            deliver(pdu);
    }

    void deliver(const std::string &pdu)
    {
        const int mt = routing();
        if (mt == 2 || mt == 3) {
            emitBlock({"+CMT: ," + std::to_string(SmsStore::tpduLength(pdu)), pdu});
            return;
        }
        const int index = store.add(0, pdu);
        if (index > 0 && mt == 1)
            emitInfo("+CMTI: \"SM\"," + std::to_string(index));
    }

    void showProfile()
    {
        auto flags = [](const Profile &p) {
            std::string t = std::string("E") + (p.echo ? "1" : "0") + " Q" + (p.quiet ? "1" : "0") +
                            " V" + (p.verbose ? "1" : "0") + " &C1 &D2 &K3";
            return t;
        };
        auto regs = [](const Profile &p) {
            std::string t;
            for (int n : {0, 2, 3, 4, 5, 7, 12}) {
                char buf[16];
                std::snprintf(buf, sizeof buf, "S%03d:%03d ", n, p.s[static_cast<size_t>(n)]);
                t += buf;
            }
            t.pop_back();
            return t;
        };
        emitInfo("ACTIVE PROFILE:");
        emitInfo(flags(active));
        emitInfo(regs(active));
        emitInfo("STORED PROFILE:");
        emitInfo(flags(stored));
        emitInfo(regs(stored));
    }

    static std::string identity(long n)
    {
        switch (n) {
        case 0:
            return "Tandrel SH-2";
        case 1:
            return "Checksum 5A3C";
        case 2:
            return "ROM test passed";
        case 3:
            return "SH2.3.01 built 2026-09-14";
        case 4:
            return "Satellite handset, serial data interface";
        case 5:
            return "Region code 0";
        case 6:
            return "Hardware revision B";
        }
        return {};
    }

    // Reads the optional decimal argument of a basic command at pos.
    static long number(const std::string &cmd, size_t &pos)
    {
        long v = 0;
        while (pos < cmd.size() && std::isdigit(static_cast<unsigned char>(cmd[pos])))
            v = std::min<long>(v * 10 + (cmd[pos++] - '0'), 100000);
        return v;
    }

    // Runs the commands after "AT" on one line.
    void execute(const std::string &body, int64_t now)
    {
        const std::string u = upper(body);
        size_t pos = 0;
        while (pos < u.size()) {
            const char c = u[pos++];
            if (c == ' ')
                continue;
            if (c == '+' || c == '%' || c == '*') {
                size_t end = body.find(';', pos);
                if (end == std::string::npos || u.compare(pos - 1, 6, "+SBDWT") == 0)
                    end = body.size(); // a message text takes the rest of the line
                if (!extended(std::string_view(body).substr(pos - 1, end - pos + 1), now))
                    return;
                if (std::exchange(deferFinal, false))
                    return;
                pos = std::min(end + 1, body.size());
                continue;
            }
            if (c == 'D') {
                dial(body.substr(pos), now);
                return;
            }
            if (c == '&') {
                if (pos >= u.size())
                    return finish(Result::Error);
                const char a = u[pos++];
                const long v = number(u, pos);
                if (a == 'V') {
                    showProfile();
                } else if (a == 'F') {
                    active = Profile();
                } else if (a == 'W') {
                    stored = active;
                } else if (a == 'C' || a == 'D' || a == 'K' || a == 'Y') {
                    (void)v;
                } else {
                    return finish(Result::Error);
                }
                continue;
            }
            if (c == 'S') {
                const size_t start = pos;
                const long reg = number(u, pos);
                if (pos == start || reg > 99)
                    return finish(Result::Error);
                if (pos < u.size() && u[pos] == '?') {
                    ++pos;
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "%03d", active.s[static_cast<size_t>(reg)]);
                    emitInfo(buf);
                } else if (pos < u.size() && u[pos] == '=') {
                    ++pos;
                    const size_t vs = pos;
                    const long v = number(u, pos);
                    if (pos == vs || v > 255)
                        return finish(Result::Error);
                    active.s[static_cast<size_t>(reg)] = static_cast<int>(v);
                } else {
                    return finish(Result::Error);
                }
                continue;
            }
            const size_t argStart = pos;
            const long v = number(u, pos);
            const bool hasArg = pos > argStart;
            switch (c) {
            case 'E':
                active.echo = v != 0;
                break;
            case 'V':
                active.verbose = v != 0;
                break;
            case 'Q':
                active.quiet = v != 0;
                break;
            case 'I':
                if (identity(v).empty())
                    return finish(Result::Error);
                emitInfo(identity(v));
                break;
            case 'Z':
                active = stored;
                break;
            case 'H':
                if (hasArg && v != 0)
                    return finish(Result::Error);
                online = false;
                voiceCall = false;
                lines.carrier = false;
                break;
            case 'A':
                answer(now);
                return;
            case 'O':
                if (!online)
                    return finish(Result::NoCarrier);
                connect();
                return;
            case 'X':
            case 'L':
            case 'M':
            case 'B':
                break;
            default:
                return finish(Result::Error);
            }
        }
        finish(Result::Ok);
    }

    void dial(std::string rest, int64_t now)
    {
        std::string number;
        bool voice = false;
        std::string_view r = trim(rest);
        if (r == "L" || r == "l")
            r = lastNumber;
        for (char ch : r) {
            if (std::isdigit(static_cast<unsigned char>(ch)) || ch == '+' || ch == '*' || ch == '#')
                number += ch;
            else if (ch == ';')
                voice = true;
        }
        if (number.empty())
            return finish(Result::Error);
        lastNumber = number + (voice ? ";" : "");
        if (online)
            return finish(Result::Error);
        voiceCall = voice;
        mode = Mode::Dialing;
        connectAt = now + ConnectDelayMs;
    }

    void commandLine(std::string text, int64_t now)
    {
        const std::string u = upper(text);
        if (u.size() < 2 || u.compare(0, 2, "AT") != 0)
            return; // not addressed to the handset
        lastCommand = text;
        if (pendingCme >= 0) {
            emitInfo("+CME ERROR: " + std::to_string(std::exchange(pendingCme, -1)));
            return;
        }
        execute(text.substr(2), now);
    }

    void commandByte(char ch, int64_t now)
    {
        if (mode == Mode::Dialing || mode == Mode::Answering) {
            // Any key aborts a call being set up, as on a real handset.
            dropCall(true);
            return;
        }
        if (sbd.ownsInput())
            return sbdAnswer(sbd.byte(ch));
        if (prompt != Prompt::None) {
            if (ch == 26) {
                pduComplete(now);
            } else if (ch == 27) { // escape gives up the message
                prompt = Prompt::None;
                finish(Result::Ok);
            } else if (ch != '\r' && ch != '\n') {
                if (active.echo)
                    output += ch;
                if (pduInput.size() < 1024)
                    pduInput += ch;
            }
            return;
        }
        const char cr = static_cast<char>(active.s[3]);
        const char bs = static_cast<char>(active.s[5]);
        if (ch == cr) {
            if (active.echo)
                output += ch;
            const bool tooLong = std::exchange(overflow, false);
            std::string text = std::exchange(line, {});
            if (tooLong)
                finish(Result::Error);
            else
                commandLine(std::move(text), now);
            return;
        }
        if (ch == '\n' && line.empty())
            return;
        if (ch == 26 || ch == 27) { // a PDU that came without its prompt ends here, unheard
            line.clear();
            overflow = false;
            return;
        }
        if (ch == bs || ch == 0x7f) {
            if (!line.empty()) {
                line.pop_back();
                if (active.echo)
                    output += "\b \b";
            }
            return;
        }
        if (active.echo)
            output += ch;
        if (line.size() >= LineLimit) {
            overflow = true;
            return;
        }
        line += ch;
        if (line.size() == 2 && (line[0] == 'A' || line[0] == 'a') && line[1] == '/') {
            line.clear();
            if (!lastCommand.empty())
                commandLine(lastCommand, now);
        }
    }

    void dataByte(char ch, int64_t now)
    {
        const char plus = static_cast<char>(active.s[2]);
        const bool quietBefore = lastDataAt < 0 || now - lastDataAt >= guardMs();
        if (ch == plus && (plusCount > 0 || quietBefore) && plusCount < 3) {
            ++plusCount;
            if (plusCount == 3)
                escapeAt = now + guardMs();
        } else {
            plusCount = 0;
            escapeAt = -1;
        }
        lastDataAt = now;
        output += ch; // the far end echoes what it gets
    }
};

ModemSimCore::ModemSimCore() : d(new State) {}

ModemSimCore::~ModemSimCore()
{
    delete d;
}

void ModemSimCore::receive(std::string_view bytes, int64_t nowMs)
{
    advance(nowMs);
    for (char ch : bytes) {
        if (d->mode == State::Mode::Data)
            d->dataByte(ch, nowMs);
        else
            d->commandByte(ch, nowMs);
    }
}

bool ModemSimCore::command(std::string_view text, int64_t nowMs, std::string *error)
{
    advance(nowMs);
    const std::string_view line = trim(text);
    const size_t space = line.find(' ');
    const std::string verb = upper(line.substr(0, space));
    const std::string_view arg =
        space == std::string_view::npos ? std::string_view{} : trim(line.substr(space + 1));
    auto onOff = [&](bool &field) {
        const std::string a = upper(arg);
        if (a != "ON" && a != "OFF") {
            if (error)
                *error = "expected on or off";
            return false;
        }
        field = a == "ON";
        return true;
    };
    bool radioEvent = false, moved = false;
    if (d->radio.command(verb, arg, &radioEvent, &moved, error)) {
        // With unsolicited registration codes on (+CREG=1 or 2) the change is reported.
        if (moved && d->active.creg > 0)
            d->emitInfo("+CREG: " + std::to_string(d->radio.registration));
        return true;
    }
    if (radioEvent)
        return false;
    if (verb == "RING" && arg.empty()) {
        d->startRing(nowMs);
        return true;
    }
    if (verb == "CTS")
        return onOff(d->lines.cts);
    if (verb == "CARRIER") {
        bool on = false;
        if (!onOff(on))
            return false;
        if (!on && d->online)
            d->dropCall(true);
        d->lines.carrier = on;
        return true;
    }
    if (verb == "HANGUP" && arg.empty()) {
        d->dropCall(true);
        return true;
    }
    if (verb == "CMS" || verb == "CME") {
        long code = 0;
        if (!parseInt(arg, code) || code < 0 || code > 999) {
            if (error)
                *error = "expected an error number 0-999";
            return false;
        }
        (verb == "CMS" ? d->pendingCms : d->pendingCme) = static_cast<int>(code);
        return true;
    }
    // The answer forms of other handsets.
    auto choice = [&](std::initializer_list<const char *> words, const char *expected) {
        const std::string a = upper(arg);
        int i = 0;
        for (const char *w : words) {
            if (a == w)
                return i;
            ++i;
        }
        if (error)
            *error = expected;
        return -1;
    };
    if (verb == "ECHO")
        return onOff(d->active.echo);
    if (verb == "PROMPT") {
        bool on = true;
        if (!onOff(on))
            return false;
        d->promptOff = !on;
        return true;
    }
    if (verb == "RESULTS") {
        const int c = choice({"VERBOSE", "NUMERIC"}, "expected verbose or numeric");
        if (c >= 0)
            d->active.verbose = c == 0;
        return c >= 0;
    }
    if (verb == "LINEENDS") {
        const int c = choice({"CRLF", "CR", "LF"}, "expected crlf, cr or lf");
        if (c >= 0)
            d->eol = std::array<const char *, 3>{"\r\n", "\r", "\n"}[size_t(c)];
        return c >= 0;
    }
    if (verb == "SMS") {
        const size_t space = arg.find(' ');
        const std::string number(arg.substr(0, space));
        const bool digits = !number.empty() && number.size() <= 20 &&
                            number.find_first_not_of("0123456789") == std::string::npos;
        if (!digits || space == std::string_view::npos) {
            if (error)
                *error = "expected: sms NUMBER TEXT";
            return false;
        }
        const std::string text(trim(arg.substr(space + 1)));
        if (!tandrel::isValidUtf8(text) ||
            SmsPduCodec::SplitText(text, SmsPduCodec::AlphabetFor(text)).size() >
                size_t(SmsPduCodec::MaxParts)) {
            if (error)
                *error = "the text must be UTF-8, at most 255 messages long";
            return false;
        }
        d->incomingSms(number, text);
        return true;
    }
    if (verb == "REPORT")
        return d->reportEvent(arg, error);
    if (SbdHandset::isEvent(verb))
        return d->sbd.event(verb, arg, error);
    if (verb == "SAY") {
        d->output += d->eol;
        d->output += arg;
        d->output += d->eol;
        return true;
    }
    if (verb == "FLOOD") {
        long count = 0;
        if (!parseInt(arg, count) || count < 0 || count > 100'000'000) {
            if (error)
                *error = "expected a byte count";
            return false;
        }
        static constexpr std::string_view pattern =
            "The quick brown fox jumps over the lazy dog 0123456789\r\n";
        d->output.reserve(d->output.size() + static_cast<size_t>(count));
        for (long left = count; left > 0;) {
            const size_t n = std::min<size_t>(pattern.size(), static_cast<size_t>(left));
            d->output.append(pattern.substr(0, n));
            left -= static_cast<long>(n);
        }
        return true;
    }
    if (error)
        *error = "unknown event \"" + std::string(line) + "\"";
    return false;
}

void ModemSimCore::advance(int64_t nowMs)
{
    if (d->ringOffAt >= 0 && nowMs >= d->ringOffAt) {
        d->ringOffAt = -1;
        d->lines.ring = false;
    }
    if (d->connectAt >= 0 && nowMs >= d->connectAt) {
        d->connectAt = -1;
        if (d->voiceCall) {
            d->mode = State::Mode::Command;
            d->finish(Result::Ok);
        } else {
            d->connect();
        }
    }
    while (!d->loopback.empty() && nowMs >= d->loopback.front().first) {
        const std::string pdu = std::move(d->loopback.front().second);
        d->loopback.erase(d->loopback.begin());
        d->deliver(pdu);
    }
    while (!d->reportsDue.empty() && nowMs >= d->reportsDue.front().first) {
        const std::string pdu = std::move(d->reportsDue.front().second);
        d->reportsDue.erase(d->reportsDue.begin());
        d->deliverReport(pdu);
    }
    if (d->escapeAt >= 0 && nowMs >= d->escapeAt) {
        d->escapeAt = -1;
        d->plusCount = 0;
        d->mode = State::Mode::Command;
        d->emitResult(Result::Ok);
    }
    d->sbdAnswer(d->sbd.advance(nowMs));
}

int64_t ModemSimCore::nextDeadline() const
{
    int64_t best = -1;
    const int64_t loopback = d->loopback.empty() ? -1 : d->loopback.front().first;
    const int64_t report = d->reportsDue.empty() ? -1 : d->reportsDue.front().first;
    for (int64_t t :
         {d->ringOffAt, d->connectAt, d->escapeAt, loopback, report, d->sbd.nextDeadline()})
        if (t >= 0 && (best < 0 || t < best))
            best = t;
    return best;
}

std::string ModemSimCore::takeOutput()
{
    return std::exchange(d->output, {});
}

ModemSimCore::Lines ModemSimCore::lines() const
{
    return d->lines;
}

uint64_t ModemSimCore::ringCount() const
{
    return d->rings;
}

} // namespace tandrel::sim
