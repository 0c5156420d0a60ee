#pragma once

#include <string>
#include <string_view>

// Builds SMS-SUBMIT PDUs and splits received and stored PDUs, all as upper-case hexadecimal
// text. Text is the program's 8-bit Windows-1252. No user interface and no serial access.
class SmsPduCodec
{
public:
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
        // Concatenation information from a user-data header, -1 when there is none.
        int UdhReference = -1;
        int UdhPart = -1;
        int UdhTotal = -1;
    };

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

    // outLength receives the figure the program sends after "AT+CMGS=".
    std::string EncodeSubmit(const std::string &destination, const std::string &typeOfAddress,
                             const std::string &text, int relativeVp, const std::string &absoluteVp,
                             int messageReference, int &outLength);

    Decoded DecodePdu(std::string_view pdu) const;

    // Packs text as GSM 7-bit user data: UDL (septets) and the packed octets.
    void PackSeptets(const std::string &text, std::string &userDataLength,
                     std::string &userData) const;
    // Unpacks septetCount septets of packed hexadecimal user data.
    static std::string UnpackSeptets(std::string_view hex, int septetCount);

    static std::string ToHexByte(int value);
    static std::string SwapSemiOctets(std::string_view text);
    static std::string UnswapAddress(std::string_view text);
    // GSM code of an 8-bit character; 27 for an extension character, whose code goes to
    // *second. A character above 127 that the alphabet lacks is sent as "?".
    static int CharToGsm(unsigned char c, int *second);
    // The character of a GSM code; previous is the septet before it (27 selects the
    // extension table).
    static char GsmToChar(int code, int previous);
    // Hexadecimal digits to a number; a character that is no hexadecimal digit counts as its
    // code minus 48.
    static long HexToInt(std::string_view hex);
    static long BinaryToInt(std::string_view bits);
    static std::string ReverseText(std::string_view text);
    static std::string UpperText(std::string_view text);
};

// The program-wide codec, shared by the SMS window and the AT command table.
extern SmsPduCodec *PduCodec;
