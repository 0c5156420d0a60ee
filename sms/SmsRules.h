#pragma once

#include <string>
#include <vector>

// The SMS window's text rules, kept apart from its widgets.
namespace smsrules {

// The TP-VP relative period in words, as the window shows it.
std::string RelativeVpWords(int value);

// Every character counts one, the eight sent as escape plus code count two.
int CountedLength(const std::string &text);

// Characters that may not arrive: for a phone number or, stricter, for an e-mail gateway.
bool IsSafeCharacter(unsigned char c, bool email);
std::string UnsafeCharacters(const std::string &text, bool email); // in order, repeats kept
std::string WithoutUnsafe(const std::string &text, bool email);

// Drops characters from the end until the counted length is at most limit.
std::string TrimToCountedLength(const std::string &text, int limit);

// The program's time-zone code of a GMT offset in hours (-12 .. +13), and its reading.
std::string TimeZoneCode(int hours);
std::string ZoneText(char sign, char hours);

// " (National)\n", " (International)\n" or " (Unknown)\n" by type of address.
std::string NumberTypeEnding(const std::string &typeOfAddress);

struct DisplayedMessage
{
    std::string head; // "From: ..."/"SCTS: ..." or "To: ..."/VP line, without a final line end
    std::string text;
    bool received = false;
    bool valid = false;
};

// Decodes one PDU into its display; valid is false when the PDU cannot be read.
DisplayedMessage DisplayPdu(const std::string &pdu);

struct ListedPdu
{
    std::string index; // empty for a "+CMT:" delivery
    std::string pdu;
};

// Splits a "+CMGL:" listing or "+CMT:" delivery into its messages. A header without a PDU
// line, or with a line that is no PDU, is left out; the rest are kept.
std::vector<ListedPdu> SplitListing(const std::string &answer);

} // namespace smsrules
