#include "FakeProgram.h"
#include "FindBar.h"
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTime>
#include <QToolButton>

// Find in the terminal as the operator uses it: the real keys, the bar under the terminal,
// the highlights on the screen and the view that follows the current match.
class FindTest : public QObject, ProgramOnFakeLink
{
    Q_OBJECT

    TerminalScreen *screen = nullptr;
    FindBar *bar = nullptr;

    // No SMS indications asked for on connect: their box would hold the keys.
    void startFocused()
    {
        startConnected();
        Form1->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Form1));
        screen = Form1->SaxComm1->screen();
        bar = Form1->Find_Bar;
        screen->setFocus();
        QTRY_VERIFY(screen->hasFocus());
    }

    // `count` numbered lines; those listed say "answer OK" instead.
    static QByteArray lines(int count, std::initializer_list<int> answers)
    {
        QByteArray out;
        for (int i = 0; i < count; ++i)
            out += (std::find(answers.begin(), answers.end(), i) != answers.end()
                        ? "answer OK " + QByteArray::number(i)
                        : "line " + QByteArray::number(i)) +
                   "\r\n";
        return out;
    }

    // The text at a row of the view.
    QString rowText(int row) const
    {
        return screen->allText().split('\n').value(screen->scrollbackCount() -
                                                   screen->viewOffset() + row);
    }

    // The view row showing `text`, or -1.
    int rowOf(const QString &text) const
    {
        for (int row = 0; row < screen->rows(); ++row)
            if (rowText(row).startsWith(text))
                return row;
        return -1;
    }

    // The background of a cell as painted: its top-left pixel, clear of any glyph.
    QRgb cellColour(int row, int column) const
    {
        return screen->grab().toImage().pixel(screen->cellRect(row, column).topLeft());
    }

    void typeFind(const QString &text)
    {
        QTest::keyClick(screen, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(bar->isVisible());
        QTRY_VERIFY(bar->FindEdit->hasFocus());
        QTest::keyClicks(bar->FindEdit, text);
    }

    // The count the bar shows after Enter, or Shift+Enter, in its field.
    QString enter(Qt::KeyboardModifiers modifiers = {}) const
    {
        QTest::keyClick(bar->FindEdit, Qt::Key_Return, modifiers);
        return bar->FindResult->text();
    }

private slots:
    void initTestCase() { prepare(false); }

    void cleanup() { finish(); }

    // Ctrl+Shift+F opens the bar under the terminal, which gives it the room; Esc closes it
    // and the keys go to the modem again. The key itself never reaches the modem.
    void theKeyOpensTheBarAndEscGivesTheTerminalBack()
    {
        startFocused();
        QVERIFY(!bar->isVisible());
        const QRect full = Form1->SaxComm1->geometry();

        typeFind("x");
        QVERIFY(Form1->SaxComm1->geometry().bottom() < bar->geometry().top());
        QCOMPARE(Form1->SaxComm1->height() + bar->height(), full.height());
        // Typed into the bar, not to the modem.
        QCOMPARE(bar->FindEdit->text(), "x");

        QTest::keyClick(bar->FindEdit, Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QCOMPARE(Form1->SaxComm1->geometry(), full);
        QTRY_VERIFY(screen->hasFocus());
        QCOMPARE(fake->written, QByteArray()); // no Ctrl+F, no Esc, no letter
        QTest::keyClicks(screen, "at");
        QCOMPARE(fake->written, QByteArray("at"));

        // The menu item opens it too.
        Form1->Find1->trigger();
        QVERIFY(bar->isVisible());
        QVERIFY(bar->FindEdit->hasFocus());
        bar->FindCloseB->click();
        QVERIFY(!bar->isVisible());
        QCOMPARE(fake->written, QByteArray("at"));

        // The hex view shows no text to find: the bar closes and stays closed, and the key
        // still sends nothing.
        Form1->Find1->trigger();
        Form1->ShowHex1->trigger();
        QVERIFY(!bar->isVisible());
        QVERIFY(!Form1->Find1->isEnabled());
        QTRY_VERIFY(Form1->SaxComm1->focusProxy()->hasFocus());
        QTest::keyClick(Form1->SaxComm1->focusProxy(), Qt::Key_F,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!bar->isVisible());
        QCOMPARE(fake->written, QByteArray("at"));
        Form1->ShowHex1->trigger();
        QVERIFY(Form1->Find1->isEnabled());
        QTest::keyClick(screen, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(bar->isVisible());
    }

    // "ok" finds "OK"; Enter walks up to older matches and Shift+Enter back down, each round
    // from the other end; the view follows; every match in view is highlighted and the
    // current one apart.
    void walksRoundTheMatchesWithHighlights()
    {
        startFocused();
        fake->inject(lines(300, {20, 150, 295}));
        typeFind("ok");
        // The newest match first; it is on the screen, so the view stays.
        QCOMPARE(bar->FindResult->text(), "3 of 3");
        QCOMPARE(screen->viewOffset(), 0);
        int row = rowOf("answer OK 295");
        QVERIFY(row >= 0);
        const QRgb plain = cellColour(row, 1), current = cellColour(row, 7);
        QVERIFY(current != plain);
        QCOMPARE(cellColour(row, 8), current); // both letters
        QCOMPARE(cellColour(row, 9), plain);   // and no more

        QCOMPARE(enter(), "2 of 3");
        QVERIFY(screen->viewOffset() > 0);
        row = rowOf("answer OK 150");
        QVERIFY(row >= 0);
        QCOMPARE(cellColour(row, 7), current);
        QCOMPARE(cellColour(row, 6), plain);

        QCOMPARE(enter(), "1 of 3");
        QVERIFY(rowOf("answer OK 20") >= 0);
        QCOMPARE(enter(), "3 of 3"); // round to the newest
        QVERIFY(rowOf("answer OK 295") >= 0);
        QCOMPARE(enter(Qt::ShiftModifier), "1 of 3"); // round to the oldest
        QCOMPARE(enter(Qt::ShiftModifier), "2 of 3");
        bar->FindNextB->click();
        QCOMPARE(bar->FindResult->text(), "1 of 3");
        bar->FindPreviousB->click();
        QCOMPARE(bar->FindResult->text(), "2 of 3");

        // A match in view that is not the current one is highlighted too, in its own colour.
        fake->inject("OK OK\r\n");
        enter(Qt::ShiftModifier);
        enter(Qt::ShiftModifier);
        QTRY_COMPARE(bar->FindResult->text(), "4 of 5");
        row = rowOf("OK OK");
        QVERIFY(row >= 0);
        QCOMPARE(cellColour(row, 0), current);
        const QRgb other = cellColour(row, 3);
        QVERIFY(other != current && other != plain);
        QCOMPARE(cellColour(rowOf("answer OK 295"), 7), other);

        // Match Case: "ok" is not "OK".
        bar->FindMatchCase->click();
        QCOMPARE(bar->FindResult->text(), "Not found");
        QVERIFY(!bar->FindNextB->isEnabled());
        QCOMPARE(cellColour(row, 0), plain);
        QTest::keyClick(bar->FindEdit, Qt::Key_Return); // nothing to walk to, nothing sent
        bar->FindMatchCase->click();
        QVERIFY(bar->FindResult->text().endsWith(" of 5"));
        QVERIFY(bar->FindNextB->isEnabled());
        QVERIFY(cellColour(row, 0) != plain);

        // Closed, the highlights go.
        QTest::keyClick(bar->FindEdit, Qt::Key_Escape);
        row = rowOf("OK OK");
        QVERIFY(row >= 0);
        QCOMPARE(cellColour(row, 0), plain);

        // Two matches in one line and none elsewhere: round within the line.
        fake->inject("ping pong\r\n");
        typeFind("p"); // over the old text, which opening selects
        QCOMPARE((QStringList{bar->FindEdit->text(), bar->FindResult->text(), enter(), enter()}),
                 (QStringList{"p", "2 of 2", "1 of 2", "2 of 2"}));

        // Nothing found at all says so.
        QTest::keyClicks(bar->FindEdit, "zz");
        QCOMPARE(bar->FindResult->text(), "Not found");
        QCOMPARE(fake->written, QByteArray());
    }

    // Lines that keep arriving scroll the old ones into the scrollback: the highlights stay
    // on the text they mark, the view scrolled back stays on its lines, and the count follows.
    void newLinesLeaveTheHighlightsOnTheirText()
    {
        startFocused();
        fake->inject(lines(300, {100, 295}));
        typeFind("answer ok");
        QCOMPARE(bar->FindResult->text(), "2 of 2");
        // At the bottom the view follows the new lines, and the mark moves up with its text.
        int row = rowOf("answer OK 295");
        const QRgb plain = cellColour(row, 20), current = cellColour(row, 0);
        QVERIFY(current != plain);
        fake->inject(lines(2, {}));
        QCOMPARE(screen->viewOffset(), 0);
        QCOMPARE(rowOf("answer OK 295"), row - 2);
        QCOMPARE(cellColour(row - 2, 0), current);
        QCOMPARE(cellColour(row, 0), plain);

        // Scrolled back to a match, the view holds while lines arrive.
        QCOMPARE(enter(), "1 of 2");
        row = rowOf("answer OK 100");
        QVERIFY(row >= 0);
        const int offset = screen->viewOffset();
        fake->inject(lines(40, {5}));
        QCOMPARE(screen->viewOffset(), offset + 40);
        QCOMPARE(rowOf("answer OK 100"), row);
        QCOMPARE(cellColour(row, 0), current);
        QTRY_COMPARE(bar->FindResult->text(), "1 of 3");
        QVERIFY(Form1->SaxComm1->PortOpen());
        // Closing the bar gives the terminal its rows back at the top; the view stays on its
        // lines.
        const int rowsWithBar = screen->rows();
        QTest::keyClick(bar->FindEdit, Qt::Key_Escape);
        QVERIFY(screen->rows() > rowsWithBar);
        QCOMPARE(rowOf("answer OK 100"), row + screen->rows() - rowsWithBar);
        QCOMPARE(cellColour(rowOf("answer OK 100"), 0), plain);

        // The match in the bottom row when the bar opens again is not left under it.
        const int index = screen->allText().split('\n').indexOf("answer OK 100");
        screen->setViewOffset(screen->scrollbackCount() - (index - screen->rows() + 1));
        QCOMPARE(rowOf("answer OK 100"), screen->rows() - 1);
        QTest::keyClick(screen, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(bar->FindResult->text(), "1 of 3");
        row = rowOf("answer OK 100");
        QVERIFY(row >= 0);
        QCOMPARE(cellColour(row, 0), current);
    }

    // Time stamps are searched as shown: a match of the modem's text is marked where the
    // text is, after its stamp, and a time can be found too.
    void timeStampsShiftNothing()
    {
        startFocused();
        Form1->ShowTimeStamps1->trigger();
        Form1->SaxComm1->stampClock = [] { return QTime(9, 5, 7, 42); };
        fake->inject("\r\nOK\r\n");
        typeFind("ok");
        QCOMPARE(bar->FindResult->text(), "1 of 1");
        const int row = rowOf("09:05:07.042 OK");
        QVERIFY(row >= 0);
        const QRgb plain = cellColour(row, 12);
        QVERIFY(cellColour(row, 13) != plain);
        QCOMPARE(cellColour(row, 11), plain);
        bar->FindEdit->setText("07.042");
        QVERIFY(bar->FindResult->text().endsWith(" of 2"));
        Form1->ShowTimeStamps1->trigger();
    }

    // The whole scrollback: a word in its oldest line is found from the newest end, until
    // the lines after it push it out.
    void searchesTheWholeScrollback()
    {
        startFocused();
        const int limit = screen->scrollbackLimit();
        fake->inject("oldest word\r\n" + lines(limit - 10, {}));
        typeFind("OLDEST");
        QCOMPARE(bar->FindResult->text(), "1 of 1");
        QVERIFY(screen->scrollbackCount() > limit - 50);
        QCOMPARE(screen->viewOffset(), screen->scrollbackCount());
        QCOMPARE(rowText(0), "oldest word");
        QTest::keyClick(bar->FindEdit, Qt::Key_Escape);
        fake->inject(lines(60, {}));
        QCOMPARE(screen->scrollbackCount(), limit);
        bar->open();
        QCOMPARE(bar->FindResult->text(), "Not found");
    }
};

QTEST_MAIN(FindTest)
#include "FindTest.moc"
