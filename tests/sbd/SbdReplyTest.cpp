#include "SbdReply.h"
#include "Exchange.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <functional>

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

std::shared_ptr<SbdReply> through(Command command, const std::string &line,
                                  const std::string &answer)
{
    return through(command, line, std::vector<std::string>{answer});
}

// Feeds the answer whole and split at every boundary; check sees each outcome.
void everySplit(Command command, const std::string &line, const std::string &answer,
                const std::function<void(const SbdReply &, const std::string &)> &check)
{
    for (size_t cut = 0; cut <= answer.size(); ++cut)
        check(*through(command, line, {answer.substr(0, cut), answer.substr(cut)}),
              "split at " + std::to_string(cut));
    std::vector<std::string> bytes;
    for (char c : answer)
        bytes.emplace_back(1, c);
    check(*through(command, line, bytes), "byte by byte");
}

std::string binary(const std::string &message, uint16_t sum)
{
    std::string out;
    out += static_cast<char>(message.size() >> 8);
    out += static_cast<char>(message.size() & 0xFF);
    out += message;
    out += static_cast<char>(sum >> 8);
    out += static_cast<char>(sum & 0xFF);
    return out;
}

} // namespace

TEST(SbdReply, SessionAnswerPassesOverEchoAndUnsolicitedLines)
{
    everySplit(Command::Session, "AT+SBDI",
               "AT+SBDI\r\r\nRING\r\n\r\n+SBDI: 1, 5, 1, 12, 28, 2\r\n\r\nOK\r\n",
               [](const SbdReply &r, const std::string &where) {
                   ASSERT_EQ(r.state(), State::Done) << where;
                   EXPECT_EQ(r.session().momsn, 5) << where;
                   EXPECT_EQ(r.session().mtLength, 28) << where;
                   EXPECT_EQ(r.session().mtQueued, 2) << where;
               });
    // OK alone is not a session result; ERROR is reported with the command.
    EXPECT_EQ(through(Command::Session, "AT+SBDI", "\r\nOK\r\n")->state(), State::Failed);
    const auto error = through(Command::Session, "AT+SBDI", "AT+SBDI\r\r\nERROR\r\n");
    EXPECT_EQ(error->state(), State::Failed);
    EXPECT_EQ(error->error(), "The handset answered ERROR to AT+SBDI.");
    EXPECT_EQ(
        through(Command::Session, "AT+SBDI", "AT+SBDI\r\r\n+SBDI: 1, 5, 1, 12, 28, 2\r\n")->state(),
        State::Waiting);
}

TEST(SbdReply, BinaryWriteWaitsForReadyThenTheStatus)
{
    everySplit(Command::WriteBinary, "AT+SBDWB=5", "AT+SBDWB=5\r\r\nREADY\r\n\r\n0\r\n\r\nOK\r\n",
               [](const SbdReply &r, const std::string &where) {
                   EXPECT_EQ(r.state(), State::Done) << where;
                   EXPECT_EQ(r.status(), 0) << where;
               });
    for (int status : {1, 2, 3}) {
        const auto r = through(
            Command::WriteBinary, "AT+SBDWB=5",
            {"AT+SBDWB=5\r\r\nREADY\r\n", "\r\n" + std::to_string(status) + "\r\n\r\nOK\r\n"});
        EXPECT_EQ(r->state(), State::Failed);
        EXPECT_EQ(r->error(),
                  "The handset did not take the message: " + sbd::writeStatusText(status));
    }
    // A length the handset refuses is answered before any READY.
    const auto tooLong =
        through(Command::WriteBinary, "AT+SBDWB=3000", "AT+SBDWB=3000\r\r\n3\r\n\r\nOK\r\n");
    EXPECT_EQ(tooLong->state(), State::Failed);
    EXPECT_EQ(tooLong->status(), 3);
}

