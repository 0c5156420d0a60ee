#pragma once

#include <string>
#include <string_view>

#include "ScanText.h"

class ReceiveHooks;

// Watches the modem's received text for the few answers that drive the program's own state:
// command finished, SMS results and incoming "+CMT:" messages. Pure logic, one per program.
class ReceiveProcessor
{
public:
    explicit ReceiveProcessor(ReceiveHooks *hooks);

    // Result code for the SMS window, -100 when nothing was recognised; 6 is a "+CMTI:"
    // indication, whose line is then the captured listing.
    int RecogniseSmsResponse(std::string_view chunk);
    // 1 command or call in progress, 2 final result arrived, 0 undecided.
    int DetectCommandState(std::string_view chunk);
    // Delivers complete "+CMT:" messages and returns what is left of text.
    std::string ExtractUnsolicitedSms(const std::string &text);

    const std::string &CapturedListing() const { return capturedListing; }
    // Both accumulation buffers are held with backspaces applied and in upper case, the form
    // in which every rule reads them.
    const std::string &CommandBuffer() const { return commandBuffer.str(); }
    const std::string &SmsBuffer() const { return smsBuffer.str(); }
    const std::string &CmtBuffer() const { return cmtBuffer; }
    bool InCmt() const { return inCmt; }

    // Forgets half-received answers: after the port closed they can never be completed, and
    // the next answer must not be read as their end.
    void Abandon();

    static std::string ApplyBackspaces(std::string_view text);
    static std::string ToUpperText(std::string_view text);

    // Longest any buffer may grow while waiting for the end of an answer; past it the oldest
    // text goes, as no answer the rules wait for is that long.
    static constexpr size_t BufferLimit = 64 * 1024;

private:
    void consume();
    bool errorLineComplete();
    int afterSmsErrors();
    int indicationFailed();
    int listings();
    int storedIndication();
    void boundCmt();

    ReceiveHooks *hooks;
    ScanText commandBuffer{BufferLimit};
    std::string capturedListing;
    ScanText smsBuffer{BufferLimit};
    std::string cmtBuffer;
    bool inCmt = false;
};
