// A "+CMGL:" listing, "+CMGR:" answer or "+CMT:"/"+CDS:" delivery can arrive garbled by the radio
// link or cut off by a closed port; splitting it and showing every message must stay safe whatever
// it holds.
#include "SmsRules.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

size_t count(const std::string &text, const std::string &what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

bool untrimmed(const std::string &s)
{
    const auto edge = [](char c) { return c == ' ' || c == '\r' || c == '\n'; };
    return !s.empty() && (edge(s.front()) || edge(s.back()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string answer(reinterpret_cast<const char *>(data), size);
    const std::vector<smsrules::ListedPdu> items = smsrules::SplitListing(answer);

    // At most one message per header, each one a whole PDU line of the answer.
    check(items.size() <=
          count(answer, "+CMGL:") + count(answer, "+CMT:") + count(answer, "+CDS:"));
    for (const smsrules::ListedPdu &item : items) {
        check(!item.pdu.empty() && item.pdu.size() % 2 == 0);
        for (char c : item.pdu)
            check(isHex(c));
        check(answer.find(item.pdu) != std::string::npos);
        check(!untrimmed(item.index));

        const smsrules::DisplayedMessage shown = smsrules::DisplayPdu(item.pdu);
        if (shown.valid)
            check(shown.head.rfind(shown.received ? "From: " : "To: ", 0) == 0);
        // A status report is never shown as a message as well.
        const smsrules::DeliveryReport report = smsrules::ReadStatusReport(item.pdu);
        check(!(report.valid && shown.valid));
        if (report.valid)
            check(smsrules::ReportLine(report).rfind("Delivery report for message ", 0) == 0);
    }
    const smsrules::ListedPdu read = smsrules::ReadAnswer(answer, "1");
    check(read.pdu.empty() || answer.find(read.pdu) != std::string::npos);
    smsrules::IsTextModeListing(answer);
    // A PDU on its own, as the window shows a stored message.
    const smsrules::DisplayedMessage single = smsrules::DisplayPdu(answer);
    if (single.valid)
        check(single.head.rfind(single.received ? "From: " : "To: ", 0) == 0);
    return 0;
}
