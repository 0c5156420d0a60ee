#include "DeliveryReports.h"

#include <algorithm>
#include <utility>

namespace {

// Only digits decide: an operator may type "+", "00" or neither in front.
std::string digitsOf(const std::string &number)
{
    std::string d;
    for (char c : number)
        if (c >= '0' && c <= '9')
            d += c;
    if (number.rfind("00", 0) == 0 && d.size() > 2)
        d.erase(0, 2);
    return d;
}

// "12/08/26 10:00:05 (GMT+2)" -> "10:00"
std::string hoursMinutes(const std::string &time)
{
    const size_t space = time.find(' ');
    return space == std::string::npos ? time : time.substr(space + 1, 5);
}

} // namespace

std::string DeliveryReports::ReportNumber(const std::string &address)
{
    if (address.size() < 2)
        return {};
    const bool international = (SmsPduCodec::HexToInt(address.substr(0, 2)) & 0x70) == 0x10;
    return (international ? "+" : "") + address.substr(2);
}

void DeliveryReports::add(const std::string &number, const std::vector<int> &references,
                          const std::string &sentAt, const std::string &identity)
{
    if (references.empty())
        return;
    Message m;
    m.number = number;
    m.references = references;
    m.sentAt = sentAt;
    m.identity = identity;
    m.partStates.assign(references.size(), 0);
    // A newer message with the same reference makes the older one unreachable.
    for (Message &old : m_messages)
        if (old.state == State::Waiting && digitsOf(old.number) == digitsOf(number))
            for (int r : references)
                std::replace(old.references.begin(), old.references.end(), r, -1);
    m_messages.push_back(std::move(m));
    if (m_messages.size() > Kept)
        m_messages.pop_front();
    std::deque<smsrules::DeliveryReport> early = std::exchange(m_early, {});
    for (const smsrules::DeliveryReport &r : early)
        if (!apply(m_messages.back(), r))
            m_early.push_back(r);
}

bool DeliveryReports::feed(const smsrules::DeliveryReport &report)
{
    if (!report.valid)
        return false;
    for (auto it = m_messages.rbegin(); it != m_messages.rend(); ++it)
        if (apply(*it, report))
            return true;
    // The report may overtake the confirmation of the send itself.
    if (report.final) {
        m_early.push_back(report);
        if (m_early.size() > Kept)
            m_early.pop_front();
    }
    return false;
}

bool DeliveryReports::apply(Message &m, const smsrules::DeliveryReport &report)
{
    const auto part = std::find(m.references.begin(), m.references.end(), report.reference);
    if (part == m.references.end() || digitsOf(m.number) != digitsOf(report.number))
        return false;
    int &state = m.partStates[size_t(part - m.references.begin())];
    if (state != 0 || !report.final)
        return true; // a repeat, or the centre still tries
    state = report.delivered ? 1 : 2;
    m.time = report.time;
    if (!report.delivered && m.reason.empty())
        m.reason = report.status;
    if (std::count(m.partStates.begin(), m.partStates.end(), 0) > 0)
        return true;
    m.state = m.reason.empty() ? State::Delivered : State::NotDelivered;
    if (log)
        log(LogEntry(m));
    if (settled)
        settled(m);
    return true;
}

std::string DeliveryReports::Identity(const std::string &text)
{
    std::string identity = text.substr(0, text.find('\n'));
    if (identity.size() > 60 || identity.size() < text.size()) {
        size_t cut = std::min<size_t>(identity.size(), 57);
        while (cut > 0 && (static_cast<unsigned char>(identity[cut]) & 0xC0) == 0x80)
            --cut; // whole characters only
        identity = identity.substr(0, cut) + "...";
    }
    return identity;
}

std::string DeliveryReports::LogEntry(const Message &m)
{
    std::string refs;
    for (int r : m.references)
        refs += (refs.empty() ? "" : ", ") + std::to_string(r);
    std::string entry = m.state == State::Delivered ? "[DELIVERED]\n" : "[NOT DELIVERED]\n";
    entry += "To: " + m.number + "\n";
    entry +=
        (m.references.size() > 1 ? "Message references: " : "Message reference: ") + refs + "\n";
    entry += "Sent: " + m.sentAt + "\n";
    if (m.state == State::Delivered)
        entry += "Delivered: " + m.time + "\n";
    else
        entry += "Not delivered: " + m.reason + ", " + m.time + "\n";
    return entry + m.identity + "\n\n";
}

std::string DeliveryReports::StateText(const Message &m)
{
    switch (m.state) {
    case State::Waiting:
        return "waiting";
    case State::Delivered:
        return "delivered " + hoursMinutes(m.time);
    case State::NotDelivered:
        return "not delivered: " + m.reason;
    }
    return {};
}
