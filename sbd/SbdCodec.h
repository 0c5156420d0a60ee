#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// Short Burst Data: the rules shared by the SBD window, its log and the simulated handset.
// Messages are bytes held in std::string.
namespace sbd {

// What the handset's buffers hold: AT+SBDWB takes 1 to 1960 bytes, AT+SBDWT 120 characters.
constexpr size_t MaxBinaryLength = 1960;
constexpr size_t MaxTextLength = 120;

// Low 16 bits of the sum of the bytes, as AT+SBDWB and AT+SBDRB carry it.
uint16_t checksum(std::string_view bytes);
// The bytes followed by their checksum, most significant byte first.
std::string withChecksum(std::string_view bytes);

// Upper-case pairs separated by blanks: "48 69 0A".
std::string toHex(std::string_view bytes);
// Reads hex pairs, ignoring blanks, line breaks, commas and a "0x" before a pair. On failure
// returns false and says where in *error.
bool parseHex(std::string_view text, std::string *bytes, std::string *error);
// The bytes for a reader, as UTF-8 text: characters kept, control characters and bytes that
// are not UTF-8 a dot each.
std::string printable(std::string_view bytes);

// Why a text cannot go in AT+SBDWT, or empty when it can.
std::string textProblem(std::string_view text);
// The command line that writes a text message.
std::string writeTextCommand(std::string_view text);

// The fields of "+SBDI: <MO status>,<MOMSN>,<MT status>,<MTMSN>,<MT length>,<MT queued>".
struct SessionResult
{
    int moStatus = 0;
    int momsn = 0;
    int mtStatus = 0;
    int mtmsn = 0;
    int mtLength = 0;
    int mtQueued = 0;

    bool sent() const { return moStatus == 1; }
    bool moFailed() const { return moStatus >= 2; }
    bool received() const { return mtStatus == 1; }
    bool mtFailed() const { return mtStatus >= 2; }
    bool failed() const { return moFailed() || mtFailed(); }
};

// One "+SBDI:" line (blanks allowed after the commas); nothing when it is not one.
std::optional<SessionResult> parseSessionLine(std::string_view line);
// The result in words, one sentence per field that matters.
std::string describeSession(const SessionResult &r);

// The meaning of the status that AT+SBDWB answers with.
std::string writeStatusText(int status);

// "+SBDS: <MO flag>,<MOMSN>,<MT flag>,<MTMSN>".
struct BufferStatus
{
    int moFlag = 0;
    int momsn = 0;
    int mtFlag = 0;
    int mtmsn = -1;
};
std::optional<BufferStatus> parseStatusLine(std::string_view line);
std::string describeStatus(const BufferStatus &s);

// One entry of the SBD log: heading with time and sequence number, the bytes as text and hex.
// `sent` chooses MOMSN or MTMSN; `when` is local time.
std::string logEntry(bool sent, int sequenceNumber, std::string_view bytes, const std::tm &when);

} // namespace sbd
