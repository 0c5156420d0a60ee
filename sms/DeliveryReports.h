#pragma once

#include "SmsRules.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

// Messages sent with a status report requested, and what became of them: each report is
// matched by its reference and number, and a message is settled once every part is.
// No user interface and no port: the SMS window and the command line both feed it.
class DeliveryReports
{
public:
    enum class State
    {
        Waiting,
        Delivered,
        NotDelivered
    };

    struct Message
    {
        std::string number;          // as the reports give it: "+" for international
        std::vector<int> references; // TP-MR of each part, as the handset confirmed them
        std::string sentAt;          // when the handset confirmed it, as the caller writes it
        std::string identity;        // how the log names the message (its text, shortened)
        std::vector<int> partStates; // per part: 0 waiting, 1 delivered, 2 not delivered
        State state = State::Waiting;
        std::string reason; // of the first part not delivered
        std::string time;   // the network's time of the last settled part
    };

    // A number as the PDU carries it: type of address then digits ("91" international).
    static std::string ReportNumber(const std::string &address);

    // Called once per message when its last part settles, after the log entry was made.
    std::function<void(const Message &)> settled;

    // Remembers a sent message; reports that came before it are applied now.
    void add(const std::string &number, const std::vector<int> &references,
             const std::string &sentAt, const std::string &identity);

    // Applies one report; true when it belongs to a message sent here (a repeat included).
    // A report not final yet ("still trying") changes nothing.
    bool feed(const smsrules::DeliveryReport &report);

    // Newest last; at most Kept messages.
    const std::deque<Message> &recent() const { return m_messages; }
    static constexpr size_t Kept = 20;

    // How the log names a message: its first line, shortened to whole characters.
    static std::string Identity(const std::string &text);
    // "[DELIVERED]" or "[NOT DELIVERED]" entry of the SMS log for a settled message.
    static std::string LogEntry(const Message &message);
    // "waiting", "delivered 10:00", "not delivered: validity period expired".
    static std::string StateText(const Message &message);

    // Where settled messages are logged: returns false with a reason when the append failed.
    std::function<bool(const std::string &entry)> log;

private:
    bool apply(Message &message, const smsrules::DeliveryReport &report);

    std::deque<Message> m_messages;
    std::deque<smsrules::DeliveryReport> m_early; // final reports no sent message matched yet
};
