#include "SbdReply.h"
#include "Exchange.h"
#include "MessageBytes.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using Command = SbdReply::Command;
using State = SbdReply::State;

namespace {

// The answer through the exchange as the SBD window sends the command, in the pieces given;
// the reply as it stands once they are read.
std::shared_ptr<SbdReply> through(Command command, const std::string &line,
                                  const std::vector<std::string> &pieces)
{
    static int argc = 1;
    static char name[] = "test";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    modem::Exchange exchange;
    exchange.setWriter([](const QByteArray &) {});
    exchange.opened();
    auto reply = std::make_shared<SbdReply>(command, line);
    modem::Command c;
    c.line = line;
    c.claims = [reply](const std::string &l) { return reply->line(l); };
    if (command == Command::ReadBinary)
        c.binary = [reply](const QByteArray &b) {
            return reply->binary(std::string_view(b.constData(), size_t(b.size())));
        };
    if (command == Command::WriteBinary) {
        c.payload = "bytes";
        c.prompt = "READY";
    }
    c.done = [reply](const modem::Reply &a) {
        if (a.answered())
            reply->finish(a.ok(), a.finalLine);
    };
    exchange.submit(std::move(c));
    for (const std::string &piece : pieces)
        exchange.received(QByteArray::fromStdString(piece));
    return reply;
}

// What the window learns from the reply: its state, then the status of a binary write, the
// session or buffer status told to the operator, the message read, or the error.
std::string outcome(Command command, const SbdReply &r)
{
    std::string out = r.state() == State::Done     ? "done"
                      : r.state() == State::Failed ? "failed"
                                                   : "waiting";
    if (command == Command::WriteBinary)
        out += " " + std::to_string(r.status());
    if (r.state() == State::Done && command == Command::Session)
        out += ": " + sbd::describeSession(r.session());
    if (r.state() == State::Done && command == Command::Status)
        out += ": " + sbd::describeStatus(r.bufferStatus());
    if (!r.message().empty())
        out += " [" + r.message() + "]";
    if (!r.error().empty())
        out += ": " + r.error();
    return out;
}

} // namespace

