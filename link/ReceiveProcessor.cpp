#include "ReceiveProcessor.h"

#include "ReceiveHooks.h"

#include <cctype>

namespace {

constexpr const char *CmtTag = "+CMT:";

// Most modems put one space after the colon of "+CMS ERROR:"; the handset family this
// program grew up with does not. Both spellings are literals, as ScanText needs.
bool hasCmsError(ScanText &b, const char *tight, const char *spaced)
{
    return b.contains(tight) || b.contains(spaced);
}

} // namespace

ReceiveProcessor::ReceiveProcessor(ReceiveHooks *hooks) : hooks(hooks) {}

std::string ReceiveProcessor::ApplyBackspaces(std::string_view text)
{
    // Deleting the first backspace with the character before it, again and again, is the
    // same as keeping a stack of kept characters and popping one per backspace.
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == 8) {
            if (!out.empty())
                out.pop_back();
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string ReceiveProcessor::ToUpperText(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

int ReceiveProcessor::DetectCommandState(std::string_view chunk)
{
    ScanText &s = commandBuffer;
    s.append(chunk);
    const char last = s.back();
    const bool busy = (last == '\r' && s.contains("ATD")) ||
                      (last == '\n' && s.str() != "ATDL\r\r\n" && s.contains("ATDL")) ||
                      s.contains("CONNECT") || last == '\r' || s.endsWith("> ");
    if (busy) {
        s.clear();
        return 1;
    }
    if (s.contains("NO CARRIER") || s.contains("NO DIALTONE") || s.contains("BUSY") ||
        s.contains("NO ANSWER") || s.contains("OK\r\n") || s.contains("ERROR\r\n") ||
        s.str() == "ATDL\r\r\n") {
        s.clear();
        return 2;
    }
    return 0;
}

// An error is acted on once its line is complete: "+CMS ERROR:3" cut short by a chunk
// boundary would otherwise be taken for another error and its code lost.
bool ReceiveProcessor::errorLineComplete()
{
    const size_t error = smsBuffer.find("ERROR");
    return error != std::string::npos && smsBuffer.find("\r", error) != std::string::npos;
}

void ReceiveProcessor::consume()
{
    const std::string copy = smsBuffer.str();
    smsBuffer.clear();
    ExtractUnsolicitedSms(copy);
}

int ReceiveProcessor::RecogniseSmsResponse(std::string_view chunk)
{
    ScanText &b = smsBuffer;
    b.append(chunk);

    if (b.contains("+CMGS:")) {
        consume();
        return 0;
    }
    if (errorLineComplete() || b.contains("\n4\r") || b.contains("\r4\r")) {
        hooks->EnableSmsButtons();
        if (hasCmsError(b, "+CMS ERROR:322", "+CMS ERROR: 322")) {
            consume();
            hooks->setIndicationRetryCount(hooks->IndicationRetryCount() + 1);
            const int interval = hooks->requestSmsTimerInterval();
            if (interval == 8500 || interval == 1000)
                hooks->setRequestSmsTimerInterval(1000);
            else if (interval == 500 || interval == 5000 || interval == 1100)
                hooks->setRequestSmsTimerInterval(1100);
            else
                return afterSmsErrors();
            if (hooks->IndicationRetryCount() >= 7) {
                hooks->setIndicationRetryCount(0);
                hooks->closeMsgBoxIfShowing();
                return -5;
            }
            return -1;
        }
        if (hasCmsError(b, "+CMS ERROR:321", "+CMS ERROR: 321")) {
            consume();
            return -6;
        }
        if (hasCmsError(b, "+CMS ERROR:331", "+CMS ERROR: 331")) {
            consume();
            return -2;
        }
        if (hasCmsError(b, "+CMS ERROR:302", "+CMS ERROR: 302")) {
            consume();
            if (hooks->requestSmsTimerEnabled()) {
                hooks->EndIndicationRequest();
                hooks->clickMsgBoxCloseB();
            }
            return -3;
        }
        if (b.contains("+CMS ERROR:")) {
            consume();
            return hooks->requestSmsTimerEnabled() ? -1 : -4;
        }
        if (!b.contains("AT+CNMI="))
            consume();
    }
    return afterSmsErrors();
}

// The indication answer, from the echo of "AT+CNMI=" on.
int ReceiveProcessor::afterSmsErrors()
{
    ScanText &b = smsBuffer;
    const size_t echo = b.find("AT+CNMI=");
    if (echo != std::string::npos && b.find("ERROR", echo) == std::string::npos &&
        b.find("4", echo) == std::string::npos &&
        (b.find("OK\r\n", echo) != std::string::npos || b.find("0\r", echo) != std::string::npos)) {
        hooks->setRequestSmsTimerEnabled(false);
        hooks->setSmsDisplay(b.contains("AT+CNMI=1,2") || b.contains("AT+CNMI=2,2"));
        consume();
        return 1;
    }
    return indicationFailed();
}

int ReceiveProcessor::indicationFailed()
{
    ScanText &b = smsBuffer;
    if (b.contains("AT+CNMI=") && (hasCmsError(b, "+CMS ERROR:322", "+CMS ERROR: 322") ||
                                   errorLineComplete() || b.contains("\r4\r"))) {
        consume();
        hooks->setRequestSmsTimerEnabled(true);
        hooks->showMsgBoxWithSmsTexts();
    }
    return listings();
}

int ReceiveProcessor::listings()
{
    ScanText &b = smsBuffer;
    const size_t echo = b.find("AT+CMGL=");
    if (echo == std::string::npos) {
        if (const int stored = storedIndication(); stored != -100)
            return stored;
        if (inCmt || b.contains(CmtTag))
            b.assign(ExtractUnsolicitedSms(b.str()));
        return -100;
    }
    if (b.contains("+CMGL:") && (b.find("\r\nOK\r\n", echo) != std::string::npos ||
                                 b.find("\r\n0\r", echo) != std::string::npos)) {
        capturedListing = b.str().substr(echo);
        consume();
        if (capturedListing.find("AT+CMGL=0") != std::string::npos)
            return 2;
        if (capturedListing.find("AT+CMGL=1") != std::string::npos)
            return 3;
        for (int n = 2; n <= 4; ++n) {
            if (capturedListing.find("AT+CMGL=" + std::to_string(n)) != std::string::npos) {
                hooks->selectSmsViewItem(n);
                return 4;
            }
        }
        return -100; // a listing of a store the program never asks for
    }
    static const char *const verboseEmpty[] = {"AT+CMGL=0\r\r\nOK\r\n", "AT+CMGL=1\r\r\nOK\r\n",
                                               "AT+CMGL=2\r\r\nOK\r\n", "AT+CMGL=3\r\r\nOK\r\n",
                                               "AT+CMGL=4\r\r\nOK\r\n"};
    static const char *const numericEmpty[] = {"AT+CMGL=0\r0\r", "AT+CMGL=1\r0\r", "AT+CMGL=2\r0\r",
                                               "AT+CMGL=3\r0\r", "AT+CMGL=4\r0\r"};
    for (int n = 0; n <= 4; ++n) {
        if (b.contains(verboseEmpty[n]) || b.contains(numericEmpty[n])) {
            if (n == 0)
                hooks->EndIndicationRequest();
            hooks->selectSmsViewItem(n);
            consume();
            return 5;
        }
    }
    if (const int stored = storedIndication(); stored != -100)
        return stored;
    if (inCmt || b.contains(CmtTag))
        b.assign(ExtractUnsolicitedSms(b.str()));
    return -100;
}

// "+CMTI:" announces a message stored in the modem instead of handed over. Its line alone is
// taken out: the rest of the buffer may be an answer still arriving.
int ReceiveProcessor::storedIndication()
{
    const size_t at = smsBuffer.find("+CMTI:");
    if (at == std::string::npos)
        return -100;
    const size_t end = smsBuffer.str().find("\r\n", at);
    if (end == std::string::npos)
        return -100;
    capturedListing = smsBuffer.str().substr(at, end - at);
    std::string rest = smsBuffer.str();
    rest.erase(at, end + 2 - at);
    smsBuffer.assign(rest);
    return 6;
}

// A message header that never gets its second line would otherwise hold every later chunk.
void ReceiveProcessor::boundCmt()
{
    if (cmtBuffer.size() > BufferLimit) {
        cmtBuffer.clear();
        inCmt = false;
    }
}

std::string ReceiveProcessor::ExtractUnsolicitedSms(const std::string &text)
{
    std::string work = text;
    bool taken = false;
    if (inCmt) {
        // The rest of a message split across chunks. Another "+CMT:" in it is collected
        // too, so that both messages are delivered instead of the collection never ending.
        cmtBuffer += text;
        inCmt = false;
        work = cmtBuffer;
        taken = true;
    }
    for (;;) {
        const size_t at = work.find(CmtTag);
        if (at == std::string::npos)
            break;
        inCmt = true;
        cmtBuffer = work.substr(at);
        taken = true;
        const size_t first = cmtBuffer.find("\r\n");
        const size_t second =
            first == std::string::npos ? std::string::npos : cmtBuffer.find("\r\n", first + 2);
        if (second == std::string::npos)
            break;
        const std::string message = cmtBuffer.substr(0, second);
        work = cmtBuffer.substr(second + 2);
        inCmt = false;
        cmtBuffer.clear();
        hooks->HandleIncomingSms(message);
    }
    boundCmt();
    return taken ? std::string() : text;
}

void ReceiveProcessor::Abandon()
{
    commandBuffer.clear();
    smsBuffer.clear();
    capturedListing.clear();
    cmtBuffer.clear();
    inCmt = false;
}
