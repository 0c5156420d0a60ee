#pragma once

#include <map>
#include <string>
#include <vector>

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

    // The "+CMGL:" and PDU lines for stat 0-3, or every message for 4; unread ones become read.
    std::vector<std::string> list(int stat);

    // Octets after the service-centre field, the figure the SMS commands report.
    static int tpduLength(const std::string &pdu);

    // The SMS-DELIVER PDUs of a message from an international number: one, or linked parts
    // sharing reference when the UTF-8 text needs more than one message. GSM 7-bit when the
    // text allows it, else UCS2.
    static std::vector<std::string> deliverPdus(const std::string &number, const std::string &text,
                                                const std::string &timeStamp, int reference);

    // What a handset checks of an SMS-SUBMIT before it sends it: the fields are all there and
    // the user data is as long as its length says and no longer than one message holds.
    struct Submit
    {
        std::string number; // destination digits
        std::string dcs;
        bool header = false;       // TP-UDHI
        std::string userData;      // TP-UDL and TP-UD
        std::string addressType;   // of the destination
        bool statusReport = false; // TP-SRR
        int linkReference = -1;    // of a part of a linked message (8-bit reference)
    };
    static bool readSubmit(const std::string &pdu, Submit &out);

    // The SMS-DELIVER a network hands over for a submitted message: the same user data, from
    // the given number.
    static std::string deliverFor(const Submit &sent, const std::string &from,
                                  const std::string &timeStamp);

    // The SMS-STATUS-REPORT the network sends about a submitted message (TP-ST status).
    static std::string statusReportFor(int reference, const Submit &sent,
                                       const std::string &timeStamp, int status);

private:
    std::map<int, Message> m_messages;
};

} // namespace tandrel::sim
