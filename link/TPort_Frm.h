#pragma once

#include <QWidget>

class QComboBox;
class QPushButton;

// "Port Properties": edits the main window's port members, applied to the control on OK.
class TPort_Frm : public QWidget
{
    Q_OBJECT
public:
    explicit TPort_Frm(QWidget *parent = nullptr);

    QComboBox *COM_ComboBox, *BPS_ComboBox, *DataBits_ComboBox, *Parity_ComboBox;
    QComboBox *StopBits_ComboBox, *FlowControl_ComboBox;
    QPushButton *PortSet_OKB, *PortSet_CancelB;

    // Item data role holding what the system knows of a listed port.
    static constexpr int PortDetailsRole = Qt::UserRole + 1;
    // Where udev keeps its stable port names; tests point it elsewhere.
    QString byIdDirectory = QStringLiteral("/dev/serial/by-id");

    void FormCreate();
    // Lists the ports present now, keeping what the operator typed.
    void RefreshPortList();
    void FormActivate();
    void PortSet_OKBClick();
    void PortSet_CancelBClick();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

extern TPort_Frm *Port_Frm;
