#include "ReceiveBridge.h"

#include "TForm1.h"
#include "TMsgBox.h"
#include "TSMS_Frm.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

void ReceiveBridge::EnableSmsButtons()
{
    SMS_Frm->EnableSmsButtons();
}
void ReceiveBridge::EndIndicationRequest()
{
    SMS_Frm->EndIndicationRequest();
}
int ReceiveBridge::IndicationRetryCount() const
{
    return SMS_Frm->IndicationRetryCount;
}
void ReceiveBridge::setIndicationRetryCount(int count)
{
    SMS_Frm->IndicationRetryCount = count;
}
void ReceiveBridge::HandleIncomingSms(const std::string &text)
{
    SMS_Frm->HandleIncomingSms(text);
}
void ReceiveBridge::selectSmsViewItem(int index)
{
    SMS_Frm->SMS_ViewComboBox->setCurrentIndex(index);
}
int ReceiveBridge::requestSmsTimerInterval() const
{
    return Form1->RequestSMSTimer->interval();
}
void ReceiveBridge::setRequestSmsTimerInterval(int ms)
{
    Form1->RequestSMSTimer->setInterval(ms);
}
bool ReceiveBridge::requestSmsTimerEnabled() const
{
    return Form1->RequestSMSTimer->isActive();
}

void ReceiveBridge::setRequestSmsTimerEnabled(bool enabled)
{
    if (enabled)
        Form1->RequestSMSTimer->start();
    else
        Form1->RequestSMSTimer->stop();
}

void ReceiveBridge::setSmsDisplay(bool on)
{
    Form1->SmsValue = on ? "ON" : "OFF";
    Form1->setSmsShown(on);
}

void ReceiveBridge::closeMsgBoxIfShowing()
{
    MsgBox->CloseIfShowing();
}
void ReceiveBridge::clickMsgBoxCloseB()
{
    MsgBox->CloseBoxBClick();
}

void ReceiveBridge::showMsgBoxWithSmsTexts()
{
    MsgBox->ResetMsgBox();
    MsgBox->ShowBox();
}
