#pragma once

#include <string>
#include <vector>

// Turns the values of an AT table page into what goes to the modem.
struct AtCommandState
{
    std::string prefix, n, v, d, suffix;
    std::string findText, firstIndex, secondIndex, phonebookStorage;
    std::string entryIndex, entryNumber, entryType, entryText;
    std::string year, month, day, hour, minutes, seconds;
    std::string direction, negotiation, dictionary, stringLength;
    std::string lockFacility, lockMode, lockPassword;
    std::string pwdFacility, oldPassword, newPassword;
    std::string pin, newPin;
    std::string cnmiMode, cnmiMt, cnmiDs, cnmiBfr;
    std::vector<std::string> nmeaCodes; // codes of the ticked NMEA boxes, in box order
    std::string dialLine;               // for the dial page
    bool carrier = false;
};

struct AtOutput
{
    enum Kind
    {
        Nothing,
        Line,     // sent with a carriage return added by the port
        Raw,      // sent as it stands
        Paced,    // sent raw one character at a time
        DeleteSms // delete the SMS list entry `text` instead of sending
    };
    Kind kind = Nothing;
    std::string text;
    bool autoAnswer = false; // for ATS0: the value was not 0
    bool setsAutoAnswer = false;
};

AtOutput composeAtCommand(const AtCommandState &s, const std::vector<std::string> &smsIndexes);
std::string atReadCommand(const std::string &prefix);
std::string atTestCommand(const std::string &prefix);
// With hardware flow control and CTS off only the GPS commands may go.
bool atSendableWithoutCts(const std::string &prefix);
// Typed or stored text never brings a line end or other control character into a command.
std::string withoutControlCharacters(const std::string &text);
