#pragma once

#include <string>
#include <string_view>
#include <vector>

// Builds SMS-SUBMIT PDUs and splits received and stored PDUs, all as upper-case hexadecimal
// text. Text is UTF-8. No user interface and no serial access.
class SmsPduCodec
{
public:
    // The alphabets of the user data (3GPP TS 23.038 section 4).
    enum class Alphabet
    {
        Gsm7,
        Data8,
        Ucs2
    };

    // Septets (GSM) or UTF-16 code units (UCS2) that one message without a header holds, and
    // one part of a long message after its concatenation header (3GPP TS 23.040 9.2.3.24.1).
    static constexpr int SingleGsm = 160;
    static constexpr int SingleUcs2 = 70;
    static constexpr int PartGsm = 153;
    static constexpr int PartUcs2 = 67;
    static constexpr int MaxParts = 255;

    // What a decode gives back. VpText holds the validity period of a stored SUBMIT or the
    // service-centre time stamp of a DELIVER (year, month, day, hours, minutes, seconds, zone).
    struct Decoded
    {
        std::string Text;
        bool IsSubmit = false;
        int VpValue = -1;
        std::string VpText;
        std::string Address; // type of address followed by the number (or name)
        int CodingScheme = -1;
        Alphabet Coding = Alphabet::Gsm7;
        // Concatenation information from a user-data header, -1 when there is none.
        int UdhReference = -1;
        int UdhPart = -1;
        int UdhTotal = -1;
        // An SMS-STATUS-REPORT (TP-MTI 2) holds no message: DecodeStatusReport reads it.
        bool IsStatusReport = false;
    };

    // The fields of an SMS-STATUS-REPORT (3GPP TS 23.040 9.2.2.3); the times are laid out as
    // VpText. Status is -1 when the PDU is no whole status report.
    struct StatusReport
    {
        int Reference = -1;
        std::string Address; // type of address followed by the number (or name)
        std::string ServiceCentreTime;
        std::string DischargeTime;
        int Status = -1;
    };

    // TP-SRR: asks the service centre for a status report on each PDU encoded while set.
    bool RequestStatusReport = false;

    // The fields of the last encode, in PDU order.
    const std::string ServiceCentreField = "0791886126090050";
    std::string FirstOctetField;
    std::string MessageReferenceField;
    std::string DestinationField;
    std::string ProtocolIdField = "00";
    std::string CodingSchemeField = "00";
    std::string ValidityPeriodField;
    std::string UserDataLengthField;
    std::string UserDataField;

    // One message without a header, in GSM 7-bit when every character has a GSM code and in
    // UCS2 otherwise. outLength receives the figure the program sends after "AT+CMGS=".
    std::string EncodeSubmit(const std::string &destination, const std::string &typeOfAddress,
                             const std::string &text, int relativeVp, const std::string &absoluteVp,
                             int messageReference, int &outLength);

    struct Part
    {
        std::string pdu;
        int length = 0; // for "AT+CMGS="
        std::string text;
    };
    // The whole text in the given alphabet (Gsm7 or Ucs2): one PDU without a header when it
    // fits in one message, else linked parts that share concatenationReference (0-255). Empty
    // when the text is empty, needs more than MaxParts parts, or holds a character that
    // the alphabet cannot carry.
    std::vector<Part> EncodeSubmitParts(const std::string &destination,
                                        const std::string &typeOfAddress, const std::string &text,
                                        int relativeVp, const std::string &absoluteVp,
                                        int messageReference, int concatenationReference,
                                        Alphabet alphabet);

    Decoded DecodePdu(std::string_view pdu) const;
    static StatusReport DecodeStatusReport(std::string_view pdu);

    // Gsm7 when every character of the text has a GSM code, else Ucs2.
    static Alphabet AlphabetFor(std::string_view text);
    // Septets (extension characters count two) or UTF-16 code units (characters beyond the
    // basic plane count two): what the limits above are measured in.
    static int UnitCount(std::string_view text, Alphabet alphabet);
    // The texts of the parts the text is sent in: itself when it fits in one message, else
    // pieces of at most PartGsm or PartUcs2 units, never splitting an escape or a surrogate
    // pair.
    static std::vector<std::string> SplitText(std::string_view text, Alphabet alphabet);

    // Joins the decoded parts of one message, given in any order: the texts by part number,
    // with "[part k of n missing]" where a part is absent. *missing receives how many are.
    static std::string JoinParts(const std::vector<Decoded> &parts, int *missing = nullptr);
    static std::string MissingPartText(int part, int total);

    // TP-UDL and TP-UD of one message or part: the user-data header (hexadecimal, from its
    // length octet on; may be empty) and then the text in the alphabet (Gsm7 or Ucs2).
    static void BuildUserData(std::string_view text, Alphabet alphabet, const std::string &header,
                              std::string &userDataLength, std::string &userData);
    // The concatenation header of part k of total, 8-bit reference (23.040 9.2.3.24.1).
    static std::string ConcatenationHeader(int reference, int part, int total);

    // Packs text as GSM 7-bit user data: UDL (septets) and the packed octets. False when a
    // character has no GSM code (it is packed as "?").
    bool PackSeptets(const std::string &text, std::string &userDataLength,
                     std::string &userData) const;
    // Unpacks septetCount septets of packed hexadecimal user data.
    static std::string UnpackSeptets(std::string_view hex, int septetCount);

    static std::string ToHexByte(int value);
    static std::string SwapSemiOctets(std::string_view text);
    static std::string UnswapAddress(std::string_view text);
    // GSM code of a character; 27 for an extension character, whose code goes to *second;
    // -1 when the GSM alphabet lacks it.
    static int CharToGsm(char32_t c, int *second);
    // The character of a GSM code; previous is the septet before it (27 selects the
    // extension table).
    static char32_t GsmToChar(int code, int previous);
    // Hexadecimal digits to a number; a character that is no hexadecimal digit counts as its
    // code minus 48.
    static long HexToInt(std::string_view hex);
    static long BinaryToInt(std::string_view bits);
    static std::string ReverseText(std::string_view text);
    static std::string UpperText(std::string_view text);

private:
    // Fields 2 to 7 of every PDU of one message.
    void setFields(const std::string &destination, const std::string &typeOfAddress, int relativeVp,
                   const std::string &absoluteVp, int messageReference, bool header,
                   Alphabet alphabet);
    // The user data of one message or part after those fields, and the whole PDU.
    std::string assemble(std::string_view text, const std::string &header, Alphabet alphabet);
};

// The program-wide codec, shared by the SMS window and the AT command table.
extern SmsPduCodec *PduCodec;
