// Received text arrives in chunks cut wherever the port's timing falls, so the input is fed
// in pieces the fuzzer chooses, the way the main window feeds it, and after every piece the
// processor must still keep the promises its header makes.
//
// Input: byte 0 holds the number of plan bytes (low four bits) and the starting timer state
// of the hooks (high four bits); then the plan bytes; the rest is the received text. Each plan
// byte gives a chunk length of 1 to 64 (low six bits), 0x40 forgets everything before the
// chunk as a closed port does, and 0x80 feeds the chunk many times over, which is how short
// inputs reach the buffer limits (twice at most). The plan repeats until the text is used up.
#include "ReceiveHooks.h"
#include "ReceiveProcessor.h"
#include "ScanText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

// Records what the processor asks of the windows and checks that the requests make sense.
class RecordingHooks : public ReceiveHooks
{
public:
    int retries = 0;
    int interval = 1000;
    bool timerOn = false;
    int messages = 0;

    void EnableSmsButtons() override {}
    void EndIndicationRequest() override {}
    int IndicationRetryCount() const override { return retries; }
    void setIndicationRetryCount(int count) override { retries = count; }
    void HandleIncomingSms(const std::string &text) override
    {
        // A delivery is a whole message: the header and the line after it.
        check(text.rfind("+CMT:", 0) == 0);
        check(text.find("\r\n") != std::string::npos);
        ++messages;
    }
    void selectSmsViewItem(int index) override { check(index >= 0 && index <= 4); }
    int requestSmsTimerInterval() const override { return interval; }
    void setRequestSmsTimerInterval(int ms) override { interval = ms; }
    bool requestSmsTimerEnabled() const override { return timerOn; }
    void setRequestSmsTimerEnabled(bool enabled) override { timerOn = enabled; }
    void setSmsDisplay(bool) override {}
    void closeMsgBoxIfShowing() override {}
    void clickMsgBoxCloseB() override {}
    void showMsgBoxWithSmsTexts() override {}
};

// Scanning whole buffers after every call would cost more than the code under test; its
// comparisons give the fuzzer nothing, so they are left uninstrumented.
__attribute__((no_sanitize("coverage"))) bool heldForm(const std::string &buffer)
{
    for (char c : buffer) {
        if (c == 8 || (c >= 'a' && c <= 'z'))
            return false;
    }
    return true;
}

// The bounds after every call; the contents, a pass over each buffer, when full.
void checkProcessor(const ReceiveProcessor &p, bool full)
{
    check(p.CommandBuffer().size() <= ReceiveProcessor::BufferLimit);
    check(p.SmsBuffer().size() <= ReceiveProcessor::BufferLimit);
    check(p.CmtBuffer().size() <= ReceiveProcessor::BufferLimit);
    check(p.InCmt() || p.CmtBuffer().empty());
    if (!full)
        return;
    check(heldForm(p.CommandBuffer()));
    check(heldForm(p.SmsBuffer()));
    if (p.InCmt()) {
        // Still waiting: a header whose message line has not ended yet.
        const std::string &cmt = p.CmtBuffer();
        check(cmt.rfind("+CMT:", 0) == 0);
        const size_t first = cmt.find("\r\n");
        check(first == std::string::npos || cmt.find("\r\n", first + 2) == std::string::npos);
    }
}

bool knownSmsResult(int r)
{
    return r == -100 || (r >= -6 && r <= 5);
}

// The searches the buffers remember must find what a plain search of the same text finds.
// A small limit makes the trimming happen often.
class ScanCheck
{
public:
    void append(std::string_view chunk)
    {
        m_scan.append(chunk);
        m_model = ReceiveProcessor::ToUpperText(
            ReceiveProcessor::ApplyBackspaces(m_model + std::string(chunk)));
        if (m_model.size() > Limit)
            m_model.erase(0, m_model.size() - Limit / 2);
        check(m_scan.str() == m_model);
        check(m_scan.back() == (m_model.empty() ? '\0' : m_model.back()));
    }

    void search(size_t from)
    {
        // Each pattern keeps its starting point between chunks, as the processor's do, so the
        // remembered progress is what gets tested; one pattern moves to exercise the reset.
        static const char *const fixed[] = {"OK\r\n", "+CMT:", "\r\n", "AT+CMGL=", "ERROR", "A"};
        for (const char *pattern : fixed)
            check(m_scan.find(pattern) == m_model.find(pattern));
        static const char *const moving = "\r";
        check(m_scan.find(moving, from) == m_model.find(moving, from));
        check(m_scan.endsWith("> ") ==
              (m_model.size() >= 2 && m_model.substr(m_model.size() - 2) == "> "));
    }

private:
    static constexpr size_t Limit = 512;
    ScanText m_scan{Limit};
    std::string m_model;
};

constexpr int IntervalChoices[] = {8500, 1000, 500, 5000, 1100, 2000};
// A repeated chunk is fed until a little more than a buffer's limit has gone in, at most twice
// per input, which keeps each run short.
constexpr size_t RepeatBytes = ReceiveProcessor::BufferLimit + 4096;
constexpr int RepeatsAllowed = 2;
constexpr size_t RepeatBlock = 1024;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t planSize = std::min<size_t>(data[0] & 0x0F, size - 1);
    const int start = data[0] >> 4;
    const uint8_t *plan = data + 1;
    const std::string_view text(reinterpret_cast<const char *>(data + 1 + planSize),
                                size - 1 - planSize);

    RecordingHooks hooks;
    hooks.interval = IntervalChoices[start % 6];
    hooks.timerOn = start >= 8;
    ReceiveProcessor p(&hooks);
    ScanCheck scan;

    size_t at = 0;
    size_t step = 0;
    int repeats = 0;
    while (at < text.size()) {
        size_t length = text.size() - at;
        bool repeat = false;
        if (planSize > 0) {
            const uint8_t b = plan[step++ % planSize];
            length = std::min<size_t>((b & 0x3F) + 1, length);
            if (b & 0x40)
                p.Abandon();
            repeat = (b & 0x80) && repeats < RepeatsAllowed;
            repeats += repeat;
        }
        const std::string chunk(text.substr(at, length));
        at += length;
        // Repeats go in blocks of about a kilobyte: a call per byte would make the run slow.
        std::string block = chunk;
        while (repeat && block.size() < RepeatBlock)
            block += chunk;
        const size_t times = repeat ? (RepeatBytes + block.size() - 1) / block.size() : 1;
        for (size_t i = 0; i < times; ++i) {
            const int sms = p.RecogniseSmsResponse(block);
            check(knownSmsResult(sms));
            // The listing handed to the window starts at the command's echo.
            if (sms >= 2 && sms <= 4)
                check(p.CapturedListing().rfind("AT+CMGL=", 0) == 0);
            const int state = p.DetectCommandState(block);
            check(state >= 0 && state <= 2);
            // A repeated block only appends the same text again, so a sample of the calls will do.
            checkProcessor(p, i % 16 == 0 || i + 1 == times);
        }
        scan.append(chunk);
        scan.search(static_cast<size_t>(static_cast<unsigned char>(chunk[0])));
    }
    return 0;
}
