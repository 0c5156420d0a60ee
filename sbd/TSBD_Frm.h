#pragma once

#include "Exchange.h"
#include "SbdReply.h"

#include <QString>
#include <QWidget>
#include <deque>
#include <memory>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;
class SmsLog;

// The Short Burst Data window: writes a message to the handset and sends it in a session,
// checks the gateway mailbox, reads what arrived and keeps the SBD log. One exchange with
// the handset at a time, shared with the SMS window and the AT table.
class TSBD_Frm : public QWidget
{
    Q_OBJECT
public:
    explicit TSBD_Frm(QWidget *parent = nullptr);
    ~TSBD_Frm() override;

    // Time-outs of one step. A session waits on the satellite link.
    static constexpr int CommandTimeoutMs = 20000;
    // Past the handset's own minute for the bytes, so that it is listening to commands again.
    static constexpr int BinaryWriteTimeoutMs = 65000;
    static constexpr int SessionTimeoutMs = 120000;

    // The outgoing message.
    QRadioButton *RTextMessage;
    QRadioButton *RHexMessage;
    QRadioButton *RFileMessage;
    QPlainTextEdit *EditSBDMessage;
    QLineEdit *FileNameEdit;
    QPushButton *BrowseB;
    QLabel *ByteCounter;
    QPushButton *SBD_SendB;

    // Sessions and the mailbox.
    QPushButton *CheckMailboxB;
    QPushButton *RetryB;
    QCheckBox *RetryCheckBox;
    QSpinBox *RetrySpinEdit;
    QPushButton *ReadB;
    QComboBox *ReadFormatComboBox; // 0 text (AT+SBDRT), 1 binary (AT+SBDRB)
    QPushButton *ClearB;
    QPushButton *ResetMOMSNB;
    QPushButton *ViewLogB;
    QLabel *SBD_Status;
    QPlainTextEdit *SBD_MessageView;

    QTimer *RetryTimer;
    QFileDialog *OpenDialog;

    void SBD_SendBClick();
    void CheckMailboxBClick();
    void RetryBClick();
    void ReadBClick();
    void ClearBClick();
    void ResetMOMSNBClick();
    void ViewLogBClick();
    void RetryTimerTimer();

    // Whether an exchange of this window runs.
    bool ExchangeRunning() const { return m_reply != nullptr || !m_steps.empty(); }

    SmsLog &log();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

    // The bytes of the outgoing message, or nothing with the reason in *error.
    std::optional<std::string> outgoingBytes(std::string *error) const;

private:
    struct Step
    {
        SbdReply::Command command;
        std::string line;
        std::string payload; // AT+SBDWB: the bytes and checksum to send after READY
        int timeoutMs;
    };

    void updateCounter();
    void updateButtons();
    void chooseFile(const QString &fileName);
    bool canStart(bool quiet);
    void start(std::deque<Step> steps);
    void nextStep();
    void stepDone();
    void stepFailed(const QString &why);
    void endExchange();
    void cutOff();
    void sessionDone(const sbd::SessionResult &r);
    void readDone(const std::string &message);
    void offerFetch();
    std::deque<Step> sessionSteps(bool clearOutgoing) const;
    Step readStep() const;
    void appendToLog(const std::string &entry);
    void showError(const QString &text);

    std::unique_ptr<SmsLog> m_log;
    std::deque<Step> m_steps;
    std::shared_ptr<SbdReply> m_reply;
    std::string m_writing; // the message of the write under way
    // The message in the handset's outgoing buffer that no session has sent yet.
    std::optional<std::string> m_unsent;
    bool m_lastSessionFailed = false;
    int m_lastMtmsn = -1;
    bool m_mtLogged = true;
    int m_queued = 0;
    bool m_fetchAll = false;
    bool m_placed = false;
    QString m_sessionWords; // the last session's result, kept while its message is read
};

extern TSBD_Frm *SBD_Frm;
