#pragma once

#include "Exchange.h"
#include "SmsRules.h"

#include <QObject>
#include <functional>
#include <string>

// Delivery reports as the handset passes them on: whole as "+CDS:" (ds=1), or stored with
// their index told as "+CDSI:", then read here. A stored report that belongs to a message
// sent here is deleted once it is applied; someone else's stays in the handset for them.
// QtCore only: the SMS window and the command line both listen through it.
class ReportListener : public QObject
{
    Q_OBJECT
public:
    ReportListener(modem::Exchange *exchange, int timeoutMs, QObject *parent = nullptr);

    // Applies a report; true when it belongs to a message sent here.
    std::function<bool(const smsrules::DeliveryReport &)> report;
    // Whether a stored report may be read now.
    std::function<bool()> ready;
    // Whether the commands show on the terminal.
    bool shown = true;

    // The AT+CNMI line that routes reports whole (ds=1) and keeps the other fields of the
    // setting the handset gave ("2,2,0,0,0"); without one, new messages stay where they are.
    static std::string RouteLine(const std::string &setting);

private:
    void stored(const std::string &indication);

    modem::Exchange *m_exchange;
    int m_timeoutMs;
};
