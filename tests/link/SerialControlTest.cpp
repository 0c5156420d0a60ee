#include "SerialControl.h"
#include "FakeLink.h"
#include "TerminalScreen.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

// Paint events a widget receives: what the operator is shown, not what it was told.
class PaintCount : public QObject
{
public:
    explicit PaintCount(QWidget *w) { w->installEventFilter(this); }
    int n = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        n += e->type() == QEvent::Paint;
        return false;
    }
};

class SerialControlTest : public QObject
{
    Q_OBJECT

    SerialControl *control = nullptr;
    FakeLink *fake = nullptr; // owned by the control while open
    QString openedName, failNext, nextIdentity;
    int linksMade = 0;
    bool noRingLine = false;

    void closeBoxes()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(w))
                box->close();
        QCoreApplication::processEvents();
    }

    static int visibleErrorBoxes()
    {
        return int(std::ranges::count_if(QApplication::topLevelWidgets(), [](QWidget *w) {
            return w->objectName() == "PortErrorBox" && w->isVisible();
        }));
    }

private slots:
    void init()
    {
        failNext.clear();
        nextIdentity.clear();
        noRingLine = false;
        control = new SerialControl;
        control->resize(640, 400);
        control->setLinkFactory([this](const QString &name) {
            openedName = name;
            ++linksMade;
            auto link = std::make_unique<FakeLink>();
            link->failOpenWith = failNext;
            link->ringLine = !noRingLine;
            link->identity = nextIdentity;
            fake = link.get();
            return link;
        });
        control->show();
    }

    void cleanup()
    {
        closeBoxes();
        delete std::exchange(control, nullptr);
        fake = nullptr;
    }

    // Closing the port drops what waited to go and ends an exchange at once instead of waiting
    // out its time.
    void opensWithSettingsSendsLinesAndClosingCutsOff()
    {
        control->setCommPort("COM3");
        control->setSettings("9600,e,7,2");
        control->setHandshaking(2);
        control->setTransmitLine("ATI"); // closed: dropped
        control->setPortOpen(true);
        QVERIFY(control->PortOpen());
        QCOMPARE(std::tuple(openedName, fake->lastSettings.baud, fake->lastSettings.parity,
                            fake->lastHandshaking),
                 std::tuple(QString("COM3"), 9600, 'e', 2));

        control->setTransmitLine("ATI");
        control->setOutput("+++");
        control->setOutput(std::string("0791\x1a", 5));
        QCOMPARE(fake->written, QByteArray("ATI\r+++0791\x1a"));

        modem::Reply answer;
        modem::Command poll;
        poll.line = "AT+CSQ";
        poll.done = [&](const modem::Reply &r) { answer = r; };
        control->exchange()->submit(poll);
        fake->pendingOutput = 7;
        control->setPortOpen(false);
        QCOMPARE(std::tuple(control->PortOpen(), control->OutBufferCount(), control->CtsState(),
                            answer.end),
                 std::tuple(false, 0, false, modem::Reply::End::CutOff));
    }

    void copyAndPasteKeysUseTheClipboard()
    {
        control->setPortOpen(true);
        QApplication::clipboard()->setText("ATE1\nATI3\r\n");
        QTest::keyClick(control->screen(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(fake->written, QByteArray("ATE1\rATI3\r"));

        fake->inject("copy me");
        control->screen()->selectAll();
        QTest::keyClick(control->screen(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(QApplication::clipboard()->text().contains("copy me"));
    }

    void unopenablePortGivesOneClearMessage()
    {
        control->setCommPort("/dev/ttyUSB9");
        failNext = "Cannot open /dev/ttyUSB9: no such device.";
        QSignalSpy failed(control, &SerialControl::portFailed);
        control->setPortOpen(true);
        control->setPortOpen(true);
        QCOMPARE(std::tuple(control->PortOpen(), failed.count(), control->lastError(),
                            visibleErrorBoxes()),
                 std::tuple(false, 2, failNext, 1));
        closeBoxes();

        control->setSettings("19200,q,8,1");
        control->setPortOpen(true);
        const QString error = control->lastError();
        QVERIFY2(error.contains("19200,q,8,1") && error.contains("Set Port Properties"),
                 qPrintable(error));
    }

    // Only the same handset back at the same name is opened again; its line is the program's own.
    // Another port chosen while it is away ends the waiting.
    void lostPortComesBackUntilAnotherIsChosen()
    {
        nextIdentity = "0403:6001:A1B2";
        control->setCommPort("/dev/ttyUSB0");
        control->setPortOpen(true);
        QSignalSpy back(control, &SerialControl::reconnected);
        fake->vanish("The connection to /dev/ttyUSB0 was lost.");
        nextIdentity = "0403:6001:FFFF"; // another adapter at the same name
        const int before = linksMade;
        QTRY_VERIFY(linksMade >= before + 2);
        QCOMPARE(std::pair(control->PortOpen(), control->awaitingReconnect()),
                 std::pair(false, true));
        nextIdentity = "0403:6001:A1B2";
        QTRY_VERIFY_WITH_TIMEOUT(control->PortOpen(), 5000);
        QCOMPARE(std::tuple(back.count(), control->awaitingReconnect(),
                            QString::fromStdString(control->ReceivedText())),
                 std::tuple(1, false, QString()));

        fake->vanish("lost");
        QVERIFY(control->awaitingReconnect());
        control->setCommPort("COM7"); // chose another port while it was away
        QTRY_VERIFY(!control->awaitingReconnect());
        QVERIFY(!control->PortOpen());
    }

    // The scroll bar and the view move together over the whole scrollback.
    void scrollBarWalksTheScrollback()
    {
        control->setPortOpen(true);
        TerminalScreen *screen = control->screen();
        QScrollBar *bar = control->scrollBar();
        QVERIFY(bar->isVisible());
        QVERIFY(bar->geometry().left() >= screen->geometry().right()); // beside, not over
        for (int i = 0; i < 2000; ++i)
            fake->inject("line " + QByteArray::number(i) + "\r\n");
        QTRY_COMPARE(bar->maximum(), screen->scrollbackCount());
        QVERIFY(bar->maximum() > 1900);
        // The live screen at the bottom.
        QCOMPARE(std::pair(bar->value(), bar->pageStep()),
                 std::pair(bar->maximum(), screen->rows()));

        // A stream at the bottom leaves the handle where it is, and the bar unpainted. Bar
        // and screen are painted in one pass: once the screen shows a line, the bar's paints
        // due with it have come too.
        PaintCount screenPaints(screen);
        const auto shown = [&](const QByteArray &line) {
            const int before = screenPaints.n;
            fake->inject(line);
            QTRY_VERIFY(screenPaints.n > before);
        };
        shown("settled");
        PaintCount barPaints(bar);
        for (int i = 0; i < 100; ++i)
            fake->inject("\r\nmore " + QByteArray::number(i));
        QTRY_COMPARE(bar->maximum(), screen->scrollbackCount());
        shown(" last");
        QCOMPARE(barPaints.n, 0);

        bar->setValue(0);
        QCOMPARE(screen->viewOffset(), screen->scrollbackCount());
        QTRY_VERIFY(barPaints.n > 0);
        const int atTop = barPaints.n;
        // The wheel moves the bar with the view.
        QWheelEvent wheel(QPointF(10, 10), screen->mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, -120 * 5), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(screen, &wheel);
        QVERIFY(screen->viewOffset() < screen->scrollbackCount());
        QCOMPARE(bar->value(), bar->maximum() - screen->viewOffset());
        QTRY_VERIFY(barPaints.n > atTop);
        const int afterWheel = barPaints.n;
        // New text brings the live screen back.
        fake->inject("fresh\r\n");
        QTRY_COMPARE(bar->value(), bar->maximum());
        QCOMPARE(screen->viewOffset(), 0);
        QTRY_VERIFY(barPaints.n > afterWheel);
    }

    void ringIsCountedOncePerRing()
    {
        control->setPortOpen(true);
        QSignalSpy ring(control, &SerialControl::OnRing);
        fake->fireRing();
        fake->inject("\r\nRING\r\n"); // the line reports rings; the text is not counted twice
        QCOMPARE(ring.count(), 1);

        control->setPortOpen(false);
        noRingLine = true;
        control->setPortOpen(true);
        ring.clear();
        for (const char *chunk : {"\r\nRI", "NG\r\n", "\r\nRING\r\n\r\nRING\r\n"})
            fake->inject(chunk);
        QCOMPARE(ring.count(), 3); // one per RING, however the chunks fall
    }
};

QTEST_MAIN(SerialControlTest)
#include "SerialControlTest.moc"
