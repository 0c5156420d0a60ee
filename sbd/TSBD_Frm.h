#pragma once

#include "SbdReply.h"
#include "SbdSession.h"

#include <QString>
#include <QWidget>
#include <functional>
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
    bool ExchangeRunning() const;

    SmsLog &log();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

    // The bytes of the outgoing message, or nothing with the reason in *error.
    std::optional<std::string> outgoingBytes(std::string *error) const;

private:
    void updateCounter();
    void updateButtons();
    void chooseFile(const QString &fileName);
    bool canStart(bool quiet);
    void begin(const std::function<bool()> &start);
    void stepStarting(SbdReply::Command command, int bytes);
    void stepDone(const SbdReply &reply);
    void exchangeEnded(const SbdSession::Outcome &outcome);
    void stepFailed(const QString &why, bool writing);
    void cutOff(bool sending);
    void sessionDone(const sbd::SessionResult &r);
    void readDone(const std::string &message);
    void offerFetch();
    void showError(const QString &text);

    std::unique_ptr<SmsLog> m_log;
    SbdSession *m_sbd = nullptr;
    bool m_lastSessionFailed = false;
    bool m_placed = false;
    QString m_sessionWords; // the last session's result, kept while its message is read
};

extern TSBD_Frm *SBD_Frm;
