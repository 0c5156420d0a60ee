#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The "Hint" window of the Dialing Properties dialog: picks a country calling code, or
// builds the rest of a government number for the chosen call type.
class THint_Frm : public QWidget
{
    Q_OBJECT
public:
    explicit THint_Frm(QWidget *parent = nullptr);

    // Shows the help panel of a call-type position (1..7) and hides the others.
    void ShowHelpPanel(int position);

    // Components.
    QWidget *Country_Panel, *GovHint_Panel;
    QComboBox *FindCountry_ComboBox;
    QWidget *ISUtoDSN, *ISUtoFTS, *ISUtoILD, *ISUtoISU, *INMARSAT, *LocalPSTN, *Toll_Free;
    QRadioButton *R312, *R313, *R314, *R315, *R317, *R318, *R319;
    QRadioButton *R871, *R872, *R873, *R874;
    QLineEdit *EditDSNNum, *EditFTSArea, *EditFTS7Num, *EditNational, *EditSubscriber;
    QLineEdit *EditIridiumNum, *EditINMARSATsub, *Edit7LocalNum, *Edit7digitNum;
    QComboBox *GovFindCountryCode;
    QPushButton *HintB;

    // Events.
    void HintBClick();
    void FormActivate();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *helpPanel(const char *name, const QString &title);
    std::string governmentNumber() const;
};

extern THint_Frm *Hint_Frm;
