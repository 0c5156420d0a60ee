#include "SmsStore.h"

#include "SmsPduCodec.h"

namespace tandrel::sim {

int SmsStore::add(int stat, const std::string &pdu)
{
    if (full())
        return -1;
    int index = 1;
    while (m_messages.count(index))
        ++index;
    m_messages[index] = {stat, pdu};
    return index;
}

bool SmsStore::remove(int index)
{
    return m_messages.erase(index) > 0;
}

const SmsStore::Message *SmsStore::find(int index) const
{
    const auto it = m_messages.find(index);
    return it == m_messages.end() ? nullptr : &it->second;
}

void SmsStore::markRead(int index)
{
    const auto it = m_messages.find(index);
    if (it != m_messages.end() && it->second.stat == 0)
        it->second.stat = 1;
}

std::string SmsStore::list(int stat)
{
    std::string out;
    for (auto &[index, m] : m_messages) {
        if (stat != 4 && m.stat != stat)
            continue;
        out += "\r\n+CMGL: " + std::to_string(index) + "," + std::to_string(m.stat) + ",," +
               std::to_string(tpduLength(m.pdu)) + "\r\n" + m.pdu;
        if (m.stat == 0)
            m.stat = 1;
    }
    return out.empty() ? out : out + "\r\n";
}

int SmsStore::tpduLength(const std::string &pdu)
{
    if (pdu.size() < 2)
        return 0;
    const long smsc = SmsPduCodec::HexToInt(pdu.substr(0, 2));
    const long octets = long(pdu.size() / 2) - smsc - 1;
    return octets > 0 ? int(octets) : 0;
}

std::string SmsStore::deliverPdu(const std::string &number, const std::string &text,
                                 const std::string &timeStamp)
{
    std::string udl, ud;
    SmsPduCodec().PackSeptets(text, udl, ud);
    return "07911326040000F0" + std::string("04") + SmsPduCodec::ToHexByte(int(number.size())) +
           "91" + SmsPduCodec::SwapSemiOctets(number) + "0000" +
           SmsPduCodec::SwapSemiOctets(timeStamp) + udl + ud;
}

} // namespace tandrel::sim
