// The exchange layer against the answer forms real modems send, over a recording port and a
// clock the test moves.
#include "Exchange.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using modem::Command;
using modem::Exchange;
using modem::Reply;
using modem::Result;

namespace {

struct Port
{
    Port()
    {
        static int argc = 1;
        static char name[] = "test";
        static char *argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        exchange.setWriter([this](const QByteArray &b) { wire += b.toStdString(); });
        exchange.setDisplay([this](const QByteArray &b) { shown += b.toStdString(); });
        exchange.setClock([this] { return now; });
        exchange.opened();
    }
    // Hands the bytes over one at a time when split, as the worst port would.
    void say(const std::string &bytes, bool split = false)
    {
        const size_t piece = split ? 1 : bytes.size();
        for (size_t at = 0; at < bytes.size(); at += piece)
            exchange.received(QByteArray::fromStdString(bytes.substr(at, piece)));
    }
    Reply *ask(const std::string &line, int timeoutMs = 1000, bool shown = true)
    {
        Reply *r = replies.emplace_back(std::make_unique<Reply>()).get();
        Command c;
        c.line = line;
        c.timeoutMs = timeoutMs;
        c.shown = shown;
        c.done = [r](const Reply &reply) {
            *r = reply;
            r->finalLine += "|done";
        };
        exchange.submit(std::move(c));
        return r;
    }
    void later(qint64 ms)
    {
        now += ms;
        exchange.expire();
    }
    Exchange exchange;
    std::string wire, shown;
    qint64 now = 0;
    std::vector<std::unique_ptr<Reply>> replies;
};

bool ended(const Reply *r)
{
    return r->finalLine.ends_with("|done");
}

} // namespace

// Every result code in both forms (V.250 table 1), with each line end a modem may use, echo
// on or off, whole or cut at every byte: each ends the command at once with the right result.
TEST(Exchange, FinalResultsInEveryForm)
{
    const std::tuple<const char *, const char *, Result> forms[] = {
        {"OK", "0", Result::Ok},
        {"CONNECT 9600", "1", Result::Connect},
        {"NO CARRIER", "3", Result::NoCarrier},
        {"ERROR", "4", Result::Error},
        {"NO DIALTONE", "6", Result::NoDialtone},
        {"BUSY", "7", Result::Busy},
        {"NO ANSWER", "8", Result::NoAnswer},
        {"+CME ERROR: 10", "+CME ERROR:SIM not inserted", Result::CmeError},
        {"+CMS ERROR:322", "+CMS ERROR: 500", Result::CmsError},
        {"COMMAND NOT SUPPORT", "MODEM ERROR: 3", Result::Error},
    };
    const char *ends[] = {"\r\n", "\r", "\n"};
    for (const auto &[verbose, numeric, result] : forms)
        for (bool numericForm : {false, true})
            for (const char *end : ends)
                for (bool echo : {true, false})
                    for (bool split : {false, true}) {
                        Port port;
                        Reply *r = port.ask("AT+CSQ");
                        const std::string code = numericForm ? numeric : verbose;
                        // Numeric results end with CR alone, whatever the text lines use.
                        const bool digits = code.size() == 1;
                        port.say((echo ? "AT+CSQ\r" : "") + std::string(end) + "+CSQ:4" + end +
                                     (digits ? "" : end) + code + (digits ? "\r" : end),
                                 split);
                        SCOPED_TRACE(code + (echo ? " echo" : "") + (split ? " split" : "") +
                                     " end " + std::to_string(std::string(end).size()));
                        ASSERT_TRUE(ended(r));
                        EXPECT_EQ(std::tie(r->result, r->lines),
                                  std::tuple(result, std::vector<std::string>{"+CSQ:4"}));
                    }
}

// One command in flight, the next sent only once the first has its result; an unsolicited
// line in the middle of an answer goes to its handler and not into the answer.
TEST(Exchange, QueueOrderAndUnsolicitedLinesInTheMiddle)
{
    Port port;
    std::vector<std::vector<std::string>> messages;
    port.exchange.onUnsolicited(
        "+CMT:", 1, [&](const std::vector<std::string> &lines) { messages.push_back(lines); });
    Reply *first = port.ask("AT+CMGL=4");
    Reply *second = port.ask("AT+CSQ");
    EXPECT_EQ(port.wire, "AT+CMGL=4\r");
    EXPECT_TRUE(port.exchange.busy());
    port.say("AT+CMGL=4\r\r\n+CMGL: 1,1,,5\r\n+CMT: ,24\r\n0791AB\r\n0011AA\r\nOK\r");
    port.say("\n");
    ASSERT_TRUE(ended(first));
    EXPECT_EQ(first->lines, (std::vector<std::string>{"+CMGL: 1,1,,5", "0011AA"}));
    EXPECT_EQ(messages, (std::vector<std::vector<std::string>>{{"+CMT: ,24", "0791AB"}}));
    EXPECT_EQ(port.wire, "AT+CMGL=4\rAT+CSQ\r");
    port.say("+CSQ:5\r\n\r\nOK\r\n");
    EXPECT_TRUE(ended(second));
    EXPECT_FALSE(port.exchange.busy());
}