TEST(SbdReply, EveryAnswerWholeAndSplitAtEveryByte)
{
    // The message holds line breaks and an "OK" line of its own, and a zero byte.
    const std::string message("A\r\nOK\r\n\0z", 9), big(270, '\xA5');
    const std::string notTaken = "The handset did not take the message: ";
    const struct
    {
        const char *name;
        Command command;
        std::string line, answer, outcome;
    } rows[] = {
        {"session over echo and RING", Command::Session, "AT+SBDI",
         "AT+SBDI\r\r\nRING\r\n\r\n+SBDI: 1, 5, 1, 12, 28, 2\r\n\r\nOK\r\n",
         "done: The message was sent (MOMSN 5). A message of 28 bytes was received (MTMSN 12). 2 "
         "more messages wait at the gateway."},
        {"OK alone is no session", Command::Session, "AT+SBDI", "\r\nOK\r\n",
         "failed: The handset answered AT+SBDI with OK but without its data."},
        {"session refused", Command::Session, "AT+SBDI", "AT+SBDI\r\r\nERROR\r\n",
         "failed: The handset answered ERROR to AT+SBDI."},
        {"session without OK", Command::Session, "AT+SBDI",
         "AT+SBDI\r\r\n+SBDI: 1, 5, 1, 12, 28, 2\r\n", "waiting"},
        {"binary write taken", Command::WriteBinary, "AT+SBDWB=5",
         "AT+SBDWB=5\r\r\nREADY\r\n\r\n0\r\n\r\nOK\r\n", "done 0"},
        {"binary write timed out", Command::WriteBinary, "AT+SBDWB=5",
         "AT+SBDWB=5\r\r\nREADY\r\n\r\n1\r\n\r\nOK\r\n",
         "failed 1: " + notTaken + "Timeout: not enough bytes reached the handset."},
        {"binary write wrong sum", Command::WriteBinary, "AT+SBDWB=5",
         "AT+SBDWB=5\r\r\nREADY\r\n\r\n2\r\n\r\nOK\r\n",
         "failed 2: " + notTaken + "The checksum does not match the message bytes."},
        {"binary write too long", Command::WriteBinary, "AT+SBDWB=3000",
         "AT+SBDWB=3000\r\r\n3\r\n\r\nOK\r\n",
         "failed 3: " + notTaken +
             "The length is out of range (0 or larger than the handset's buffer)."},
        {"text read", Command::ReadText, "AT+SBDRT",
         "AT+SBDRT\r\r\n+SBDRT:\r\nOK then, 12N 45W\r\n\r\nOK\r\n", "done [OK then, 12N 45W]"},
        {"text read of a lone digit", Command::ReadText, "AT+SBDRT",
         "\r\n+SBDRT:\r\n0\r\n\r\nOK\r\n", "done [0]"},
        {"text read of an empty buffer", Command::ReadText, "AT+SBDRT",
         "AT+SBDRT\r\r\n+SBDRT:\r\n\r\n\r\nOK\r\n", "done"},
        {"binary read", Command::ReadBinary, "AT+SBDRB",
         "AT+SBDRB\r" + testbytes::sbdFrame(message) + "\r\nOK\r\n", "done [" + message + "]"},
        {"binary read around rings", Command::ReadBinary, "AT+SBDRB",
         "\r\nRING\r\nAT+SBDRB\r\r\nRING\r\n" + testbytes::sbdFrame(message) + "\r\nOK\r\n",
         "done [" + message + "]"},
        {"binary read of 270 bytes", Command::ReadBinary, "AT+SBDRB",
         testbytes::sbdFrame(big) + "\r\nOK\r\n", "done [" + big + "]"},
        {"binary read with a wrong sum", Command::ReadBinary, "AT+SBDRB",
         "AT+SBDRB\r" + testbytes::sbdFrame("hello", 1) + "\r\nOK\r\n",
         "failed: The message read from the handset is damaged: its checksum does not match. It "
         "was not shown or logged; read it again."},
        {"binary read of an empty buffer", Command::ReadBinary, "AT+SBDRB",
         "AT+SBDRB\r" + testbytes::sbdFrame("") + "\r\nOK\r\n", "done"},
        {"binary read refused", Command::ReadBinary, "AT+SBDRB", "AT+SBDRB\r\r\nERROR\r\n",
         "failed: The handset answered ERROR to AT+SBDRB."},
        {"binary read cut short", Command::ReadBinary, "AT+SBDRB",
         "AT+SBDRB\r" + testbytes::sbdFrame(big).substr(0, 200), "waiting"},
        {"clear", Command::Clear, "AT+SBDD2", "AT+SBDD2\r\r\n0\r\n\r\nOK\r\n", "done"},
        {"clear failed", Command::Clear, "AT+SBDD2", "\r\n1\r\n\r\nOK\r\n",
         "failed: The handset reported an error (status 1) for AT+SBDD2."},
        {"reset MOMSN", Command::ResetMomsn, "AT+SBDC", "AT+SBDC\r\r\n0\r\n\r\nOK\r\n", "done"},
        {"buffer status", Command::Status, "AT+SBDS",
         "AT+SBDS\r\r\n+SBDS: 1, 5, 1, 12\r\n\r\nOK\r\n",
         "done: A message waits to be sent (next MOMSN 5); a received message is held (MTMSN 12)."},
        {"text write", Command::WriteText, "AT+SBDWT=\"hi\"", "AT+SBDWT=\"hi\"\r\r\nOK\r\n",
         "done"},
        {"text write refused", Command::WriteText, "AT+SBDWT=\"hi\"", "\r\n+CME ERROR: 4\r\n",
         "failed: The handset answered +CME ERROR: 4 to AT+SBDWT=\"hi\"."},
    };
    // Each answer whole and split at every boundary, then byte by byte.
    for (const auto &row : rows) {
        const auto check = [&row](const std::vector<std::string> &pieces, const std::string &how) {
            EXPECT_EQ(outcome(row.command, *through(row.command, row.line, pieces)), row.outcome)
                << row.name << ", " << how;
        };
        for (size_t cut = 0; cut <= row.answer.size(); ++cut)
            check({row.answer.substr(0, cut), row.answer.substr(cut)},
                  "split at " + std::to_string(cut));
        std::vector<std::string> bytes;
        for (char c : row.answer)
            bytes.emplace_back(1, c);
        check(bytes, "byte by byte");
    }
}
