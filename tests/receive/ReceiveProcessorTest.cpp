#include "ReceiveProcessor.h"
#include "ReceiveHooks.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

class FakeHooks : public ReceiveHooks
{
public:
    std::vector<std::string> calls;
    std::vector<std::string> messages;
    int retries = 0;
    int interval = 1000;
    bool timerOn = false;
    int smsDisplay = -1;

    void EnableSmsButtons() override { calls.push_back("enable"); }
    void EndIndicationRequest() override { calls.push_back("end-request"); }
    int IndicationRetryCount() const override { return retries; }
    void setIndicationRetryCount(int count) override { retries = count; }
    void HandleIncomingSms(const std::string &text) override { messages.push_back(text); }
    void selectSmsViewItem(int index) override { calls.push_back("view " + std::to_string(index)); }
    int requestSmsTimerInterval() const override { return interval; }
    void setRequestSmsTimerInterval(int ms) override { interval = ms; }
    bool requestSmsTimerEnabled() const override { return timerOn; }
    void setRequestSmsTimerEnabled(bool enabled) override { timerOn = enabled; }
    void setSmsDisplay(bool on) override { smsDisplay = on; }
    void closeMsgBoxIfShowing() override { calls.push_back("close-box"); }
    void clickMsgBoxCloseB() override { calls.push_back("click-close"); }
    void showMsgBoxWithSmsTexts() override { calls.push_back("show-box"); }

    bool called(const std::string &what) const
    {
        return std::find(calls.begin(), calls.end(), what) != calls.end();
    }
};

// The recognised (not -100) SMS results of feeding chunks in order, and the command states.
struct Outcome
{
    std::vector<int> sms;
    std::vector<int> states;
};

Outcome feed(ReceiveProcessor &p, const std::vector<std::string> &chunks)
{
    Outcome o;
    for (const std::string &c : chunks) {
        const int r = p.RecogniseSmsResponse(c);
        if (r != -100)
            o.sms.push_back(r);
        o.states.push_back(p.DetectCommandState(c));
    }
    return o;
}

// Runs check on a fresh processor for the exchange whole and split at every boundary.
void everySplit(const std::string &exchange,
                const std::function<void(FakeHooks &, ReceiveProcessor &)> &setup,
                const std::function<void(const FakeHooks &, const ReceiveProcessor &,
                                         const Outcome &, const std::string &)> &check)
{
    for (size_t cut = 0; cut <= exchange.size(); ++cut) {
        FakeHooks hooks;
        ReceiveProcessor p(&hooks);
        setup(hooks, p);
        std::vector<std::string> chunks{exchange.substr(0, cut), exchange.substr(cut)};
        const Outcome o = feed(p, chunks);
        check(hooks, p, o, "split at " + std::to_string(cut));
    }
}

const auto noSetup = [](FakeHooks &, ReceiveProcessor &) {};

} // namespace

TEST(CommandState, DialEchoIsBusyThenFinalResult)
{
    FakeHooks hooks;
    ReceiveProcessor p(&hooks);
    EXPECT_EQ(p.DetectCommandState("ATD12345\r"), 1);
    EXPECT_TRUE(p.CommandBuffer().empty());
    EXPECT_EQ(p.DetectCommandState("\r\nNO CARRIER\r\n"), 2);

    EXPECT_EQ(p.DetectCommandState("\r\nO"), 0);
    EXPECT_EQ(p.DetectCommandState("K\r\n"), 2);
    EXPECT_TRUE(p.CommandBuffer().empty());

    EXPECT_EQ(p.DetectCommandState("ATDL\r\r\n"), 2); // redial echo alone is final
    EXPECT_EQ(p.DetectCommandState("\r\nCONNECT 19200"), 1);
    EXPECT_EQ(p.DetectCommandState("\r\n> "), 1); // message text prompt
    EXPECT_EQ(p.DetectCommandState("\bhello"), 0);
    EXPECT_EQ(p.CommandBuffer(), "HELLO");
    EXPECT_EQ(p.DetectCommandState("\r\nbusy\r\n"), 2); // upper-cased before matching
}

TEST(CommandState, FinalResultFoundAtEverySplit)
{
    const std::string exchange = "\r\nNO ANSWER\r\n";
    for (size_t cut = 0; cut <= exchange.size(); ++cut) {
        FakeHooks hooks;
        ReceiveProcessor p(&hooks);
        const Outcome o = feed(p, {exchange.substr(0, cut), exchange.substr(cut)});
        // A chunk ending in a carriage return reads as the echo of a command being sent.
        const int expected = cut == exchange.size() - 1 ? 1 : 2;
        EXPECT_EQ(std::count(o.states.begin(), o.states.end(), expected), 1) << cut;
    }
}

