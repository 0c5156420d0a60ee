#pragma once

#include "SmsPduCodec.h"

#include <QGroupBox>
#include <functional>
#include <string>
#include <vector>

namespace smsrules {
struct MessageSize;
}

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The controls that compose one message, with their checks: the SMS window has one and the
// AT command table's SMS page another.
class SmsComposePanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit SmsComposePanel(QWidget *parent = nullptr);
    // A send option of the owner's, shown under the warning tick box.
    void addOption(QWidget *option);
    static constexpr int OptionRow = 9;

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

    // The port is open and, with hardware flow control, CTS is up.
    std::function<bool()> linkReady;
    // Whether a long message may go as linked parts (unset: it may).
    std::function<bool()> partsAllowed;

    struct Prepared
    {
        std::vector<SmsPduCodec::Part> parts; // one, or the linked parts of a long message
        std::string logEntry;
    };
    // Checks the input in the order of a send and encodes it; false when something stopped it
    // (the operator was told, where there is something to tell).
    bool Prepare(Prepared &out);
    void ResetComposer();

    void RRelativeVPClick();
    void RAbsoluteVPClick();
    void SelectVP_SpinEditChange();
    void CallType_ComboBoxChange(int index);
    void EditDAChange();
    void EditEAChange();
    void EditMessageChange();
    void SMSWarningCheckBoxClick();
    // The length check: true when the message fits, was adjusted, or goes in parts.
    bool CheckLength(const QString &question);
    bool checkUnsafe(int previousType);
    std::string TimeZoneCode() const;

private:
    bool emailType() const;
    std::string countedText() const;
    void setMessage(const std::string &text);
    void showCount(const smsrules::MessageSize &size);

    int m_callType = 0;
    bool m_updating = false;
    bool m_inParts = false; // the operator chose linked parts for the present text
};