// A command the operator types goes ahead of the queue's next; an answer that never comes
// ends in the time-out; a late answer after it ends nothing else; the port closing cuts off
// whatever still waits.
TEST(Exchange, TypedCommandsTimeOutsLateAnswersAndCutOff)
{
    Port port;
    std::vector<std::string> typedLines;
    QObject::connect(&port.exchange, &Exchange::typedAnswered,
                     [&](const std::string &line, const Reply &) { typedLines.push_back(line); });
    port.exchange.typed("at+cs\bsq\r");
    Reply *queued = port.ask("AT+CREG?", 5000);
    EXPECT_EQ(port.wire, ""); // it waits for the typed command's result
    port.say("+CSQ:2\r\n0\r");
    EXPECT_EQ(typedLines, std::vector<std::string>{"at+csq"});
    EXPECT_EQ(port.wire, "AT+CREG?\r");

    port.later(5000);
    ASSERT_TRUE(ended(queued));
    EXPECT_EQ(queued->end, Reply::End::TimedOut);
    Reply *next = port.ask("AT");
    port.say("\r\n+CREG: 0,1\r\n");
    port.say("\r\nOK\r\n"); // the late answer of AT+CREG? is AT's
    EXPECT_TRUE(ended(next));

    // With verbose answers seen, a lone digit is information, not a result.
    Reply *digit = port.ask("AT+SBDD0");
    port.say("\r\n0\r\n");
    EXPECT_FALSE(ended(digit));
    port.say("\r\nOK\r\n");
    EXPECT_TRUE(ended(digit));

    Reply *cut = port.ask("AT+SBDI", 60000);
    Reply *waiting = port.ask("AT+CSQ");
    port.exchange.closed();
    EXPECT_EQ(std::tie(cut->end, cut->sent, waiting->end, waiting->sent),
              std::tuple(Reply::End::CutOff, true, Reply::End::CutOff, false));
    EXPECT_FALSE(port.exchange.busy());
}

// A poll's answer is not shown; what arrives in the middle of it that is no part of it is.
TEST(Exchange, HiddenAnswersAndCalls)
{
    Port port;
    int rings = 0;
    port.exchange.onUnsolicited("RING", 0, [&](const std::vector<std::string> &) { ++rings; });
    port.say("\r\nRING\r\n");
    EXPECT_EQ(rings, 1);
    port.shown.clear();
    Reply *poll = port.ask("AT+CSQ", 1000, false);
    port.say("AT+CSQ\r\r\n+CSQ:3\r\n\r\nRING\r\n\r\nOK\r\nrest");
    EXPECT_EQ(std::tuple(ended(poll), rings, port.shown),
              std::tuple(true, 2, std::string("\r\nRING\r\nrest")));

    port.exchange.typed("ATD0088160000500\r");
    port.say("\r\nCONNECT 9600\r\n");
    EXPECT_TRUE(port.exchange.callUp());
    Reply *held = port.ask("AT+CSQ");
    port.say("OK\r\n"); // data of the call, not an answer
    EXPECT_FALSE(ended(held));
    port.say("\r\nNO CARRIER\r\n");
    EXPECT_FALSE(port.exchange.callUp());
    EXPECT_EQ(port.wire, "AT+CSQ\rAT+CSQ\r");
    port.say("\r\nOK\r\n");
    EXPECT_TRUE(ended(held));

    // A voice call answers OK; the hang-up's OK ends it, not its echo.
    port.exchange.typed("ATD0088160000500;\r");
    port.say("\r\nOK\r\n");
    EXPECT_TRUE(port.exchange.callUp());
    port.exchange.typed("ATH\r");
    port.say("ATH\r");
    EXPECT_TRUE(port.exchange.callUp());
    port.say("\r\nOK\r\n");
    EXPECT_FALSE(port.exchange.callUp());
}
