#include "TSMS_Frm.h"

#include "SerialControl.h"
#include "TATTableForm.h"
#include "TForm1.h"
#include "TMsgBox.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

TSMS_Frm *SMS_Frm = nullptr;

TSMS_Frm::TSMS_Frm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("SMS_Frm"));
    setWindowTitle(QStringLiteral("SMS"));
    SMS_ViewComboBox = new QComboBox(this);
    SMS_ViewComboBox->setObjectName(QStringLiteral("SMS_ViewComboBox"));
    SMS_ViewComboBox->addItems(
        {QStringLiteral("Received Unread Messages"), QStringLiteral("Received Read Messages"),
         QStringLiteral("Stored Unsent Messages"), QStringLiteral("Stored Sent Messages"),
         QStringLiteral("All Stored Messages"), QStringLiteral("Log File")});
    SMS_ViewComboBox->setCurrentIndex(-1);
    SMS_ViewB = new QPushButton(QStringLiteral("View"), this);
    SMS_ViewB->setObjectName(QStringLiteral("SMS_ViewB"));
    SMS_DeleteB = new QPushButton(QStringLiteral("Delete"), this);
    SMS_DeleteB->setObjectName(QStringLiteral("SMS_DeleteB"));
    SMS_DeleteB->setEnabled(false);
    SMS_SendB = new QPushButton(QStringLiteral("Send"), this);
    SMS_SendB->setObjectName(QStringLiteral("SMS_SendB"));
    SMS_Status = new QLabel(this);
    SMS_Status->setObjectName(QStringLiteral("SMS_Status"));
    auto *grid = new QGridLayout(this);
    grid->addWidget(SMS_ViewComboBox, 0, 0);
    grid->addWidget(SMS_ViewB, 0, 1);
    grid->addWidget(SMS_DeleteB, 0, 2);
    grid->addWidget(SMS_SendB, 1, 2);
    grid->addWidget(SMS_Status, 2, 0, 1, 3);

    enableSMSBTimer = new QTimer(this);
    enableSMSBTimer->setObjectName(QStringLiteral("enableSMSBTimer"));
    enableSMSBTimer->setSingleShot(true);
    enableSMSBTimer->setInterval(500);
    connect(enableSMSBTimer, &QTimer::timeout, this, &TSMS_Frm::EnableSmsButtons);
    ListSMSTimer = new QTimer(this);
    ListSMSTimer->setObjectName(QStringLiteral("ListSMSTimer"));
    ListSMSTimer->setSingleShot(true);
    ListSMSTimer->setInterval(100);
    SendPDUTimer = new QTimer(this);
    SendPDUTimer->setObjectName(QStringLiteral("SendPDUTimer"));
    SendPDUTimer->setSingleShot(true);
    SendPDUTimer->setInterval(100);
    connect(ListSMSTimer, &QTimer::timeout, this, &TSMS_Frm::ListSMSTimerTimer);
    connect(SMS_ViewB, &QPushButton::clicked, this, &TSMS_Frm::SMS_ViewBClick);
    resize(520, 420);
}

void TSMS_Frm::HandleSmsResult(int code, const std::string &)
{
    if (code == 1) {
        if (Form1->SmsValue == "ON") {
            MsgBox->T1->setText(QStringLiteral("Please wait..."));
            MsgBox->T2->setText(QStringLiteral("Reading messages..."));
            ListSMSTimer->start();
        } else {
            // Nothing is read when indications were switched off: the wait is over.
            EnableSmsButtons();
            MsgBox->ResetMsgBox();
            MsgBox->CloseIfShowing();
        }
    }
}

bool TSMS_Frm::linkReady() const
{
    SerialControl *port = Form1->SaxComm1;
    return port->PortOpen() && (Form1->FlowValue != "HW" || port->CtsState());
}

void TSMS_Frm::ListSMSTimerTimer()
{
    ListSMSTimer->stop();
    if (!linkReady())
        return;
    if (Form1->SaxComm1->OutBufferCount() == 0)
        Form1->SaxComm1->setTransmitLine("AT+CMGL=0");
    else
        ListSMSTimer->start();
}
void TSMS_Frm::HandleIncomingSms(const std::string &) {}
void TSMS_Frm::SMS_ViewBClick() {}

void TSMS_Frm::setControlsEnabled(bool on)
{
    SMS_ViewComboBox->setEnabled(on);
    SMS_ViewB->setEnabled(on);
    SMS_SendB->setEnabled(on);
    if (!on)
        SMS_DeleteB->setEnabled(false);
    if (Form1) {
        Form1->SMSB->setEnabled(on);
        Form1->DisplaySMSImmediately1->setEnabled(on);
    }
}

void TSMS_Frm::DisableSmsButtons()
{
    setControlsEnabled(false);
}

void TSMS_Frm::EnableSmsButtons()
{
    SMS_Status->clear();
    setControlsEnabled(true);
}

void TSMS_Frm::BeginIndicationRequest()
{
    Form1->RequestSMSTimer->start();
    DisableSmsButtons();
    ATTableForm->DisableSendButtons();
    MsgBox->ResetMsgBox();
    MsgBox->ShowBox();
}

void TSMS_Frm::EndIndicationRequest()
{
    Form1->RequestSMSTimer->stop();
    EnableSmsButtons();
    MsgBox->ResetMsgBox();
    MsgBox->CloseIfShowing();
}

void TSMS_Frm::ReleaseSmsState() {}
