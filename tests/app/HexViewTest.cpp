#include "HexView.h"
#include "FakeLink.h"
#include "FakeProgram.h"
#include "TForm1.h"
#include "TerminalScreen.h"
#include <QClipboard>

#include <QApplication>
#include <QScrollBar>
#include <QTest>

// Options > Show Hex as the operator uses it: received bytes in rows of sixteen in place of
// the terminal, which goes on as if it had been shown all along.
class HexViewTest : public QObject, ProgramOnFakeLink
{
    Q_OBJECT

    static HexView *hexView() { return Form1->findChild<HexView *>(QStringLiteral("HexView")); }

    // The rows of the text screen in view, scrolled back or not.
    static QStringList inView(const TerminalScreen *screen)
    {
        return screen->allText().split('\n').mid(screen->scrollbackCount() - screen->viewOffset(),
                                                 screen->rows());
    }

private slots:
    void initTestCase() { prepare(false); }

    void cleanup() { finish(); }

    void bytesInRowsOfSixteenAndTheTextScreenKept()
    {
        QFile::remove(dir.filePath("tandrel.ini"));
        startConnected(true);
        TerminalScreen *screen = Form1->SaxComm1->screen();
        HexView *hex = hexView();
        QVERIFY(!hex->isVisible()); // off unless chosen

        // An SBD binary read: the echo, the buffer with the bytes a terminal hides, the result.
        fake->inject(QByteArray("AT+SBDRB\r\r\n\x00\x1b\x7f\xff.", 16));
        fake->inject("\r\nOK\r\n");
        for (int i = 0; i < 60; ++i)
            fake->inject("line " + QByteArray::number(i) + "\r\n");
        Form1->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Form1));
        screen->setFocus();

        Form1->ShowHex1->trigger();
        QTRY_VERIFY(hex->isVisible());
        QTRY_VERIFY(hex->hasFocus()); // typing goes on where it went
        QVERIFY(!screen->isVisible());
        QVERIFY(!Form1->SaxComm1->scrollBar()->isVisible());
        // The view fills the terminal's place.
        QCOMPARE(hex->geometry(), Form1->SaxComm1->rect());

        hex->verticalScrollBar()->setValue(0);
        QStringList rows = hex->visibleText().split('\n');
        QCOMPARE(rows.value(0), QString("00000000  41 54 2B 53 42 44 52 42  0D 0D 0A 00 1B 7F FF "
                                        "2E  |AT+SBDRB........|"));
        QCOMPARE(rows.value(1), QString("00000010  0D 0A 4F 4B 0D 0A 6C 69  6E 65 20 30 0D 0A 6C "
                                        "69  |..OK..line 0..li|"));

        // At the bottom the view follows what arrives; the last row may be short.
        QScrollBar *bar = hex->verticalScrollBar();
        bar->setValue(bar->maximum());
        fake->inject("\r\nEND 01\r\n");
        QTRY_COMPARE(hex->visibleText().split('\n').last(),
                     "00000230  0D 0A" + QString(45, ' ') + "|..|");
        // The bar has taken every row in.
        QTRY_COMPARE(bar->maximum(), int(hex->endRow() - hex->firstRow() - hex->visibleRows()));
        // Scrolled back it stays where the operator put it.
        bar->setValue(1);
        const int most = bar->maximum();
        fake->inject("more more more more\r\n");
        QTRY_COMPARE(bar->maximum(), most + 1); // the bar has taken the new row in
        QVERIFY(hex->visibleText().startsWith("00000010  "));
        QCOMPARE(bar->value(), 1);
        // Shift+Page Up and Down page through the rows and send nothing.
        bar->setValue(bar->maximum());
        QTest::keyClick(hex, Qt::Key_PageUp, Qt::ShiftModifier);
        QVERIFY(bar->value() < bar->maximum());
        QVERIFY(!hex->visibleText().contains("more"));
        QTest::keyClick(hex, Qt::Key_PageDown, Qt::ShiftModifier);
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(fake->written.isEmpty());

        // Typing still goes to the modem, Enter as a carriage return, and brings the newest
        // rows back for the answer.
        bar->setValue(0);
        QTest::keyClicks(QApplication::focusWidget(), "at");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(fake->written, QByteArray("at\r"));
        QCOMPARE(bar->value(), bar->maximum());

        // A dragged selection of rows is copied as shown.
        bar->setValue(0);
        const int rowHeight = hex->fontMetrics().height();
        QTest::mousePress(hex->viewport(), Qt::LeftButton, {}, QPoint(20, 2 + rowHeight / 2));
        QTest::mouseMove(hex->viewport(), QPoint(200, 2 + rowHeight + rowHeight / 2));
        QTest::mouseRelease(hex->viewport(), Qt::LeftButton, {},
                            QPoint(200, 2 + rowHeight + rowHeight / 2));
        QApplication::clipboard()->clear();
        Form1->Copy1->trigger();
        QCOMPARE(QApplication::clipboard()->text(), rows[0] + '\n' + rows[1]);

        // Back to text.
        Form1->ShowHex1->trigger();
        QTRY_VERIFY(screen->isVisible());
        QVERIFY(!hex->isVisible());
        QTRY_VERIFY(screen->hasFocus());
        QVERIFY(Form1->SaxComm1->scrollBar()->isVisible());

        // The text screen's scrolled-back view survives a trip through the hex view.
        screen->setViewOffset(10);
        const QString all = screen->allText();
        const QStringList shown = inView(screen);
        QVERIFY(!shown.contains("more more more more") && shown.contains("line 40"));
        Form1->ShowHex1->trigger();
        QTRY_VERIFY(hex->isVisible());
        Form1->ShowHex1->trigger();
        QTRY_VERIFY(screen->isVisible());
        QCOMPARE(screen->viewOffset(), 10);
        QCOMPARE(inView(screen), shown);
        QCOMPARE(screen->allText(), all);
    }

    // The choice outlives the program like the other options; the bytes kept are bounded,
    // and the newest megabyte survives in order across the ring's wrap.
    void rememberedAndBounded()
    {
        QFile::remove(dir.filePath("tandrel.ini"));
        startConnected(true);
        Form1->ShowHex1->trigger();
        Form1->close();
        finish();
        startConnected(true);
        QVERIFY(Form1->ShowHex1->isChecked());
        HexView *hex = hexView();
        QTRY_VERIFY(hex->isVisible());

        fake->inject("ab"); // so that the ring's rows do not start at its start
        QByteArray flood(HexView::Capacity + 100, '\0');
        for (qsizetype i = 0; i < flood.size(); ++i)
            flood[i] = char(0x41 + i % 26);
        fake->inject(flood);
        const qint64 total = 2 + flood.size();
        // Past the wrap the oldest row shown is whole and its bytes are those that came.
        QScrollBar *bar = hex->verticalScrollBar();
        QTRY_COMPARE(bar->maximum(), int(hex->endRow() - hex->firstRow() - hex->visibleRows()));
        bar->setValue(0);
        const QString first = hex->visibleText().section('\n', 0, 0);
        const qint64 at = first.left(8).toLongLong(nullptr, 16);
        QVERIFY(at >= total - HexView::Capacity && at < total - HexView::Capacity + 16);
        QCOMPARE(first.section('|', 1, 1), QString::fromLatin1(flood.mid(at - 2, 16)));
        bar->setValue(bar->maximum());
        QVERIFY(hex->visibleText().section('\n', -1).endsWith(
            '|' + QString::fromLatin1(flood.right((total % 16) ? total % 16 : 16)) + '|'));
    }
};

QTEST_MAIN(HexViewTest)
#include "HexViewTest.moc"
