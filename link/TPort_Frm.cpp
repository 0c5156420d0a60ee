#include "TPort_Frm.h"

#include "Panel.h"
#include "QtText.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "WindowPlacement.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

using tandrel::fromQString;
using tandrel::toQString;

TPort_Frm *Port_Frm = nullptr;

namespace {

const QString kDetailsSeparator = QStringLiteral("  \u2014  ");

const char *const kParityLetters[] = {"n", "o", "e", "m", "s"};
const char *const kFlowNames[] = {"NONE", "XONXOFF", "HW", "BOTH", "DEFAULT"};

QComboBox *combo(const char *name, const QStringList &items, bool editable, QWidget *parent)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    c->setEditable(editable);
    return c;
}

// Refreshes its list when opened: a handset plugged in a moment ago is there.
class PortComboBox : public QComboBox
{
public:
    using QComboBox::QComboBox;
    std::function<void()> beforePopup;
    void showPopup() override
    {
        if (beforePopup)
            beforePopup();
        QComboBox::showPopup();
    }
};

// The popup shows each port with what it is; the edit field keeps the bare name.
class PortItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString details = index.data(TPort_Frm::PortDetailsRole).toString();
        if (!details.isEmpty())
            option->text += kDetailsSeparator + details;
    }
};

int indexOf(const char *const *names, int count, const std::string &value)
{
    for (int i = 0; i < count; ++i) {
        if (value == names[i])
            return i;
    }
    return -1;
}

} // namespace

