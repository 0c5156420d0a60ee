#pragma once

#include <string>

// What the received-text processor may do to the windows. The program implements it over
// the SMS window, the main window's timer and the status box; tests implement it with a fake.
class ReceiveHooks
{
public:
    virtual ~ReceiveHooks() = default;

    virtual void EnableSmsButtons() = 0;
    virtual void EndIndicationRequest() = 0;
    virtual int IndicationRetryCount() const = 0;
    virtual void setIndicationRetryCount(int count) = 0;
    virtual void HandleIncomingSms(const std::string &text) = 0;
    // Selects an item of the SMS window's view list (2, 3 or 4 after a listing).
    virtual void selectSmsViewItem(int index) = 0;
    virtual int requestSmsTimerInterval() const = 0;
    virtual void setRequestSmsTimerInterval(int ms) = 0;
    virtual bool requestSmsTimerEnabled() const = 0;
    virtual void setRequestSmsTimerEnabled(bool enabled) = 0;
    // SmsValue "ON"/"OFF" with the toolbar button and the menu check mark.
    virtual void setSmsDisplay(bool on) = 0;
    virtual void closeMsgBoxIfShowing() = 0;
    virtual void clickMsgBoxCloseB() = 0;
    // Resets the status box to its SMS texts and shows it (again, when it is showing).
    virtual void showMsgBoxWithSmsTexts() = 0;
};
