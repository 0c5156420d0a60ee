#include "SimulatorLink.h"
#include "SerialControl.h"
#include "TerminalScreen.h"

#include <QSignalSpy>
#include <QTest>

// The in-process handset behind the "SIMULATOR" port: replies from the event loop, delayed
// CONNECT, and line events that reach the control.
class SimulatorLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void answersThroughTheControl()
    {
        SerialControl control;
        control.setCommPort("SIMULATOR");
        control.setPortOpen(true);
        QVERIFY(control.PortOpen());
        auto *link = qobject_cast<SimulatorLink *>(control.link());
        QVERIFY(link);

        control.setTransmitLine("ATI0");
        QTRY_VERIFY(control.screen()->screenText().contains("Tandrel SH-2"));
        QVERIFY(control.CtsState());

        QSignalSpy cts(&control, &SerialControl::OnCTSChanged);
        QSignalSpy carrier(&control, &SerialControl::OnCarrierChanged);
        QSignalSpy ring(&control, &SerialControl::OnRing);
        QVERIFY(link->command("cts off"));
        QCOMPARE(std::tuple(cts.count(), control.CtsState()), std::tuple(1, false));
        QVERIFY(link->command("ring"));
        QCOMPARE(ring.count(), 1);
        QTRY_VERIFY(control.screen()->screenText().contains("RING"));
        QString why;
        QVERIFY(!link->command("explode", &why));
        QVERIFY(why.contains("explode"));

        control.setTransmitLine("ATD12345");
        QTRY_VERIFY_WITH_TIMEOUT(control.CarrierDetect(), 5000);
        QCOMPARE(carrier.count(), 1);
        QTRY_VERIFY(control.screen()->screenText().contains("CONNECT 19200"));
        QVERIFY(link->command("hangup"));
        QVERIFY(!control.CarrierDetect());
        QTRY_VERIFY(control.screen()->screenText().contains("NO CARRIER"));
    }
};

QTEST_MAIN(SimulatorLinkTest)
#include "SimulatorLinkTest.moc"
