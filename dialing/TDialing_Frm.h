#pragma once

#include <QWidget>

class MaskEdit;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The "Dialing Properties" dialog: edits the main window's dialing members.
class TDialing_Frm : public QWidget
{
    Q_OBJECT
public:
    explicit TDialing_Frm(QWidget *parent = nullptr);
    // Puts the number fields back to their initial texts (before a session is opened).
    void ResetNumberFields();

    // Components.
    QLabel *SIM_Label;
    QComboBox *SIM_ComboBox;
    QGroupBox *Settings_Group;
    QWidget *CIV_Panel, *GOV_Panel, *LandPanel, *SatePanel;
    QRadioButton *RadioLand, *RadioSate;
    MaskEdit *PhoneNum_Mask;
    QLineEdit *EditCountry_Code, *Edit_PhoneNum, *EditGovNumber;
    QComboBox *GovCallTypeComboBox;
    QPushButton *Goto_CountryB, *HintB, *DialingSet_OKB, *DialingSet_CancelB;

    // Events.
    void FormActivate();
    void SIM_ComboBoxChange();
    void RadioLandClick();
    void RadioSateClick();
    void GovCallTypeComboBoxChange();
    void Goto_CountryBClick();
    void HintBClick();
    void DialingSet_OKBClick();
    void DialingSet_CancelBClick();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildCivilianPanel();
    void buildGovernmentPanel();
    void showLandline(bool land);
    void resetGovernmentFields();
    void resetLandlineFields();
};

extern TDialing_Frm *Dialing_Frm;
