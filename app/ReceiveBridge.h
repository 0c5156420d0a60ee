#pragma once

#include "ReceiveHooks.h"

// Connects the received-text processor to the windows it drives.
class ReceiveBridge : public ReceiveHooks
{
public:
    void EnableSmsButtons() override;
    void EndIndicationRequest() override;
    int IndicationRetryCount() const override;
    void setIndicationRetryCount(int count) override;
    void HandleIncomingSms(const std::string &text) override;
    void selectSmsViewItem(int index) override;
    int requestSmsTimerInterval() const override;
    void setRequestSmsTimerInterval(int ms) override;
    bool requestSmsTimerEnabled() const override;
    void setRequestSmsTimerEnabled(bool enabled) override;
    void setSmsDisplay(bool on) override;
    void closeMsgBoxIfShowing() override;
    void clickMsgBoxCloseB() override;
    void showMsgBoxWithSmsTexts() override;
};
