#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSpinBox;
class QTimer;
struct AtPage;
class SmsComposePanel;
class MaskEdit;

// The AT command table: one reference page at a time, and the controls from which a command
// line is composed for the modem.
class TATTableForm : public QWidget
{
    Q_OBJECT
public:
    explicit TATTableForm(QWidget *parent = nullptr);
    ~TATTableForm() override;

    // Heading and description.
    QLabel *ATCommand, *Modem, *Command;
    std::array<QLabel *, 30> Description{};
    QWidget *ExtraDescriptionPanel;
    std::array<QLabel *, 50> eDescription{};

    // Value entries and buttons.
    QPushButton *SendCommandB, *ReadB, *TestB;
    QWidget *SelectNPanel, *SelectVPanel, *SelectDPanel;
    QSpinBox *EditNValue, *EditVValue, *EditDValue;
    QPushButton *Change_PhoneNumberB, *Set_RealClockB, *Set_DCB, *Set_PhonebookB;

    // Command panels.
    QWidget *CSTAPanel;
    QRadioButton *RCSTA129, *RCSTA145;
    QWidget *CLCK_Panel, *CPWD_Panel, *CPIN_Panel;
    QComboBox *EditFLFac, *EditFLMode, *EditCPFac;
    QLineEdit *EditFLPwd, *EditCPOldpwd, *EditCPNewpwd, *EditEPPin, *EditEPNewpin;
    QWidget *SelectPMPanel;
    QCheckBox *GGACheckBox;
    std::vector<QCheckBox *> PMCheckBoxes; // the twelve message boxes, GGA first
    QWidget *CNMI_Panel;
    QComboBox *ModeComboBox, *MTComboBox, *DSComboBox, *BFRComboBox;
    QWidget *RealClock_Panel, *DataCompression_Panel, *Phonebook_Panel, *PBIndex_Panel;
    QComboBox *EditRCYear, *EditRCMonth, *EditRCDay, *EditRCHour, *EditRCMinutes, *EditRCSeconds;
    QComboBox *EditDCDirection, *EditDCCompneg;
    QSpinBox *EditDCMaxdict, *EditDCMaxstring;
    QPushButton *RealClockB, *DC_OKB, *PhonebookB;
    QComboBox *EditPBIndex1, *EditPBIndex2, *EditPBStorage, *EditPBIndex, *EditPBType;
    QLineEdit *EditPBFindtext, *EditPBNum, *EditPBText;
    QWidget *SMS_SendorWrite_Panel;
    SmsComposePanel *SmsPage; // the composing controls of the SMS pages
    QWidget *PhoneNumber_Panel;
    QRadioButton *RSate, *RLand;
    QWidget *LandPanel, *SatePanel, *Gov_Panel, *GovCountryCodePanel;
    MaskEdit *PhoneNum_Mask;
    QLineEdit *EditCountry_Code, *Edit_PhoneNum, *GovDialingNum;
    QComboBox *FindCountry_ComboBox, *GovCallTypeComboBox, *CountryCodeComboBox;
    std::array<QWidget *, 7> GovHelpPanels{}; // ISUtoDSN ... Toll_Free, by call type
    QLabel *GovCountryCode;
    QPushButton *GotoGovCountryCodeB, *GoBackCountryB, *Country_OK;
    QWidget *TermsAbbrevPanel;
    QLabel *Title, *TermsAbbrevT;

    // The current page's command state.
    std::string CommandPrefix, ValueN, ValueV, ValueD, CommandSuffix;
    std::string FindText, FirstIndex, SecondIndex, PhonebookStorage;
    std::string EntryIndex, EntryNumber, EntryType, EntryText;
    std::map<std::string, std::string> ClockFields, CompressionFields, LockFields, PasswordFields,
        PinFields;
    // True when the last ATS0 sent from the table had a non-zero value.
    bool AutoAnswerEnabled = false;
    int ActivationCount = 0;

    void ResetPage();
    // The create and activate handler: placement and scroll position.
    void FormActivate();

    // Opens the page behind a main window menu item or search entry.
    void ShowPage(const QString &menuItemName);
    // Puts the number fields back to their initial texts (before a session is opened).
    void ResetNumberFields();
    // Locks and unlocks the table's send buttons while an SMS command is outstanding.
    // Long enough for a dial's CONNECT or a satellite session's answer.
    static constexpr int CommandTimeoutMs = 90000;

