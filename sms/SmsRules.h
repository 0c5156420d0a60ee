#pragma once

#include "SmsPduCodec.h"

#include <map>
#include <string>
#include <vector>

// The SMS window's text rules, kept apart from its widgets.
namespace smsrules {

// The TP-VP relative period in words, as the window shows it.
std::string RelativeVpWords(int value);

// Every character counts one, those sent as escape plus code count two.
int CountedLength(const std::string &text);

// Characters that may not arrive: for a phone number those without a GSM code or, stricter,
// for an e-mail gateway.
bool IsSafeCharacter(char32_t c, bool email);
std::string UnsafeCharacters(const std::string &text, bool email); // in order, repeats kept
std::string WithoutUnsafe(const std::string &text, bool email);
// The unsafe characters as a warning lists them: each once, in order, separated by ", ";
// a letter that could pass for a Latin one is named ("\u0391 (Greek Alpha)"), any other
// character beyond ASCII gets its code point ("\u0416 (Cyrillic U+0416)").
std::string ListUnsafe(const std::string &unsafe);

// Drops characters from the end until the counted length is at most limit.
std::string TrimToCountedLength(const std::string &text, int limit);

// How a text goes out: GSM 7-bit, or UCS2 when it holds a character GSM lacks; its size in
// that alphabet's units (septets, or UTF-16 code units); the units one message holds; the
// parts it needs when linked; and the units still free in the last part.
struct MessageSize
{
    SmsPduCodec::Alphabet alphabet = SmsPduCodec::Alphabet::Gsm7;
    int units = 0;
    int single = SmsPduCodec::SingleGsm;
    int parts = 1;
    int left = SmsPduCodec::SingleGsm;
};
MessageSize MeasureMessage(const std::string &text);

// The longest beginning of the text that fits in limit units of the alphabet.
std::string TrimToUnits(const std::string &text, int limit, SmsPduCodec::Alphabet alphabet);

// The program's time-zone code of a GMT offset in hours (-12 .. +13), and its reading.
std::string TimeZoneCode(int hours);
std::string ZoneText(char sign, char hours);

// The characters of a typed destination number that cannot go into an address, each once
// and in order: everything but digits, and "+" anywhere but in front.
std::string AddressRefusals(const std::string &number);

// " (National)\n", " (International)\n" or " (Unknown)\n" by type of address.
std::string NumberTypeEnding(const std::string &typeOfAddress);

struct DisplayedMessage
{
    std::string head; // "From: ..."/"SCTS: ..." or "To: ..."/VP line, without a final line end
    std::string text;
    bool received = false;
    bool valid = false;
    std::string address; // type of address and number: who the parts of one message share
    // Of a part of a longer message, from its concatenation header; -1 otherwise.
    int reference = -1;
    int part = -1;
    int parts = -1;
};

// Decodes one PDU into its display; valid is false when the PDU cannot be read or is a
// status report.
DisplayedMessage DisplayPdu(const std::string &pdu);

// An SMS-STATUS-REPORT (3GPP TS 23.040 9.2.2.3): which sent message it is about (TP-MR), its
// recipient ("+" in front of an international number), and what became of it. final is false
// while the service centre still tries; time is the discharge time, shown as a time stamp.
struct DeliveryReport
{
    bool valid = false;
    int reference = -1;
    std::string number;
    bool delivered = false;
    bool final = false;
    std::string status; // in words, such as "delivered" or "validity period expired"
    std::string time;
};
DeliveryReport ReadStatusReport(const std::string &pdu);
// "Delivery report for message 12 to +12025550143: delivered, 12/08/26 10:00:05 (GMT+2)";
// empty for a report that cannot be read.
std::string ReportLine(const DeliveryReport &report);

struct ListedPdu
{
    std::string index; // empty for a "+CMT:" delivery
    std::string pdu;
};

// Splits a "+CMGL:" listing or a "+CMT:" or "+CDS:" delivery into its PDUs, lines ended by CR,
// LF or both. A PDU may follow its header on the same line, and lines that are no PDU may
// come between them; a header without a PDU, and text-mode entries, are left out.
std::vector<ListedPdu> SplitListing(const std::string &answer);
// The PDU of an AT+CMGR answer as an item of the given index; an empty item when the answer
// holds none.
ListedPdu ReadAnswer(const std::string &answer, const std::string &index);
// True when the answer's headers are those of text mode (a quoted status), which holds no PDU.
bool IsTextModeListing(const std::string &answer);

// The indexes a "+CMGL:" listing gives as received and unread (<stat> 0, 3GPP TS 27.005 3.1).
std::vector<std::string> UnreadIndexes(const std::string &answer);

// One message of a listing: the parts of a longer one (same sender or recipient, reference
// and count) joined in order, "[part k of n missing]" where one is absent.
struct ListedMessage
{
    std::vector<std::string> indexes; // storage indexes of its parts, in part order
    DisplayedMessage shown;
    int parts = 1; // parts the message has, 1 for a message on its own
};
// In the order the listing names them; unreadable PDUs are left out.
std::vector<ListedMessage> JoinListing(const std::vector<ListedPdu> &items);
// "9", or "9 (3 parts)" for a joined message: its first index and how many parts it has.
std::string ListLabel(const ListedMessage &message);
// "Part k of n", the line a part carries in the log; "(n parts)", that of a joined message.
std::string PartLine(int part, int parts);
std::string PartsLine(int parts);

// The SMS log's entry for a message the handset confirmed sent: `to` as the operator gave it,
// `kind` the destination type ("Phone number"), `vpLine` the validity line with its line end.
std::string SentLogEntry(const std::string &to, const std::string &kind, const std::string &vpLine,
                         const std::string &text);
// The entry for a received message (`head` as DisplayedMessage gives it, plus its parts line).
std::string ReceivedLogEntry(const std::string &head, const std::string &text);

// Holds the parts of incoming messages until every part of one has arrived.
class PartCollector
{
public:
    // Adds a part; true when it completes its message, whose text (parts in order) goes to
    // *joined. A message on its own is complete at once.
    bool add(const DisplayedMessage &part, std::string *joined);

private:
    struct Pending
    {
        std::string address;
        int reference = 0;
        int parts = 0;
        std::map<int, std::string> texts;
    };
    std::vector<Pending> m_pending; // oldest first
};

} // namespace smsrules
