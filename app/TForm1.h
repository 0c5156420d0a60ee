#pragma once

#include "HandsetStatus.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <functional>
#include <string>

class FindBar;
class SerialControl;
class SignalPanel;
class Panel;
class TandrelArt;
class QTimer;
class QToolButton;
class QPushButton;
class QFileDialog;
class QFrame;
class QLabel;
class QMenu;
class QAction;
class QCheckBox;

// The main window: session values, intro, terminal, menus, toolbar and status.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    // `commandLine` is the argument text as the operator gave it.
    explicit TForm1(const std::string &commandLine, QWidget *parent = nullptr);
    ~TForm1() override;

    // Session values.
    std::string SettingsValue, BaudText, ParityText, DataBitsText, StopBitsText;
    std::string ComValue, SimValue, CallValue, TypeValue, CountryCodeText, LocalNumberText;
    std::string EchoValue, RingValue, FlowValue, IgVerValue, TermVerValue, SmsValue;
    bool AnswerCalls = false;
    // Dialing members.
    std::string SatelliteNumber, GovNumber;

    // Components.
    SerialControl *SaxComm1;
    QTimer *StatusTimer, *IntroScreenTimer, *RequestSMSTimer, *DisconnectTimer;
    Panel *IntroScreen;
    TandrelArt *IntroImage;
    Panel *Pause, *Status, *BasePanel, *COM_Panel, *SIM_Panel, *Echo_Panel, *Ans_Panel;
    Panel *SMS_Panel, *Property_Panel, *RegularBase, *CoverSaxComm, *CoverSaxComm0;
    Panel *CoverSaxComm2, *DisableEditPanel, *DisablePastePanel, *DisableFileTransfer;
    Panel *MenuBar3;
    QFrame *Bar2, *Bar3, *Bar4, *Bar5, *Bar6, *Bar7, *Bar8;
    QLabel *ModeTitle, *Edit, *Transfer;
    QCheckBox *TerminalCheck;
    QToolButton *EchoB, *AnsB, *SMSB;
    QPushButton *PPropertyB, *DPropertyB, *Close;
    QPushButton *EscplusB, *ATAB, *ATDB, *ATHB, *ATOB, *ATSB, *ATFB, *ATIB, *ATCREGB, *ATCOPSB,
        *ATCBSTB, *ATCGSNB, *ATCSQB;
    QFileDialog *OpenDialog1, *SaveDialog1;
    QMenu *File1, *Edit1, *Options1, *Help1, *Info1, *Transfer1, *Properties1;
    QAction *OpenSession1, *SaveSession1, *Exit1, *Copy1, *Paste1, *Connect1, *Disconnect1;
    QAction *SetPortProperties1, *SetDialingProperties1, *Set_Echo1, *IncomingCallPanel1;
    QAction *DisplaySMSImmediately1, *SendFiles1, *ReceiveFiles1, *ViewSMSWindow1, *Search1;
    QAction *About2, *Version1, *TermsandAbbreviations1, *SBDMessaging1;
    QAction *ReconnectAutomatically1, *PollSignal1, *ShowTimeStamps1, *ShowHex1;
    // Find in the scrollback: the Edit menu item and the bar it opens under the terminal.
    QAction *Find1;
    FindBar *Find_Bar;
    // Capture to file: everything received and sent, appended to a file of the operator's.
    QAction *CaptureToFile1, *StopCapture1;
    QFileDialog *CaptureDialog;
    Panel *Capture_Panel;
    // Status at a glance: signal and registration in the status bar, the call's duration
    // above the terminal, and the optional quiet polling that keeps them fresh.
    SignalPanel *Signal_Panel;
    QLabel *CallTime_Panel;
    QTimer *PollSignalTimer, *CallClockTimer;
    HandsetStatus Handset;
    // How long the port must have been left alone before a poll.
    int PollQuietMs = 5000;

    // Operations.
    void ApplySession();
    void ApplyDefaultSession();
    void LayoutMainWindow();
    void EndIntroScreen();
    void RefreshConnectionStatus();
    void ApplyEchoSetting();
    void ShowVersionInfo();
    void EnableAtCommandItems();
    // The port in the status bar, whole in its tool tip.
    void showPortName();
    QAction *menuItem(const QString &objectName) const;

    // Commands and events.
    void OpenSession1Click();
    void SaveSession1Click();
    void Exit1Click();
    void PauseClick();
    void Set_Echo1Click();
    void IncomingCallPanel1Click();
    void DisplaySMSImmediately1Click();
    void ViewSMSWindow1Click();
    void SBDMessaging1Click();
    void Search1Click();
    void Find1Click();
    void About2Click();
    void SaxComm1Receive();
    void SaxComm1KeyDown(int key, Qt::KeyboardModifiers shift);
    void SaxComm1CTSChanged();
    void SaxComm1PortOpened();
    void SaxComm1CarrierChanged();
    void SaxComm1Ring();
    void RequestSMSTimerTimer();
    void DisconnectTimerTimer();
    void PollSignalTimerTimer();
    // True when asking the handset now would disturb nothing the operator is doing.
    bool ReadyToPoll() const;
    // A call is up, as the handset's answers tell (CONNECT, OK to a voice dial or answer).
    bool callUp() const;
    // A handset answers a status question within a second; a slower answer is given up.
    static constexpr int PollTimeoutMs = 3000;
    // An answered call's CONNECT can take as long as a dial's.
    static constexpr int AnswerTimeoutMs = 60000;

    // Where the program ends; tests replace it.
    std::function<void(int)> exitProgram;

    // Directory of the executable, with its trailing separator.
    static std::string ProgramDirectory();

    // The operator's own settings (window size and the Options menu's ticks) in the
    // per-user data folder; session files keep their format.
    QString settingsFile() const;
    // The session in use now, kept in tandrel.ini for the next start.
    void rememberSession();
    void fillSessionRecord();
    // The SMS switch's button, menu tick and panel.
    void setSmsShown(bool on);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildPanels();
    void setEchoShown(bool on);
    void setAnswerShown(bool on);
    void showWarning(const QString &text);
    void sessionChosenForSave(const QString &fileName);
    void sessionChosenForOpen(const QString &fileName);
    void setTerminalLayoutVisible(bool on);
    void buildStatusGlance();
    void buildCapture();
    void layoutTerminalRows();
    void loadUserSettings();
    void saveUserSettings();
    void captureChosen(const QString &fileName);
    void showCaptureState();
    void showHandsetStatus();
    void pollNext(const char *command);

    QElapsedTimer m_sinceKey, m_sinceReceive, m_callClock;
    qint64 m_lastCallMs = -1;
    bool m_terminalLayout = false;
};

extern TForm1 *Form1;
