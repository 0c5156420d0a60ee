#include "FakeLink.h"
#include "FakeProgram.h"
#include "Panel.h"
#include "Program.h"
#include "SerialControl.h"
#include "TATTableForm.h"
#include "TForm1.h"
#include "TInfoBox.h"
#include "TMsgBox.h"
#include "TRingBox.h"
#include "TSearchForm.h"
#include "TerminalScreen.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QWindow>

// Sizes, places and captions as the window manager shows them: these tests need a real X
// server with a window manager (tests/run-on-x.sh), where windows have frames.
class WindowFrameTest : public QObject, ProgramOnFakeLink
{
    Q_OBJECT

    // A loaded machine's window manager can take seconds to frame and place a window.
    static constexpr int frameWait = 20000;

    void startFramed()
    {
        start();
        Form1->show();
        Form1->SmsValue = "OFF"; // no indication request (and its box) on connecting
        // As an operator would, the intro is ended once it shows: ending it while the window
        // manager is still mapping the borderless intro window races with the reframing.
        QVERIFY(QTest::qWaitForWindowExposed(Form1, 30000));
        Form1->EndIntroScreen();
        QVERIFY(QTest::qWaitForWindowExposed(Form1, 30000));
        // The frame changes with the end of the intro; the outer size stays.
        QTRY_COMPARE_WITH_TIMEOUT(outer(Form1).size(), QSize(705, 497), frameWait);
        QVERIFY(fake);
        // Clear of the screen's edges, so the offsets are not pushed back.
        placement::moveInside(Form1, QPoint(40, 60));
        QTRY_COMPARE_WITH_TIMEOUT(outer(Form1).topLeft(), QPoint(40, 60), frameWait);
    }

    // What the X server holds for a window, read as another client would.
    static QString xprop(QWidget *w, const char *property)
    {
        QProcess p;
        p.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(w->winId()),
                                          QString::fromLatin1(property)});
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    static QString shownCaption(QWidget *w) { return xprop(w, "_NET_WM_NAME"); }

    // The frame's outer rectangle as the window manager draws it.
    static QRect outer(QWidget *w) { return w->windowHandle()->frameGeometry(); }

    static void verifyBox(QWidget *box, const QString &caption, const QRect &want)
    {
        QVERIFY(QTest::qWaitForWindowExposed(box, 30000));
        QTRY_COMPARE_WITH_TIMEOUT(outer(box), want, frameWait);
        QTRY_COMPARE(shownCaption(box),
                     QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"%1\"").arg(caption));
        // Fixed boxes offer the close button only.
        const QString actions = xprop(box, "_NET_WM_ALLOWED_ACTIONS");
        QVERIFY2(actions.contains("_NET_WM_ACTION_CLOSE"), qPrintable(actions));
        QVERIFY2(!actions.contains("MAXIMIZE") && !actions.contains("_NET_WM_ACTION_RESIZE"),
                 qPrintable(actions));
        // No minimise or maximise button in the title bar (Motif decoration bits 0x20, 0x40).
        const QStringList motif = xprop(box, "_MOTIF_WM_HINTS").section('=', 1).split(',');
        bool ok = false; // also false when the third field is missing
        const uint decorations = motif.value(2).trimmed().toUInt(&ok, 16);
        QVERIFY(ok);
        QVERIFY2((decorations & 0x61) == 0, qPrintable(motif.join(',')));
    }

