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
            out += (std::ranges::count(answers, i) ? "answer OK " : "line ") +
                   QByteArray::number(i) + "\r\n";
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
        // The terminal above the bar, and the letter typed into the bar.
        QCOMPARE(std::tuple(Form1->SaxComm1->geometry().bottom() < bar->geometry().top(),
                            Form1->SaxComm1->height() + bar->height(), bar->FindEdit->text()),
                 std::tuple(true, full.height(), "x"));

        // No Ctrl+F, no Esc, no letter went to the modem.
        QTest::keyClick(bar->FindEdit, Qt::Key_Escape);
        QCOMPARE(std::tuple(bar->isVisible(), Form1->SaxComm1->geometry(), fake->written),
                 std::tuple(false, full, QByteArray()));
        QTRY_VERIFY(screen->hasFocus());
        QTest::keyClicks(screen, "at");
        QCOMPARE(fake->written, QByteArray("at"));

        // The menu item opens it too.
        Form1->Find1->trigger();
        QVERIFY(bar->isVisible() && bar->FindEdit->hasFocus());
        bar->FindCloseB->click();
        QCOMPARE(std::tuple(bar->isVisible(), fake->written), std::tuple(false, "at"));

        // The hex view shows no text to find: the bar closes and stays closed, and the key
        // still sends nothing.
        Form1->Find1->trigger();
        Form1->ShowHex1->trigger();
        QVERIFY(!bar->isVisible() && !Form1->Find1->isEnabled());
        QTRY_VERIFY(Form1->SaxComm1->focusProxy()->hasFocus());
        QTest::keyClick(Form1->SaxComm1->focusProxy(), Qt::Key_F,
                        Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(std::tuple(bar->isVisible(), fake->written), std::tuple(false, "at"));
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
        QCOMPARE(std::tuple(bar->FindResult->text(), screen->viewOffset()),
                 std::tuple("3 of 3", 0));
        int row = rowOf("answer OK 295");
        const QRgb plain = cellColour(row, 1), current = cellColour(row, 7);
        QVERIFY(row >= 0 && current != plain);
        // Both letters and no more.
        QCOMPARE(std::tuple(cellColour(row, 8), cellColour(row, 9)), std::tuple(current, plain));

        QCOMPARE(enter(), "2 of 3");
        row = rowOf("answer OK 150");
        QVERIFY(screen->viewOffset() > 0 && row >= 0);
        QCOMPARE(std::tuple(cellColour(row, 7), cellColour(row, 6)), std::tuple(current, plain));

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
        const QRgb other = cellColour(row, 3);
        QVERIFY(row >= 0 && other != current && other != plain);
        QCOMPARE(std::tuple(cellColour(row, 0), cellColour(rowOf("answer OK 295"), 7)),
                 std::tuple(current, other));

        // Match Case: "ok" is not "OK".
        bar->FindMatchCase->click();
        QCOMPARE(
            std::tuple(bar->FindResult->text(), bar->FindNextB->isEnabled(), cellColour(row, 0)),
            std::tuple("Not found", false, plain));
        QTest::keyClick(bar->FindEdit, Qt::Key_Return); // nothing to walk to, nothing sent
        bar->FindMatchCase->click();
        QVERIFY(bar->FindResult->text().endsWith(" of 5") && bar->FindNextB->isEnabled() &&
                cellColour(row, 0) != plain);

        // Closed, the highlights go.
        QTest::keyClick(bar->FindEdit, Qt::Key_Escape);
        row = rowOf("OK OK");
        QCOMPARE(std::tuple(row >= 0, cellColour(row, 0)), std::tuple(true, plain));

        // Two matches in one line and none elsewhere: round within the line.
        fake->inject("ping pong\r\n");
        typeFind("p"); // over the old text, which opening selects
        QCOMPARE((QStringList{bar->FindEdit->text(), bar->FindResult->text(), enter(), enter()}),
                 (QStringList{"p", "2 of 2", "1 of 2", "2 of 2"}));

        // Nothing found at all says so.
        QTest::keyClicks(bar->FindEdit, "zz");
        QCOMPARE(std::tuple(bar->FindResult->text(), fake->written), std::tuple("Not found", ""));
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
        QCOMPARE(std::tuple(screen->viewOffset(), rowOf("answer OK 295"), cellColour(row - 2, 0),
                            cellColour(row, 0)),
                 std::tuple(0, row - 2, current, plain));

        // Scrolled back to a match, the view holds while lines arrive.
        QCOMPARE(enter(), "1 of 2");
        row = rowOf("answer OK 100");
        const int offset = screen->viewOffset();
        fake->inject(lines(40, {5}));
        QCOMPARE(
            std::tuple(row >= 0, screen->viewOffset(), rowOf("answer OK 100"), cellColour(row, 0)),
            std::tuple(true, offset + 40, row, current));
        QTRY_COMPARE(bar->FindResult->text(), "1 of 3");
        QVERIFY(Form1->SaxComm1->PortOpen());
        // Closing the bar gives the terminal its rows back at the top; the view stays on its
        // lines.
        const int rowsWithBar = screen->rows();
        QTest::keyClick(bar->FindEdit, Qt::Key_Escape);
        QCOMPARE(std::tuple(screen->rows() > rowsWithBar, rowOf("answer OK 100"),
                            cellColour(rowOf("answer OK 100"), 0)),
                 std::tuple(true, row + screen->rows() - rowsWithBar, plain));

        // The match in the bottom row when the bar opens again is not left under it.
        const int index = screen->allText().split('\n').indexOf("answer OK 100");
        screen->setViewOffset(screen->scrollbackCount() - (index - screen->rows() + 1));
        QCOMPARE(rowOf("answer OK 100"), screen->rows() - 1);
        QTest::keyClick(screen, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        row = rowOf("answer OK 100");
        QCOMPARE(std::tuple(bar->FindResult->text(), row >= 0, cellColour(row, 0)),
                 std::tuple("1 of 3", true, current));
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
        const int row = rowOf("09:05:07.042 OK");
        const QRgb plain = cellColour(row, 12);
        QVERIFY(row >= 0 && cellColour(row, 13) != plain);
        QCOMPARE(std::tuple(bar->FindResult->text(), cellColour(row, 11)),
                 std::tuple("1 of 1", plain));
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
        QVERIFY(screen->scrollbackCount() > limit - 50);
        QCOMPARE(std::tuple(bar->FindResult->text(), screen->viewOffset(), rowText(0)),
                 std::tuple("1 of 1", screen->scrollbackCount(), "oldest word"));
        QTest::keyClick(bar->FindEdit, Qt::Key_Escape);
        fake->inject(lines(60, {}));
        QCOMPARE(screen->scrollbackCount(), limit);
        bar->open();
        QCOMPARE(bar->FindResult->text(), "Not found");
    }
};

QTEST_MAIN(FindTest)
#include "FindTest.moc"
