#include "ReportListener.h"

#include <QPointer>
#include <cstdlib>

ReportListener::ReportListener(modem::Exchange *exchange, int timeoutMs, QObject *parent)
    : QObject(parent), m_exchange(exchange), m_timeoutMs(timeoutMs)
{
    auto self = QPointer<ReportListener>(this);
    exchange->onUnsolicited("+CDS:", 1, [self](const std::vector<std::string> &lines) {
        if (self && self->report)
            self->report(smsrules::ReadStatusReport(lines[1]));
    });
    exchange->onUnsolicited("+CDSI:", 0, [self](const std::vector<std::string> &lines) {
        if (self)
            self->stored(lines[0]);
    });
}

std::string ReportListener::RouteLine(const std::string &setting)
{
    std::vector<std::string> fields;
    size_t at = 0;
    while (true) {
        const size_t comma = setting.find(',', at);
        fields.push_back(setting.substr(at, comma == std::string::npos ? comma : comma - at));
        if (comma == std::string::npos)
            break;
        at = comma + 1;
    }
    for (std::string &f : fields)
        if (f.empty() || f.find_first_not_of("0123456789 ") != std::string::npos)
            return "AT+CNMI=0,0,0,1";
    fields.resize(std::max<size_t>(fields.size(), 4), "0");
    fields[3] = "1";
    std::string line = "AT+CNMI=";
    for (size_t i = 0; i < fields.size(); ++i)
        line += (i ? "," : "") + std::to_string(std::atoi(fields[i].c_str()));
    return line;
}

// '+CDSI: "SM",3'
void ReportListener::stored(const std::string &indication)
{
    const size_t comma = indication.rfind(',');
    if (comma == std::string::npos || (ready && !ready()))
        return;
    const std::string index = indication.substr(comma + 1);
    if (index.empty() || index.find_first_not_of("0123456789 ") != std::string::npos)
        return;
    modem::Command read;
    read.line = "AT+CMGR=" + std::to_string(std::atoi(index.c_str()));
    read.timeoutMs = m_timeoutMs;
    read.shown = shown;
    read.done = [self = QPointer<ReportListener>(this),
                 index = read.line.substr(8)](const modem::Reply &reply) {
        if (!self || !reply.ok() || !self->report)
            return;
        if (!self->report(
                smsrules::ReadStatusReport(smsrules::ReadAnswer(reply.text(), index).pdu)))
            return;
        modem::Command remove;
        remove.line = "AT+CMGD=" + index;
        remove.timeoutMs = self->m_timeoutMs;
        remove.shown = self->shown;
        self->m_exchange->submit(std::move(remove));
    };
    m_exchange->submit(std::move(read));
}