TEST(SmsResponse, IndicationAcceptedInLowerCaseAcrossChunks)
{
    for (const char *reply : {"\r\nOK\r\n", "0\r"}) {
        everySplit(
            std::string("at+cnmi=2,2\r") + reply,
            [](FakeHooks &h, ReceiveProcessor &) { h.timerOn = true; },
            [](const FakeHooks &h, const ReceiveProcessor &p, const Outcome &o,
               const std::string &where) {
                EXPECT_EQ(o.sms, std::vector<int>{1}) << where;
                EXPECT_EQ(h.smsDisplay, 1) << where;
                EXPECT_FALSE(h.timerOn) << where;
                EXPECT_TRUE(p.SmsBuffer().empty()) << where;
            });
    }
    FakeHooks hooks;
    ReceiveProcessor p(&hooks);
    EXPECT_EQ(p.RecogniseSmsResponse("AT+CNMI=1,1\r\r\nOK\r\n"), 1);
    EXPECT_EQ(hooks.smsDisplay, 0);
}

TEST(SmsResponse, IndicationRefusedRetriesWithTheStatusBox)
{
    everySplit("AT+CNMI=2,2\r\r\nERROR\r\n", noSetup,
               [](const FakeHooks &h, const ReceiveProcessor &p, const Outcome &o,
                  const std::string &where) {
                   EXPECT_TRUE(o.sms.empty()) << where;
                   EXPECT_TRUE(h.timerOn) << where;
                   EXPECT_TRUE(h.called("show-box")) << where;
                   EXPECT_TRUE(h.called("enable")) << where;
                   EXPECT_EQ(p.SmsBuffer().find("CNMI"), std::string::npos) << where;
               });
}

TEST(SmsResponse, SeventhBusyNetworkAnswerGivesUp)
{
    FakeHooks hooks;
    hooks.timerOn = true;
    hooks.interval = 8500;
    ReceiveProcessor p(&hooks);
    for (int i = 1; i <= 6; ++i) {
        const char *answer =
            i % 2 ? "AT+CNMI=2,2\r\r\n+CMS ERROR:322\r\n" : "AT+CNMI=2,2\r\r\n+CMS ERROR: 322\r\n";
        EXPECT_EQ(p.RecogniseSmsResponse(answer), -1) << i;
        EXPECT_EQ(hooks.interval, 1000);
    }
    EXPECT_FALSE(hooks.called("close-box"));
    EXPECT_EQ(p.RecogniseSmsResponse("AT+CNMI=2,2\r\r\n+CMS ERROR:322\r\n"), -5);
    EXPECT_EQ(hooks.retries, 0);
    EXPECT_TRUE(hooks.called("close-box"));

    hooks.interval = 5000;
    EXPECT_EQ(p.RecogniseSmsResponse("\r\n+cms error:322\r\n"), -1);
    EXPECT_EQ(hooks.interval, 1100);
    // An interval the rule does not know counts the retry but reports nothing.
    hooks.interval = 200;
    EXPECT_EQ(p.RecogniseSmsResponse("\r\n+CMS ERROR:322\r\n"), -100);
    EXPECT_EQ(hooks.retries, 2);
}

TEST(SmsResponse, SendResultsAndOtherErrors)
{
    struct Case
    {
        const char *text;
        bool timer;
        int expected;
    } cases[] = {
        {"\r\n+CMGS: 12\r\n\r\nOK\r\n", false, 0},
        {"\r\n+CMS ERROR:321\r\n", false, -6},
        {"\r\n+CMS ERROR:331\r\n", false, -2},
        {"\r\n+CMS ERROR:302\r\n", false, -3},
        {"\r\n+CMS ERROR:500\r\n", false, -4},
        {"\r\n+CMS ERROR:500\r\n", true, -1},
        // Most modems write one space after the colon.
        {"\r\n+CMS ERROR: 321\r\n", false, -6},
        {"\r\n+CMS ERROR: 331\r\n", false, -2},
        {"\r\n+CMS ERROR: 302\r\n", false, -3},
        {"\r\n+CMS ERROR: 500\r\n", false, -4},
    };
    for (const Case &c : cases) {
        everySplit(
            c.text, [&](FakeHooks &h, ReceiveProcessor &) { h.timerOn = c.timer; },
            [&](const FakeHooks &h, const ReceiveProcessor &p, const Outcome &o,
                const std::string &where) {
                ASSERT_EQ(o.sms.size(), 1u) << c.text << where;
                EXPECT_EQ(o.sms[0], c.expected) << c.text << where;
                EXPECT_EQ(p.SmsBuffer().find("+CM"), std::string::npos) << where;
                if (c.expected != 0) {
                    EXPECT_TRUE(h.called("enable"));
                }
            });
    }
    FakeHooks hooks;
    hooks.timerOn = true;
    ReceiveProcessor p(&hooks);
    EXPECT_EQ(p.RecogniseSmsResponse("\r\n+CMS ERROR:302\r\n"), -3);
    EXPECT_TRUE(hooks.called("end-request"));
    EXPECT_TRUE(hooks.called("click-close"));
    // A plain error empties the buffer so an old echo does not match later.
    EXPECT_EQ(p.RecogniseSmsResponse("ATX\r\r\nERROR\r\n"), -100);
    EXPECT_TRUE(p.SmsBuffer().empty());
}