    QString currentPage() const;
    QScrollArea *scrollArea() const { return m_scroll; }
    // The description lines of a page as the table shows them.
    static const std::vector<std::string> &descriptionOf(const std::string &title);

    void SendCommandBClick();
    void SMS_SendBClick();
    void ReadBClick();
    void TestBClick();
    void Set_RealClockBClick();
    void Set_DCBClick();
    void Set_PhonebookBClick();
    void RealClockBClick();
    void DC_OKBClick();
    void PhonebookBClick();
    void Change_PhoneNumberBClick();
    void RLandClick();
    void RSateClick();
    void FindCountry_ComboBoxChange();
    void GovCallTypeComboBoxChange();
    void GotoGovCountryCodeBClick();
    void GoBackCountryBClick();
    void Country_OKClick();

    // Where the dial page gets its line; the dialing window supplies it.
    std::function<std::string()> dialLine;
    // Paced characters go out one per millisecond without holding the window.

    void termsandabbreviations();
    void escplus() { openPage("+++"); }
    void aslash() { openPage("A/"); }
    void at() { openPage("AT"); }
    void ata() { openPage("ATA"); }
    void atd() { openPage("ATD"); }
    void aten() { openPage("ATEn"); }
    void athn() { openPage("ATH0"); }
    void atin() { openPage("ATIn"); }
    void aton() { openPage("ATOn"); }
    void atqn() { openPage("ATQn"); }
    void ats0() { openPage("ATS0=n"); }
    void atvn() { openPage("ATVn"); }
    void atwn() { openPage("ATWn"); }
    void atxn() { openPage("ATXn"); }
    void atzn() { openPage("ATZn"); }
    void atpercr() { openPage("AT%R"); }
    void atampcn() { openPage("AT&Cn"); }
    void atampdn() { openPage("AT&Dn"); }
    void atampfn() { openPage("AT&F0"); }
    void atampkn() { openPage("AT&Kn"); }
    void atampmn() { openPage("AT&M0"); }
    void atampqn() { openPage("AT&Qn"); }
    void atampsn() { openPage("AT&Sn"); }
    void atampv() { openPage("AT&V"); }
    void atampwn() { openPage("AT&Wn"); }
    void atampyn() { openPage("AT&Yn"); }
    void atastrpn() { openPage("AT*P0"); }
    void atpluscbc() { openPage("AT+CBC"); }
    void atpluscbst() { openPage("AT+CBST"); }
    void atplusccfc() { openPage("AT+CCFC"); }
    void atpluscclk() { openPage("AT+CCLK"); }
    void atplusceer() { openPage("AT+CEER"); }
    void atpluscgmi() { openPage("AT+CGMI"); }
    void atpluscgmm() { openPage("AT+CGMM"); }
    void atpluscgmr() { openPage("AT+CGMR"); }
    void atpluscgsn() { openPage("AT+CGSN"); }
    void atpluschup() { openPage("AT+CHUP"); }
    void atplusclcc() { openPage("AT+CLCC"); }
    void atplusclck() { openPage("AT+CLCK"); }
    void atplusclvl() { openPage("AT+CLVL"); }
    void atpluscmee() { openPage("AT+CMEE"); }
    void atpluscmod() { openPage("AT+CMOD"); }
    void atpluscmut() { openPage("AT+CMUT"); }
    void atpluscnum() { openPage("AT+CNUM"); }
    void atpluscops() { openPage("AT+COPS"); }
    void atpluscpas() { openPage("AT+CPAS"); }
    void atpluscpbf() { openPage("AT+CPBF"); }
    void atpluscpbr() { openPage("AT+CPBR"); }
    void atpluscpbs() { openPage("AT+CPBS"); }
    void atpluscpbw() { openPage("AT+CPBW"); }
    void atpluscpin() { openPage("AT+CPIN"); }
    void atpluscpwd() { openPage("AT+CPWD"); }
    void atpluscr() { openPage("AT+CR"); }
    void atpluscrc() { openPage("AT+CRC"); }
    void atpluscreg() { openPage("AT+CREG"); }
    void atpluscsq() { openPage("AT+CSQ"); }
    void atpluscsta() { openPage("AT+CSTA"); }
    void atpluscvhu() { openPage("AT+CVHU"); }
    void atplusdr() { openPage("AT+DR"); }
    void atplusds() { openPage("AT+DS"); }
    void atplusgcap() { openPage("AT+GCAP"); }
    void atplusgmi() { openPage("AT+GMI"); }
    void atplusgmm() { openPage("AT+GMM"); }
    void atplusgmr() { openPage("AT+GMR"); }
    void atplusgsn() { openPage("AT+GSN"); }
    void atplusipr() { openPage("AT+IPR"); }
    void atpluswdav() { openPage("AT+WDAV"); }
    void atpluswdldm() { openPage("AT+WDLDM"); }
    void atpluswfrng() { openPage("AT+WFRNG"); }
    void atpluswirlp() { openPage("AT+WIRLP"); }
    void atpluswtm() { openPage("AT+WTM"); }
    void atminusmiccid() { openPage("AT-MICCID"); }
    void atminusmsgeo() { openPage("AT-MSGEO"); }
    void atminusmsstm() { openPage("AT-MSSTM"); }
    void atminusmsvls() { openPage("AT-MSVLS"); }
    void atminusmsvtr() { openPage("AT-MSVTR"); }
    void atminusmsvts() { openPage("AT-MSVTS"); }
    void atbslashkn() { openPage("AT\\Kn"); }
    void atastrtp() { openPage("AT*TP"); }
    void atpluspa() { openPage("AT+PA"); }
    void atpluspd() { openPage("AT+PD"); }
    void atpluspl() { openPage("AT+PL"); }
    void atplusploc() { openPage("AT+PLOC"); }
    void atpluspm() { openPage("AT+PM"); }
    void atpluspnav() { openPage("AT+PNAV"); }
    void atpluspp() { openPage("AT+PP"); }
    void atpluspr() { openPage("AT+PR"); }
    void atpluspt() { openPage("AT+PT"); }
    void atpluspv() { openPage("AT+PV"); }
    void atpluspvel() { openPage("AT+PVEL"); }
    void atplussbdc() { openPage("AT+SBDC"); }
    void atplussbdd() { openPage("AT+SBDD"); }
    void atplussbdi() { openPage("AT+SBDI"); }
    void atplussbdrb() { openPage("AT+SBDRB"); }
    void atplussbdrt() { openPage("AT+SBDRT"); }
    void atplussbds() { openPage("AT+SBDS"); }
    void atplussbdtc() { openPage("AT+SBDTC"); }
    void atplussbdwb() { openPage("AT+SBDWB"); }
    void atplussbdwt() { openPage("AT+SBDWT"); }
    void atpluscmgd() { openPage("AT+CMGD"); }
    void atpluscmgf() { openPage("AT+CMGF"); }
    void atpluscmgl() { openPage("AT+CMGL"); }
    void atpluscmgr() { openPage("AT+CMGR"); }
    void atpluscmgs() { openPage("AT+CMGS"); }
    void atpluscmgw() { openPage("AT+CMGW"); }
    void atpluscnmi() { openPage("AT+CNMI"); }
    void atpluscpms() { openPage("AT+CPMS"); }
    void atpluscsca() { openPage("AT+CSCA"); }
    void atpluscscs() { openPage("AT+CSCS"); }
    void atpluscsms() { openPage("AT+CSMS"); }

protected:
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void openPage(const char *title);
    void writeDescription(const std::vector<std::string> &lines);

    void sendLine(const std::string &text, const std::string &payload = {});
    void followExchange(bool busy);
    void closePanel(QWidget *panel, QPushButton *setButton);
    void buildPhoneNumberPanel();
    void resetLandlineFields();
    void resetGovernmentFields();
    void showLandline(bool land);
    void showGovHelpPanel(int position);

    QScrollArea *m_scroll = nullptr;
    QWidget *m_sheet = nullptr;
    const AtPage *m_page = nullptr;
};

// The prefix of the page shown at the last activation.
extern std::string LastShownCommand;

extern TATTableForm *ATTableForm;
