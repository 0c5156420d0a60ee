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

std::vector<std::string> SmsStore::list(int stat)
{
    std::vector<std::string> lines;
    for (auto &[index, m] : m_messages) {
        if (stat != 4 && m.stat != stat)
            continue;
        lines.push_back("+CMGL: " + std::to_string(index) + "," + std::to_string(m.stat) + ",," +
                        std::to_string(tpduLength(m.pdu)));
        lines.push_back(m.pdu);
        if (m.stat == 0)
            m.stat = 1;
    }
    return lines;
}

int SmsStore::tpduLength(const std::string &pdu)
{
    if (pdu.size() < 2)
        return 0;
    const long smsc = SmsPduCodec::HexToInt(pdu.substr(0, 2));
    const long octets = long(pdu.size() / 2) - smsc - 1;
    return octets > 0 ? int(octets) : 0;
}

namespace {

const char *const Smsc = "07911326040000F0";

std::string originator(const std::string &number)
{
    return SmsPduCodec::ToHexByte(int(number.size())) + "91" + SmsPduCodec::SwapSemiOctets(number);
}

} // namespace

std::vector<std::string> SmsStore::deliverPdus(const std::string &number, const std::string &text,
                                               const std::string &timeStamp, int reference)
{
    const SmsPduCodec::Alphabet alphabet = SmsPduCodec::AlphabetFor(text);
    const std::vector<std::string> texts = SmsPduCodec::SplitText(text, alphabet);
    std::vector<std::string> pdus;
    for (size_t i = 0; i < texts.size(); ++i) {
        const bool linked = texts.size() > 1;
        std::string udl, ud;
        SmsPduCodec::BuildUserData(
            texts[i], alphabet,
            linked ? SmsPduCodec::ConcatenationHeader(reference, int(i + 1), int(texts.size()))
                   : std::string(),
            udl, ud);
        pdus.push_back(std::string(Smsc) + (linked ? "44" : "04") + originator(number) + "00" +
                       (alphabet == SmsPduCodec::Alphabet::Ucs2 ? "08" : "00") +
                       SmsPduCodec::SwapSemiOctets(timeStamp) + udl + ud);
    }
    return pdus;
}

bool SmsStore::readSubmit(const std::string &pdu, Submit &out)
{
    auto octet = [&](size_t pos) { return int(SmsPduCodec::HexToInt(pdu.substr(pos, 2))); };
    size_t pos = 0;
    auto has = [&](size_t chars) { return pos + chars <= pdu.size(); };
    if (!has(2))
        return false;
    pos = 2 + 2 * size_t(octet(0));
    if (!has(8))
        return false;
    const int first = octet(pos);
    const size_t digits = size_t(octet(pos + 4));
    pos += 8;
    if (!has(digits + (digits & 1) + 4))
        return false;
    out.addressType = pdu.substr(pos - 2, 2);
    out.statusReport = (first & 0x20) != 0;
    out.number = SmsPduCodec::UnswapAddress(pdu.substr(pos, digits + (digits & 1)));
    pos += digits + (digits & 1);
    out.dcs = pdu.substr(pos + 2, 2);
    pos += 4;
    const int vpf = (first >> 3) & 3;
    pos += vpf == 2 ? 2 : vpf == 0 ? 0 : 14;
    if (!has(2))
        return false;
    const int udl = octet(pos);
    out.header = (first & 0x40) != 0;
    const int dcs = int(SmsPduCodec::HexToInt(out.dcs));
    const bool septets = (dcs & 0xC0) == 0 && (dcs & 0x0C) == 0;
    const size_t octets = septets ? (size_t(udl) * 7 + 7) / 8 : size_t(udl);
    if (udl > (septets ? 160 : 140) || pdu.size() - pos - 2 != octets * 2)
        return false;
    out.userData = pdu.substr(pos);
    // 23.040 9.2.3.24.1: UDHL, then IEI 00 with three octets: reference, total, part.
    if (out.header && out.userData.size() >= 12 && out.userData.compare(4, 4, "0003") == 0)
        out.linkReference = int(SmsPduCodec::HexToInt(out.userData.substr(8, 2)));
    return true;
}

std::string SmsStore::deliverFor(const Submit &sent, const std::string &from,
                                 const std::string &timeStamp)
{
    return std::string(Smsc) + (sent.header ? "44" : "04") + originator(from) + "00" + sent.dcs +
           SmsPduCodec::SwapSemiOctets(timeStamp) + sent.userData;
}

std::string SmsStore::statusReportFor(int reference, const Submit &sent,
                                      const std::string &timeStamp, int status)
{
    const std::string stamp = SmsPduCodec::SwapSemiOctets(timeStamp);
    return std::string(Smsc) + "06" + SmsPduCodec::ToHexByte(reference & 0xFF) +
           SmsPduCodec::ToHexByte(int(sent.number.size())) + sent.addressType +
           SmsPduCodec::SwapSemiOctets(sent.number) + stamp + stamp +
           SmsPduCodec::ToHexByte(status);
}

} // namespace tandrel::sim