TEST(SbdReply, TextReadKeepsTheMessageWhole)
{
    everySplit(Command::ReadText, "AT+SBDRT",
               "AT+SBDRT\r\r\n+SBDRT:\r\nOK then, 12N 45W\r\n\r\nOK\r\n",
               [](const SbdReply &r, const std::string &where) {
                   ASSERT_EQ(r.state(), State::Done) << where;
                   EXPECT_EQ(r.message(), "OK then, 12N 45W") << where;
               });
    // A message that is a lone digit, and an empty buffer.
    everySplit(
        Command::ReadText, "AT+SBDRT", "\r\n+SBDRT:\r\n0\r\n\r\nOK\r\n",
        [](const SbdReply &r, const std::string &where) { EXPECT_EQ(r.message(), "0") << where; });
    everySplit(Command::ReadText, "AT+SBDRT", "AT+SBDRT\r\r\n+SBDRT:\r\n\r\n\r\nOK\r\n",
               [](const SbdReply &r, const std::string &where) {
                   ASSERT_EQ(r.state(), State::Done) << where;
                   EXPECT_EQ(r.message(), "") << where;
               });
}

TEST(SbdReply, BinaryReadIsTakenByLengthAndChecked)
{
    // The message holds line breaks and an "OK" line of its own, and a zero byte.
    const std::string message("A\r\nOK\r\n\0z", 9);
    everySplit(Command::ReadBinary, "AT+SBDRB",
               "AT+SBDRB\r" + binary(message, sbd::checksum(message)) + "\r\nOK\r\n",
               [&](const SbdReply &r, const std::string &where) {
                   ASSERT_EQ(r.state(), State::Done) << where;
                   EXPECT_EQ(r.message(), message) << where;
               });
    const std::string big(270, '\xA5');
    everySplit(
        Command::ReadBinary, "AT+SBDRB", binary(big, sbd::checksum(big)) + "\r\nOK\r\n",
        [&](const SbdReply &r, const std::string &where) { EXPECT_EQ(r.message(), big) << where; });
    // A wrong checksum is a failure and no data.
    everySplit(Command::ReadBinary, "AT+SBDRB",
               "AT+SBDRB\r" + binary("hello", 0x0215) + "\r\nOK\r\n",
               [](const SbdReply &r, const std::string &where) {
                   ASSERT_EQ(r.state(), State::Failed) << where;
                   EXPECT_EQ(r.message(), "") << where;
                   EXPECT_NE(r.error().find("checksum"), std::string::npos) << where;
               });
    everySplit(Command::ReadBinary, "AT+SBDRB", "AT+SBDRB\r" + binary("", 0) + "\r\nOK\r\n",
               [](const SbdReply &r, const std::string &where) {
                   EXPECT_EQ(r.state(), State::Done) << where;
               });
    everySplit(Command::ReadBinary, "AT+SBDRB", "AT+SBDRB\r\r\nERROR\r\n",
               [](const SbdReply &r, const std::string &where) {
                   EXPECT_EQ(r.state(), State::Failed) << where;
               });
    // Bytes missing: still waiting, never done.
    EXPECT_EQ(through(Command::ReadBinary, "AT+SBDRB",
                      "AT+SBDRB\r" + binary(big, sbd::checksum(big)).substr(0, 200))
                  ->state(),
              State::Waiting);
}

TEST(SbdReply, StatusDigitsAndPlainAnswers)
{
    everySplit(Command::Clear, "AT+SBDD2", "AT+SBDD2\r\r\n0\r\n\r\nOK\r\n",
               [](const SbdReply &r, const std::string &where) {
                   EXPECT_EQ(r.state(), State::Done) << where;
               });
    EXPECT_EQ(through(Command::Clear, "AT+SBDD2", "\r\n1\r\n\r\nOK\r\n")->state(), State::Failed);
    EXPECT_EQ(through(Command::ResetMomsn, "AT+SBDC", "AT+SBDC\r\r\n0\r\n\r\nOK\r\n")->state(),
              State::Done);
    everySplit(Command::Status, "AT+SBDS", "AT+SBDS\r\r\n+SBDS: 1, 5, 1, 12\r\n\r\nOK\r\n",
               [](const SbdReply &r, const std::string &where) {
                   ASSERT_EQ(r.state(), State::Done) << where;
                   EXPECT_EQ(r.bufferStatus().mtmsn, 12) << where;
               });
    EXPECT_EQ(
        through(Command::WriteText, "AT+SBDWT=\"hi\"", "AT+SBDWT=\"hi\"\r\r\nOK\r\n")->state(),
        State::Done);
    EXPECT_EQ(through(Command::WriteText, "AT+SBDWT=\"hi\"", "\r\n+CME ERROR: 4\r\n")->state(),
              State::Failed);
}
