#pragma once

#include "Exchange.h"
#include "SmsPduCodec.h"
#include "SmsSender.h"

#include <QListWidgetItem>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTextEdit;
class QTimer;
class DeliveryReports;
class SmsLog;
class SmsComposePanel;
namespace smsrules {
class PartCollector;
struct DeliveryReport;
struct ListedPdu;
} // namespace smsrules

// One message of the list, owned by its list entry.
struct SmsRecord
{
    std::string head;
    std::string text;
    unsigned char flag = 0;
    unsigned char kind = 0;           // 0 received, 1 stored outgoing
    std::vector<std::string> indexes; // storage indexes: one, or those of its parts
};

class SmsListEntry : public QListWidgetItem
{
public:
    SmsListEntry(const QString &index, SmsRecord record)
        : QListWidgetItem(index), record(std::move(record))
    {}
    SmsRecord record;
};

// The SMS window: composing and sending below, listing, reading, deleting and the SMS log
// above.
class TSMS_Frm : public QWidget
{
    Q_OBJECT
public:
    explicit TSMS_Frm(QWidget *parent = nullptr);
    ~TSMS_Frm() override;

    // 0 none, 1 request "AT+CNMI=2,2", 2 request "AT+CNMI=0,0".
    int IndicationRequest = 0;
    int IndicationRetryCount = 0;

    // Upper half.
    QComboBox *SMS_ViewComboBox;
    QPushButton *SMS_ViewB;
    QPushButton *SMS_DeleteB;
    QListWidget *SMS_IndexListBox;
    QTextEdit *SMS_MessageRichEdit;
    QLabel *SMS_Status;
    // Delivery reports: asked for or not (kept in tandrel.ini), and the last messages sent.
    QCheckBox *SMS_ReportCheck;
    QListWidget *SMS_ReportList;

    // Lower half.
    SmsComposePanel *Composer;
    QGroupBox *SettingsPanel;
    QComboBox *CallType_ComboBox;
    QLineEdit *EditDA;
    QLineEdit *EditEA;
    QRadioButton *RRelativeVP;
    QRadioButton *RAbsoluteVP;
    QWidget *RelativePanel;
    QWidget *AbsolutePanel;
    QSpinBox *SelectVP_SpinEdit;
    QLabel *RelativeVP_calc;
    QComboBox *Month_ComboBox;
    QComboBox *Day_ComboBox;
    QComboBox *Year_ComboBox;
    QLineEdit *Time_MaskEdit;
    QComboBox *TimeZone_ComboBox;
    QPlainTextEdit *EditMessage;
    QLabel *CharCounter;
    QCheckBox *SMSWarningCheckBox;
    QPushButton *SMS_SendB;

    // How long a send, a listing, a delete or an indication request waits for the handset's
    // answer: two minutes, for a satellite network.
    static constexpr int AnswerTimeoutMs = 2 * 60 * 1000;

    // The PDU of the last encode; the AT table's SMS page places its own here too.
    std::string PduText;

    void FormCreate();
    void SMS_SendBClick();
    // The send itself, for this window and for the AT command table's SMS page: one message,
    // or linked parts sent one after the other, each once the one before is confirmed.
    void StartSend(const std::vector<SmsPduCodec::Part> &parts, const std::string &logEntry);

    void SMS_ViewBClick();
    void SMS_IndexListBoxClick();
    void SMS_DeleteBClick();

    void HandleSmsResult(int code, const std::string &listing, const QString &failedPart = {},
                         bool readingNew = false);
    void HandleIncomingSms(const std::string &text);
    void DisableSmsButtons();
    void EnableSmsButtons();
    void BeginIndicationRequest();
    void EndIndicationRequest();
    void ReleaseSmsState();
    // Asks the handset to hand new messages over at once, or to stop.
    void SendIndicationRequest(bool on);

    // The port is open and, with hardware flow control, CTS is up.
    bool linkReady() const;
    SmsLog &log();
    DeliveryReports &deliveryReports() { return *m_reports; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    enum class Awaiting
    {
        Nothing,
        Send,
        Listing,
        NewMessages, // the unread listing that follows an accepted indication request
        Delete,
        Indication
    };
    void submit(const std::string &line, Awaiting what,
                std::function<void(const modem::Reply &)> answered);
    void sendFinished(const SmsSender::Outcome &outcome);
    void lateConfirmation(const std::string &line, const std::string &logError);
    bool sending() const { return m_sender && m_sender->sending(); }
    static int cmsCode(const std::string &finalLine);
    void commandEnded(Awaiting what, const modem::Reply &reply, const QString &failedPart = {});
    void readNewMessages();
    void listingAnswered(int item, const modem::Reply &reply, bool afterIndication = false);
    void indicationAnswered(bool on, const modem::Reply &reply);
    void setSmsDisplay(bool on);
    void typedAnswered(const std::string &line, const modem::Reply &reply);
    void showRead(const smsrules::ListedPdu &read);
    // True when the report is about a message this window sent with a report asked.
    bool showReport(const smsrules::DeliveryReport &report);
    void routeReports();
    void showReportStates();
    void registerForReports(const SmsSender::Outcome &sent);
    void closeWaitBox();
    void waitCancelled();
    void newMessagesStored(const std::string &indication);
    void showLog();
    void showLogAtEnd();
    void clearView();
    void parseAnswer(const std::string &answer, bool logEvery);
    void storageFull();
    void appendToLog(const std::string &entry);
    void warnNotLogged(const std::string &error);
    void setControlsEnabled(bool on);
    bool somethingToDelete() const;

    std::unique_ptr<SmsLog> m_log;
    static QString partNote(const SmsSender::Outcome &outcome);

    std::unique_ptr<smsrules::PartCollector> m_incomingParts;
    std::unique_ptr<DeliveryReports> m_reports;
    SmsSender *m_sender = nullptr; // made with the log, at the first send
    bool m_reportAsked = false;    // the message being sent asked for reports
    std::string m_logError;        // of the last send's entry, told once it is over
    Awaiting m_awaiting = Awaiting::Nothing;
    int m_commandId = 0;
    bool m_waitCancelled = false;
    bool m_keepNotice = false;
    int m_formCreateRuns = 0;
};

extern TSMS_Frm *SMS_Frm;
