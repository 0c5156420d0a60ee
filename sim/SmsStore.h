#pragma once

#include <map>
#include <string>

namespace tandrel::sim {

// The handset's message storage in PDU mode: indexes from 1, the four stats of the
// SMS commands (0 received unread, 1 received read, 2 stored unsent, 3 stored sent).
class SmsStore
{
public:
    static constexpr int Capacity = 20;

    struct Message
    {
        int stat = 0;
        std::string pdu; // with its service-centre field
    };

    bool full() const { return int(m_messages.size()) >= Capacity; }
    int used() const { return int(m_messages.size()); }
    // The new index, or -1 when the storage is full.
    int add(int stat, const std::string &pdu);
    bool remove(int index);
    const Message *find(int index) const;
    // Reading a received unread message marks it read.
    void markRead(int index);

    // "+CMGL:" lines for stat 0-3, or every message for 4; unread ones become read.
    std::string list(int stat);

    // Octets after the service-centre field, the figure the SMS commands report.
    static int tpduLength(const std::string &pdu);

    // An SMS-DELIVER from an international number, text in the terminal's code page.
    static std::string deliverPdu(const std::string &number, const std::string &text,
                                  const std::string &timeStamp);

private:
    std::map<int, Message> m_messages;
};

} // namespace tandrel::sim
