#pragma once

#include <string>
#include <string_view>

namespace modem {

// What one whole line of a modem's answer is, as far as ending a command goes. Verbose and
// numeric forms (ITU-T V.250 5.7.1, table 1) read alike; "+CME ERROR" and "+CMS ERROR"
// (3GPP TS 27.007 9.2, TS 27.005 3.2.5) with or without a space after them, with a number
// or a text; and the vendor finals that some handsets send instead of ERROR.
enum class Result
{
    None, // not a result code: information text, an echo, an unsolicited line
    Ok,
    Connect,
    Ring, // unsolicited, never the end of a command
    NoCarrier,
    Error,
    NoDialtone,
    Busy,
    NoAnswer,
    CmeError,
    CmsError,
};

// Whether a line in numeric form may be read as a result code. A handset answering in
// verbose form also sends lone digits as information (an SBD status, a text read back).
enum class Numeric
{
    Accepted,
    Refused
};

Result classify(std::string_view line, Numeric numeric = Numeric::Accepted);

// The result ends the command it answers (everything but None and Ring).
inline bool isFinal(Result r)
{
    return r != Result::None && r != Result::Ring;
}
bool isError(Result r);
// The line was in numeric form ("0", "4", ...).
bool isNumericForm(std::string_view line);

// The number of a "+CME ERROR: n" or "+CMS ERROR: n", or -1 when it is a text or missing.
int errorNumber(std::string_view line);

// Upper-cases ASCII letters only: the modem's texts are compared, never translated.
std::string upperAscii(std::string_view text);

} // namespace modem
