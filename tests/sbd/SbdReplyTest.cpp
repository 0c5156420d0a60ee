#include "SbdReply.h"

#include <gtest/gtest.h>

#include <functional>

using Command = SbdReply::Command;
using State = SbdReply::State;

namespace {

// Feeds the answer whole and split at every boundary; check sees each outcome.
void everySplit(Command command, const std::string &line, const std::string &answer,
                const std::function<void(const SbdReply &, const std::string &)> &check)
{
    for (size_t cut = 0; cut <= answer.size(); ++cut) {
        SbdReply r(command, line);
        r.feed(answer.substr(0, cut));
        r.feed(answer.substr(cut));
        check(r, "split at " + std::to_string(cut));
    }
    SbdReply r(command, line);
    for (char c : answer)
        r.feed(std::string_view(&c, 1));
    check(r, "byte by byte");
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
    SbdReply bare(Command::Session, "AT+SBDI");
    EXPECT_EQ(bare.feed("\r\nOK\r\n"), State::Failed);
    SbdReply error(Command::Session, "AT+SBDI");
    EXPECT_EQ(error.feed("AT+SBDI\r\r\nERROR\r\n"), State::Failed);
    EXPECT_EQ(error.error(), "The handset answered ERROR to AT+SBDI.");
    SbdReply pending(Command::Session, "AT+SBDI");
    EXPECT_EQ(pending.feed("AT+SBDI\r\r\n+SBDI: 1, 5, 1, 12, 28, 2\r\n"), State::Waiting);
}

TEST(SbdReply, BinaryWriteWaitsForReadyThenTheStatus)
{
    everySplit(Command::WriteBinary, "AT+SBDWB=5", "AT+SBDWB=5\r\r\nREADY\r\n",
               [](const SbdReply &r, const std::string &where) {
                   EXPECT_EQ(r.state(), State::Ready) << where;
               });
    everySplit(Command::WriteBinary, "AT+SBDWB=5", "AT+SBDWB=5\r\r\nREADY\r\n\r\n0\r\n\r\nOK\r\n",
               [](const SbdReply &r, const std::string &where) {
                   EXPECT_EQ(r.state(), State::Done) << where;
                   EXPECT_EQ(r.status(), 0) << where;
               });
    for (int status : {1, 2, 3}) {
        SbdReply r(Command::WriteBinary, "AT+SBDWB=5");
        r.feed("AT+SBDWB=5\r\r\nREADY\r\n");
        EXPECT_EQ(r.feed("\r\n" + std::to_string(status) + "\r\n\r\nOK\r\n"), State::Failed);
        EXPECT_EQ(r.error(),
                  "The handset did not take the message: " + sbd::writeStatusText(status));
    }
    // A length the handset refuses is answered before any READY.
    SbdReply tooLong(Command::WriteBinary, "AT+SBDWB=3000");
    EXPECT_EQ(tooLong.feed("AT+SBDWB=3000\r\r\n3\r\n\r\nOK\r\n"), State::Failed);
    EXPECT_EQ(tooLong.status(), 3);
}

TEST(SbdReply, TextReadKeepsTheMessageWhole)
{
    everySplit(Command::ReadText, "AT+SBDRT",
               "AT+SBDRT\r\r\n+SBDRT:\r\nOK then, 12N 45W\r\n\r\nOK\r\n",
               [](const SbdReply &r, const std::string &where) {
                   ASSERT_EQ(r.state(), State::Done) << where;
                   EXPECT_EQ(r.message(), "OK then, 12N 45W") << where;
               });
    // A message that is itself "OK", and an empty buffer.
    everySplit(
        Command::ReadText, "AT+SBDRT", "\r\n+SBDRT:\r\nOK\r\n\r\nOK\r\n",
        [](const SbdReply &r, const std::string &where) { EXPECT_EQ(r.message(), "OK") << where; });
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
    SbdReply cut(Command::ReadBinary, "AT+SBDRB");
    EXPECT_EQ(cut.feed("AT+SBDRB\r" + binary(big, sbd::checksum(big)).substr(0, 200)),
              State::Waiting);
}

TEST(SbdReply, StatusDigitsAndPlainAnswers)
{
    everySplit(Command::Clear, "AT+SBDD2", "AT+SBDD2\r\r\n0\r\n\r\nOK\r\n",
               [](const SbdReply &r, const std::string &where) {
                   EXPECT_EQ(r.state(), State::Done) << where;
               });
    SbdReply clearFailed(Command::Clear, "AT+SBDD2");
    EXPECT_EQ(clearFailed.feed("\r\n1\r\n\r\nOK\r\n"), State::Failed);
    SbdReply reset(Command::ResetMomsn, "AT+SBDC");
    EXPECT_EQ(reset.feed("AT+SBDC\r\r\n0\r\n\r\nOK\r\n"), State::Done);
    everySplit(Command::Status, "AT+SBDS", "AT+SBDS\r\r\n+SBDS: 1, 5, 1, 12\r\n\r\nOK\r\n",
               [](const SbdReply &r, const std::string &where) {
                   ASSERT_EQ(r.state(), State::Done) << where;
                   EXPECT_EQ(r.bufferStatus().mtmsn, 12) << where;
               });
    SbdReply text(Command::WriteText, "AT+SBDWT=\"hi\"");
    EXPECT_EQ(text.feed("AT+SBDWT=\"hi\"\r\r\nOK\r\n"), State::Done);
    SbdReply refused(Command::WriteText, "AT+SBDWT=\"hi\"");
    EXPECT_EQ(refused.feed("\r\n+CME ERROR: 4\r\n"), State::Failed);
}