TEST(SmsResponse, ListingsCapturedFromTheEcho)
{
    const std::string listing = "AT+CMGL=4\r\r\n+CMGL: 1,1,,23\r\n07911326040000F0\r\n\r\nOK\r\n";
    everySplit("junk" + listing, noSetup,
               [&](const FakeHooks &h, const ReceiveProcessor &p, const Outcome &o,
                   const std::string &where) {
                   EXPECT_EQ(o.sms, std::vector<int>{4}) << where;
                   EXPECT_EQ(p.CapturedListing(), listing) << where;
                   EXPECT_TRUE(h.called("view 4")) << where;
               });
    FakeHooks hooks;
    ReceiveProcessor p(&hooks);
    EXPECT_EQ(p.RecogniseSmsResponse("AT+CMGL=0\r\r\n+CMGL: 2,0,,23\r\nAB\r\n0\r"), 2);
    EXPECT_EQ(p.RecogniseSmsResponse("at+cmgl=1\r\r\n+cmgl: 2,0,,23\r\nab\r\n\r\nOK\r\n"), 3);
    EXPECT_EQ(p.CapturedListing(), "AT+CMGL=1\r\r\n+CMGL: 2,0,,23\r\nAB\r\n\r\nOK\r\n");
}

TEST(SmsResponse, EmptyListings)
{
    FakeHooks hooks;
    ReceiveProcessor p(&hooks);
    EXPECT_EQ(p.RecogniseSmsResponse("AT+CMGL=0\r\r\nOK\r\n"), 5);
    EXPECT_EQ(hooks.calls, (std::vector<std::string>{"end-request", "view 0"}));
    hooks.calls.clear();
    EXPECT_EQ(p.RecogniseSmsResponse("AT+CMGL=3\r0\r"), 5);
    EXPECT_EQ(hooks.calls, std::vector<std::string>{"view 3"});
}

TEST(IncomingSms, HeldUntilTheSecondLineArrives)
{
    const std::string exchange = "\r\n+CMT: ,24\r\n07911326040000F0040B911346610089F6\r\n";
    everySplit(exchange, noSetup,
               [](const FakeHooks &h, const ReceiveProcessor &p, const Outcome &,
                  const std::string &where) {
                   ASSERT_EQ(h.messages.size(), 1u) << where;
                   EXPECT_EQ(h.messages[0], "+CMT: ,24\r\n07911326040000F0040B911346610089F6")
                       << where;
                   EXPECT_FALSE(p.InCmt()) << where;
               });

    FakeHooks hooks;
    ReceiveProcessor p(&hooks);
    p.RecogniseSmsResponse("\r\n+CMT: ,5\r\nAAAA\r\n\r\n+CMT: ,6\r\nBBBB\r\n");
    EXPECT_EQ(hooks.messages, (std::vector<std::string>{"+CMT: ,5\r\nAAAA", "+CMT: ,6\r\nBBBB"}));
}

TEST(IncomingSms, SecondMessageWhileCollectingIsNotLost)
{
    FakeHooks hooks;
    ReceiveProcessor p(&hooks);
    p.RecogniseSmsResponse("\r\n+CMT: ,5\r\n");
    EXPECT_TRUE(p.InCmt());
    p.RecogniseSmsResponse("AAAA\r\n\r\n+CMT: ,6\r\nBBBB\r\n");
    EXPECT_EQ(hooks.messages, (std::vector<std::string>{"+CMT: ,5\r\nAAAA", "+CMT: ,6\r\nBBBB"}));
    EXPECT_FALSE(p.InCmt());
    // And the extractor keeps working afterwards.
    p.RecogniseSmsResponse("\r\n+CMT: ,7\r\nCCCC\r\n");
    EXPECT_EQ(hooks.messages.size(), 3u);

    // Called directly, text outside any message comes back untouched.
    EXPECT_EQ(p.ExtractUnsolicitedSms("\r\nOK\r\n"), "\r\nOK\r\n");
}

TEST(ReceiveBuffers, StayBoundedAndKeepTheNewestText)
{
    FakeHooks hooks;
    ReceiveProcessor p(&hooks);
    const std::string line = "The quick brown fox jumps over the lazy dog\r\n";
    for (int i = 0; i < 5000; ++i) {
        p.RecogniseSmsResponse(line);
        p.DetectCommandState("x");
    }
    EXPECT_LE(p.SmsBuffer().size(), ReceiveProcessor::BufferLimit);
    EXPECT_LE(p.CommandBuffer().size(), ReceiveProcessor::BufferLimit);
    EXPECT_EQ(p.RecogniseSmsResponse("\r\n+CMGS: 3\r\n"), 0);

    // A message header whose second line never comes is dropped, not held for ever.
    p.RecogniseSmsResponse("\r\n+CMT: ,9");
    for (int i = 0; i < 3000; ++i)
        p.RecogniseSmsResponse(line.substr(0, 40));
    EXPECT_LE(p.CmtBuffer().size(), ReceiveProcessor::BufferLimit);
    p.RecogniseSmsResponse("\r\n+CMT: ,4\r\nDDDD\r\n");
    EXPECT_EQ(hooks.messages.back(), "+CMT: ,4\r\nDDDD");
}