private slots:
    void initTestCase()
    {
        prepare(false);
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"),
                 "needs a real X server; run it through tests/xserver/run-on-x.sh");
        QVERIFY2(!QStandardPaths::findExecutable("xprop").isEmpty(), "xprop is missing");
    }

    void cleanup() { finish(); }

    void mainWindowKeepsItsOuterSizeAndCaption()
    {
        startFramed();
        QCOMPARE(shownCaption(Form1),
                 QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"Tandrel Software\""));
        // Every row of the window lies inside it.
        const auto rowsInside = [] {
            for (QWidget *row : {Form1->RegularBase, Form1->Property_Panel, Form1->BasePanel})
                QVERIFY2(Form1->centralWidget()->rect().contains(row->geometry()),
                         qPrintable(row->objectName()));
        };
        rowsInside();
        // Asked to be smaller than it opened, it keeps the status bar whole, and the window
        // manager knows the same minimum.
        // (Asked again until it holds: the window may still be settling into its first size.)
        const auto shrunk = [] {
            Form1->windowHandle()->resize(300, 200);
            return Form1->size() == Form1->minimumSize();
        };
        QTRY_VERIFY_WITH_TIMEOUT(shrunk(), frameWait);
        rowsInside();
        const QSize least = Form1->minimumSize();
        QVERIFY2(xprop(Form1, "WM_NORMAL_HINTS")
                     .contains(QStringLiteral("minimum size: %1 by %2")
                                   .arg(least.width())
                                   .arg(least.height())),
                 qPrintable(xprop(Form1, "WM_NORMAL_HINTS")));
    }

    void boxesAndTheCommandTableSitAtTheirOffsetsTheFirstTime()
    {
        startFramed();
        const QPoint owner = outer(Form1).topLeft();

        MsgBox->ResetMsgBox();
        MsgBox->ShowBox();
        verifyBox(MsgBox, "SMS", QRect(owner + QPoint(250, 160), QSize(207, 148)));
        MsgBox->close();

        Form1->ShowVersionInfo();
        verifyBox(InfoBox, "INFO", QRect(owner + QPoint(196, 112), QSize(313, 237)));
        InfoBox->close();
        Form1->About2->trigger();
        verifyBox(InfoBox, "AT COMMAND TABLE", QRect(owner + QPoint(196, 160), QSize(313, 148)));
        InfoBox->close();

        fake->fireRing();
        verifyBox(RingBox, "RING", QRect(owner + QPoint(250, 160), QSize(207, 148)));
        RingBox->close();

        Form1->Search1->trigger();
        verifyBox(SearchForm, "Search", QRect(owner, QSize(164, 230)));
        SearchForm->close();

        // On a window made larger they stay in its middle.
        placement::resizeOuter(Form1, QSize(905, 697));
        QTRY_COMPARE_WITH_TIMEOUT(outer(Form1).size(), QSize(905, 697), frameWait);
        const QPoint middle = outer(Form1).topLeft() + QPoint(350, 260);
        fake->fireRing();
        verifyBox(RingBox, "RING", QRect(middle, QSize(207, 148)));
        RingBox->close();

        // The command table opens above and to the right of the main window.
        placement::moveInside(Form1, QPoint(40, 200));
        QTRY_COMPARE_WITH_TIMEOUT(outer(Form1).topLeft(), QPoint(40, 200), frameWait);
        Form1->ATCSQB->click();
        QVERIFY(QTest::qWaitForWindowExposed(ATTableForm, 30000));
        QTRY_COMPARE_WITH_TIMEOUT(outer(ATTableForm), QRect(QPoint(155, 85), QSize(708, 345)),
                                  frameWait);
        QCOMPARE(shownCaption(ATTableForm),
                 QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \"AT Command Table\""));
    }

    // Hex view on and off finds the screen as it was: no line cut to the width the screen
    // had beside the hex view for a moment.
    void hexViewLeavesTheScreenAsItWas()
    {
        startConnected();
        const int columns = screen()->columns();
        const QByteArray wide = QByteArray(columns - 16, '-') + "abcdefghij12345";
        fake->inject(wide + "\r\n");
        Form1->ShowHex1->trigger();
        QTRY_VERIFY(Form1->findChild<QWidget *>("HexView")->isVisible());
        Form1->ShowHex1->trigger();
        QTRY_VERIFY(screen()->isVisible());
        QCOMPARE(screen()->columns(), columns);
        QVERIFY2(screen()->allText().contains(QString::fromLatin1(wide)),
                 qPrintable(screen()->allText()));
    }
};

QTEST_MAIN(WindowFrameTest)
#include "WindowFrameTest.moc"