TPort_Frm::TPort_Frm(QWidget *parent) : QWidget(parent, placement::fixedBoxFlags())
{
    setObjectName(QStringLiteral("Port_Frm"));
    setWindowTitle(QStringLiteral("Port Properties"));
    auto *ports = new PortComboBox(this);
    ports->setObjectName(QStringLiteral("COM_ComboBox"));
    ports->setEditable(true);
    ports->beforePopup = [this] { RefreshPortList(); };
    ports->setItemDelegate(new PortItemDelegate(ports));
    ports->view()->setTextElideMode(Qt::ElideMiddle);
    ports->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ports->setMinimumContentsLength(24);
    COM_ComboBox = ports;
    BPS_ComboBox = combo("BPS_ComboBox",
                         {"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                          "28800", "38400", "57600", "115200", "230400", "460800", "921600"},
                         true, this);
    DataBits_ComboBox = combo("DataBits_ComboBox", {"5", "6", "7", "8"}, true, this);
    Parity_ComboBox =
        combo("Parity_ComboBox", {"None", "Odd", "Even", "Mark", "Space"}, false, this);
    StopBits_ComboBox = combo("StopBits_ComboBox", {"1", "1.5", "2"}, true, this);
    FlowControl_ComboBox = combo("FlowControl_ComboBox",
                                 {"None", "Xon/Xoff", "Hardware", "Both", "Default"}, false, this);
    PortSet_OKB = new QPushButton(QStringLiteral("OK"), this);
    PortSet_OKB->setObjectName(QStringLiteral("PortSet_OKB"));
    PortSet_OKB->setDefault(true);
    PortSet_CancelB = new QPushButton(QStringLiteral("Cancel"), this);
    PortSet_CancelB->setObjectName(QStringLiteral("PortSet_CancelB"));

    auto *top = new QFormLayout;
    top->addRow(QStringLiteral("Connect using:"), COM_ComboBox);
    auto *group = new QGroupBox(QStringLiteral("Settings"), this);
    auto *form = new QFormLayout(group);
    form->addRow(QStringLiteral("Bits per second:"), BPS_ComboBox);
    form->addRow(QStringLiteral("Data bits:"), DataBits_ComboBox);
    form->addRow(QStringLiteral("Parity:"), Parity_ComboBox);
    form->addRow(QStringLiteral("Stop bits:"), StopBits_ComboBox);
    form->addRow(QStringLiteral("Flow control:"), FlowControl_ComboBox);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(PortSet_OKB);
    buttons->addWidget(PortSet_CancelB);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(group);
    layout->addLayout(buttons);

    // Each change is written to the main window at once.
    connect(COM_ComboBox, &QComboBox::currentTextChanged, this,
            [](const QString &t) { Form1->ComValue = fromQString(t); });
    connect(BPS_ComboBox, &QComboBox::currentTextChanged, this,
            [](const QString &t) { Form1->BaudText = fromQString(t); });
    connect(DataBits_ComboBox, &QComboBox::currentTextChanged, this,
            [](const QString &t) { Form1->DataBitsText = fromQString(t); });
    connect(StopBits_ComboBox, &QComboBox::currentTextChanged, this,
            [](const QString &t) { Form1->StopBitsText = fromQString(t); });
    connect(Parity_ComboBox, &QComboBox::currentIndexChanged, this, [](int i) {
        if (i >= 0 && i < 5)
            Form1->ParityText = kParityLetters[i];
    });
    connect(FlowControl_ComboBox, &QComboBox::currentIndexChanged, this, [](int i) {
        if (i >= 0 && i < 5)
            Form1->FlowValue = kFlowNames[i];
    });
    connect(PortSet_OKB, &QPushButton::clicked, this, &TPort_Frm::PortSet_OKBClick);
    connect(PortSet_CancelB, &QPushButton::clicked, this, &TPort_Frm::PortSet_CancelBClick);
    FormCreate();
}

void TPort_Frm::FormCreate()
{
    RefreshPortList();
}

void TPort_Frm::RefreshPortList()
{
    // Filling the list selects its first entry, which is no choice of the operator's.
    const QSignalBlocker blocker(COM_ComboBox);
    const QString typed = COM_ComboBox->currentText();
    COM_ComboBox->clear();
    const QFontMetrics metrics(COM_ComboBox->view()->font());
    int widest = 0;
    for (const PortEntry &port : SerialControl::CommPortEntries(byIdDirectory)) {
        const QString name = toQString(port.name), details = toQString(port.details);
        COM_ComboBox->addItem(name);
        const int i = COM_ComboBox->count() - 1;
        COM_ComboBox->setItemData(i, details, PortDetailsRole);
        COM_ComboBox->setItemData(i, details, Qt::ToolTipRole);
        widest = std::max(widest, metrics.horizontalAdvance(name + kDetailsSeparator + details));
    }
    // Long by-id names and their details need a list wider than the field, though not
    // wider than a screen.
    COM_ComboBox->view()->setMinimumWidth(std::min(widest + 40, 900));
    COM_ComboBox->setCurrentIndex(-1);
    COM_ComboBox->setEditText(typed);
}

// The writes back to the main window are suppressed while the dialog loads its fields.
void TPort_Frm::FormActivate()
{
    RefreshPortList();
    placement::centreOver(this, Form1);
    const QSignalBlocker b1(COM_ComboBox), b2(BPS_ComboBox), b3(Parity_ComboBox),
        b4(DataBits_ComboBox), b5(StopBits_ComboBox), b6(FlowControl_ComboBox);
    COM_ComboBox->setCurrentText(toQString(Form1->ComValue));
    BPS_ComboBox->setCurrentText(toQString(Form1->BaudText));
    if (int i = indexOf(kParityLetters, 5, Form1->ParityText); i >= 0)
        Parity_ComboBox->setCurrentIndex(i);
    DataBits_ComboBox->setCurrentText(toQString(Form1->DataBitsText));
    StopBits_ComboBox->setCurrentText(toQString(Form1->StopBitsText));
    if (int i = indexOf(kFlowNames, 5, Form1->FlowValue); i >= 0)
        FlowControl_ComboBox->setCurrentIndex(i);
    if (isVisible())
        COM_ComboBox->setFocus();
}

// A box of its own rather than a dialog, so the default button needs the keys passed on.
void TPort_Frm::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        PortSet_OKB->click();
        return;
    case Qt::Key_Escape:
        PortSet_CancelB->click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TPort_Frm::PortSet_OKBClick()
{
    Form1->SettingsValue = Form1->BaudText + "," + Form1->ParityText + "," + Form1->DataBitsText +
                           "," + Form1->StopBitsText;
    Form1->SaxComm1->setSettings(Form1->SettingsValue);
    Form1->SaxComm1->setCommPort(Form1->ComValue);
    Form1->showPortName();
    Form1->EnableAtCommandItems();
    Form1->rememberSession();
    if (Form1->SaxComm1->isVisible())
        Form1->SaxComm1->setFocus();
    if (isVisible())
        close();
}

void TPort_Frm::PortSet_CancelBClick()
{
    if (isVisible())
        close();
}

void TPort_Frm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    FormActivate();
}
