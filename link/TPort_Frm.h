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

    void FormCreate();
    void FormActivate();
    void PortSet_OKBClick();
    void PortSet_CancelBClick();

protected:
    void showEvent(QShowEvent *event) override;
};

extern TPort_Frm *Port_Frm;
