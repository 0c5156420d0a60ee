#pragma once

#include <QWidget>
#include <string>

class QComboBox;
class QPushButton;
class QLabel;
class QTimer;

// The SMS window: composing and sending, listing, reading and deleting, and the SMS log.
class TSMS_Frm : public QWidget
{
    Q_OBJECT
public:
    explicit TSMS_Frm(QWidget *parent = nullptr);

    // 0 none, 1 request "AT+CNMI=2,2", 2 request "AT+CNMI=0,0".
    int IndicationRequest = 0;
    int IndicationRetryCount = 0;

    QComboBox *SMS_ViewComboBox;
    QPushButton *SMS_ViewB;
    QPushButton *SMS_DeleteB;
    QPushButton *SMS_SendB;
    QLabel *SMS_Status;
    QTimer *enableSMSBTimer;
    QTimer *ListSMSTimer;
    QTimer *SendPDUTimer;

    void HandleSmsResult(int code, const std::string &listing);
    void HandleIncomingSms(const std::string &text);
    void DisableSmsButtons();
    void EnableSmsButtons();
    void BeginIndicationRequest();
    void EndIndicationRequest();
    void ReleaseSmsState();
    void SMS_ViewBClick();
    void ListSMSTimerTimer();

private:
    void setControlsEnabled(bool on);
    // The port is open and, with hardware flow control, CTS is up.
    bool linkReady() const;
};

extern TSMS_Frm *SMS_Frm;
