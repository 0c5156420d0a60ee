#pragma once

// The tour of the program's windows and boxes, driven through its own controls as an operator
// would: each window is opened in turn, given texts to show, and handed to `stop`. The
// screenshot tool takes its pictures at the stops; the text-fit test checks every stop.

#include "FindBar.h"
#include "Panel.h"
#include "Program.h"
#include "SerialControl.h"
#include "TATTableForm.h"
#include "TDialing_Frm.h"
#include "TForm1.h"
#include "THint_Frm.h"
#include "TInfoBox.h"
#include "TMsgBox.h"
#include "TPort_Frm.h"
#include "TRingBox.h"
#include "TSBD_Frm.h"
#include "TSMS_Frm.h"
#include "TSearchForm.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QString>
#include <QWidget>
#include <QtCore/qtestsupport_core.h>

#include <functional>

namespace tour {

using Stop = std::function<void(const QString &name, QWidget *window)>;

// What the tour leaves to whoever plays the handset (a fake link or the simulator).
struct Handset
{
    std::function<void(const QString &why)> fail;
    // The port is open, the intro gone: the terminal shows an exchange.
    std::function<void()> atTerminal;
    // The SMS window is open: messages come and go.
    std::function<void()> inSmsWindow;
    // The SBD window is open on a text message: a session runs.
    std::function<void()> inSbdWindow;
    // The handset rings; the tour refuses the call, then `refused` sees the call end.
    std::function<void()> ring;
    std::function<void()> refused;
};

// The simulator answers within milliseconds; a call takes a few seconds to set up and drop.
constexpr int AnswerTimeoutMs = 10000;

inline bool waitFor(const std::function<bool()> &done, int timeoutMs = AnswerTimeoutMs)
{
    return QTest::qWaitFor(done, timeoutMs);
}

// A panel is clicked like any other control: pressed and released under the mouse.
inline void click(QWidget *w)
{
    const QPointF at = QRectF(w->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

inline bool waitForPort(const Handset &h, bool open)
{
    const QString want = open ? QStringLiteral("Connected") : QStringLiteral("Disconnected");
    if (waitFor([&] { return Form1->Status->caption() == want; }))
        return true;
    h.fail(
        QStringLiteral("the port is not %1: %2").arg(want.toLower(), Form1->SaxComm1->lastError()));
    return false;
}

inline bool opened(const Handset &h, QWidget *window, const QString &what)
{
    if (waitFor([window] { return window->isVisible(); }))
        return true;
    h.fail(QStringLiteral("the %1 did not open").arg(what));
    return false;
}

inline void introAndTerminal(const Stop &stop, const Handset &h)
{
    Form1->show();
    // The operator holds the intro with "pause" and ends it with "close"; the port opens.
    click(Form1->Pause);
    stop(QStringLiteral("intro"), Form1);
    click(Form1->Pause);
    if (!waitForPort(h, true))
        return;
    h.atTerminal();
    stop(QStringLiteral("main"), Form1);

    // Edit > Find... under the terminal: matches, none, and the widest count the
    // scrollback's 10,000 lines make likely.
    Form1->Find1->trigger();
    Form1->Find_Bar->FindEdit->setText(QStringLiteral("ok"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(Form1->Find_Bar->FindEdit, &enter);
    stop(QStringLiteral("find"), Form1);
    Form1->Find_Bar->FindEdit->setText(QStringLiteral("a text the modem never sent"));
    stop(QStringLiteral("find, not found"), Form1);
    Form1->Find_Bar->FindResult->setText(QStringLiteral("10000 of 10000"));
    stop(QStringLiteral("find, 10000 of 10000"), Form1);
    Form1->Find_Bar->end();

    // Enlarged, the terminal takes the room; the rows stay below it.
    const QSize first = Form1->size();
    Form1->resize(first + QSize(260, 160));
    stop(QStringLiteral("main-large"), Form1);
    Form1->resize(first);
}

inline void portAndDialing(const Stop &stop, const Handset &h)
{
    // Both dialogs are reached with the port closed, as in the program.
    Form1->Disconnect1->trigger();
    if (!waitForPort(h, false))
        return;
    Form1->PPropertyB->click();
    if (opened(h, Port_Frm, QStringLiteral("port window"))) {
        stop(QStringLiteral("port"), Port_Frm);
        // The list of ports, each with what the system knows of it.
        Port_Frm->COM_ComboBox->showPopup();
        stop(QStringLiteral("port-list"), Port_Frm->COM_ComboBox->view()->window());
        Port_Frm->COM_ComboBox->hidePopup();
        Port_Frm->PortSet_CancelB->click();
    }

    Form1->DPropertyB->click();
    if (opened(h, Dialing_Frm, QStringLiteral("dialing window"))) {
        stop(QStringLiteral("dialing"), Dialing_Frm);
        // A government SIM: the hint window helps build the number of the chosen call type.
        Dialing_Frm->SIM_ComboBox->setCurrentIndex(1);
        stop(QStringLiteral("dialing, government SIM"), Dialing_Frm);
        Dialing_Frm->HintB->click();
        if (opened(h, Hint_Frm, QStringLiteral("hint window")))
            stop(QStringLiteral("hint, first call type"), Hint_Frm);
        Hint_Frm->close();
        Dialing_Frm->GovCallTypeComboBox->setCurrentIndex(1);
        Dialing_Frm->HintB->click();
        Hint_Frm->R312->setChecked(true);
        Hint_Frm->EditDSNNum->setText(QStringLiteral("5550143"));
        if (opened(h, Hint_Frm, QStringLiteral("hint window")))
            stop(QStringLiteral("hint"), Hint_Frm);
        Hint_Frm->close();
        Dialing_Frm->DialingSet_CancelB->click();
    }

    Form1->Connect1->trigger();
    waitForPort(h, true);
}

inline void commandTable(const Stop &stop, const Handset &h)
{
    // The dial page, with the panel that changes the number to dial.
    Form1->ATDB->click();
    if (!opened(h, ATTableForm, QStringLiteral("AT command table")))
        return;
    ATTableForm->Change_PhoneNumberB->click();
    // Scrolled as far as the panel's Done button, as the operator would (once the window is
    // active: activating a page scrolls it back to the top).
    ATTableForm->activateWindow();
    waitFor([] { return ATTableForm->isActiveWindow(); }, 2000);
    if (auto *done = ATTableForm->findChild<QPushButton *>(QStringLiteral("Country_OK")))
        ATTableForm->scrollArea()->ensureWidgetVisible(done, 0, 8);
    stop(QStringLiteral("attable"), ATTableForm);

    // A "Set..." panel: the phonebook entry, with the operator's values in it.
    ATTableForm->ShowPage(QStringLiteral("ATplusCPBW"));
    ATTableForm->Set_PhonebookB->click();
    ATTableForm->EditPBIndex->setCurrentText(QStringLiteral("005"));
    ATTableForm->EditPBNum->setText(QStringLiteral("+12025550143"));
    ATTableForm->EditPBType->setCurrentText(QStringLiteral("145"));
    ATTableForm->EditPBText->setText(QStringLiteral("Base camp"));
    stop(QStringLiteral("attable-phonebook"), ATTableForm);
    ATTableForm->close();

    Form1->Search1->trigger();
    if (!opened(h, SearchForm, QStringLiteral("search window")))
        return;
    stop(QStringLiteral("search, nothing typed"), SearchForm);
    SearchForm->Search_ComboBox->setEditText(QStringLiteral("AT+PD"));
    stop(QStringLiteral("search, GPS entry"), SearchForm);
    SearchForm->Search_ComboBox->setEditText(QStringLiteral("AT+CS"));
    stop(QStringLiteral("search"), SearchForm);
    SearchForm->close();
}

inline void messaging(const Stop &stop, const Handset &h)
{
    Form1->ViewSMSWindow1->trigger();
    if (opened(h, SMS_Frm, QStringLiteral("SMS window"))) {
        stop(QStringLiteral("sms, empty"), SMS_Frm);
        h.inSmsWindow();
        stop(QStringLiteral("sms"), SMS_Frm);
        SMS_Frm->close();
    }

    Form1->SBDMessaging1->trigger();
    if (opened(h, SBD_Frm, QStringLiteral("SBD window"))) {
        stop(QStringLiteral("sbd, empty"), SBD_Frm);
        SBD_Frm->RHexMessage->click();
        SBD_Frm->EditSBDMessage->setPlainText(QStringLiteral("4G"));
        stop(QStringLiteral("sbd, hex"), SBD_Frm);
        SBD_Frm->RFileMessage->click();
        SBD_Frm->FileNameEdit->setText(QStringLiteral("/tmp/reading.bin"));
        stop(QStringLiteral("sbd, file"), SBD_Frm);
        SBD_Frm->RTextMessage->click();
        SBD_Frm->EditSBDMessage->clear();
        SBD_Frm->FileNameEdit->clear();
        h.inSbdWindow();
        stop(QStringLiteral("sbd"), SBD_Frm);
        SBD_Frm->close();
    }
}

inline void boxes(const Stop &stop, const Handset &h)
{
    MsgBox->ResetMsgBox();
    MsgBox->T2->setText(QStringLiteral("Reading messages..."));
    MsgBox->offerCancel();
    MsgBox->ShowBox();
    stop(QStringLiteral("status box"), MsgBox);
    MsgBox->close();

    h.ring();
    if (opened(h, RingBox, QStringLiteral("ring box"))) {
        stop(QStringLiteral("ring"), RingBox);
        // Refusing the call: the program escapes to command mode and hangs up.
        RingBox->RingNo->click();
        h.refused();
    }

    Form1->Version1->trigger();
    stop(QStringLiteral("infobox"), InfoBox);
    InfoBox->close();
    Form1->About2->trigger();
    stop(QStringLiteral("about"), InfoBox);
    InfoBox->close();
}

inline void walk(const Stop &stop, const Handset &h)
{
    introAndTerminal(stop, h);
    portAndDialing(stop, h);
    commandTable(stop, h);
    messaging(stop, h);
    boxes(stop, h);
}

} // namespace tour
