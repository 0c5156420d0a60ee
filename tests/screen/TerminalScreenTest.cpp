#include "TerminalScreen.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPaintEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <random>

namespace {

QByteArray numberedLines(int first, int count)
{
    QByteArray out;
    for (int i = first; i < first + count; ++i)
        out += "line " + QByteArray::number(i) + "\r\n";
    return out;
}

QPoint cellCentre(const TerminalScreen &s, int row, int col)
{
    return s.cellRect(row, col).center();
}

void sendMouse(TerminalScreen &s, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, pos, s.mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&s, &e);
}

void drag(TerminalScreen &s, QPoint from, QPoint to)
{
    sendMouse(s, QEvent::MouseButtonPress, from, Qt::LeftButton);
    sendMouse(s, QEvent::MouseMove, to, Qt::LeftButton);
    sendMouse(s, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// Records the paint events a widget receives.
class PaintSpy : public QObject
{
public:
    explicit PaintSpy(QWidget *w) { w->installEventFilter(this); }
    QList<QRect> rects;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            for (const QRect &r : static_cast<QPaintEvent *>(event)->region())
                rects << r;
        }
        return false;
    }
};

} // namespace

class TerminalScreenTest : public QObject
{
    Q_OBJECT
private slots:
    void rendersReceivedText_data();
    void rendersReceivedText();
    void viewScrollsBackAndSnapsToNewOutput();
    void resizeFollowsPixelsAndKeepsLines();
    void mouseSelectionAcrossScrollbackIsCopied();
    void keysTransmitTheirBytes_data();
    void keysTransmitTheirBytes();
    void keyPressedComesFirstAndCopyPasteAreLeftToOwner();
    void paintsSelectionAndCursor();
    void paintsOncePerFrameAndOnlyChangedRows();
    void keptRowsPaintLikeAFreshScreen();
    void anyCutOfAStreamGivesTheSameScreen();
};

void TerminalScreenTest::rendersReceivedText_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("screen");

    QTest::newRow("CR LF") << QByteArray("hello\r\nworld") << QStringLiteral("hello\nworld");
    QTest::newRow("bare LF keeps column") << QByteArray("ab\ncd") << QStringLiteral("ab\n  cd");
    QTest::newRow("SGR attributes are not text")
        << QByteArray("\x1b[1;4;7;31;44mred\x1b[0m ok\x1b[38;5;202m!") << QStringLiteral("red ok!");
    QTest::newRow("Windows-1252") << QByteArray("caf\xe9 \x80 \x93q\x94")
                                  << QStringLiteral(u"caf\u00e9 \u20ac \u201cq\u201d");
    // 0x90 and 0x9D decode to C1 controls (DCS, OSC); a noisy line must not swallow output.
    QTest::newRow("stray C1 bytes") << QByteArray("a\x90"
                                                  "b\x9d"
                                                  "c\x81\r\nd")
                                    << QStringLiteral(u"a\ufffdb\ufffdc\ufffd\nd");
}

void TerminalScreenTest::rendersReceivedText()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, screen);
    TerminalScreen s;
    s.feed(input);
    QCOMPARE(s.screenText(), screen);
}

void TerminalScreenTest::viewScrollsBackAndSnapsToNewOutput()
{
    TerminalScreen s;
    QVERIFY(s.scrollbackLimit() >= 10000);
    s.feed(numberedLines(0, 100));
    // The view cannot go past the oldest line.
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(&s, Qt::Key_PageUp, Qt::ShiftModifier);
    QCOMPARE(s.viewOffset(), s.scrollbackCount());
    QTest::keyClick(&s, Qt::Key_PageDown, Qt::ShiftModifier);
    QCOMPARE(s.viewOffset(), s.scrollbackCount() - (s.rows() - 1));
}

void TerminalScreenTest::resizeFollowsPixelsAndKeepsLines()
{
    TerminalScreen s;
    s.resize(673, 342);
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    QVERIFY2(s.columns() >= 70 && s.rows() >= 16, "the main window's terminal must stay usable");

    const int rows = s.rows();
    s.feed(numberedLines(0, rows - 1) + "prompt>");
    const QString full = s.screenText();
    QCOMPARE(s.scrollbackCount(), 0);

    s.resize(673, 342 / 2);
    QVERIFY(s.rows() < rows);
    QVERIFY(s.scrollbackCount() > 0);
    QVERIFY(s.screenText().endsWith(QStringLiteral("prompt>")));
    QCOMPARE(s.allText(), full);

    s.resize(673, 342);

    // Narrower and wider again: the lines keep their text, on the screen and in the
    // scrollback, and the cursor its place.
    QByteArray wide;
    for (int i = 0; i < rows; ++i)
        wide += "\r\nwide " + QByteArray::number(i) + ' ' + QByteArray(s.columns() - 12, '=') + '|';
    s.feed(wide + "\r\n\x1b[1;31mbold " + QByteArray(s.columns() - 8, '#') + "\x1b[0m\r\n$ ");
    const QString before = s.allText();
    const QPoint cursor = s.cursorPosition();
    s.resize(673 / 2, 342 / 2);
    s.resize(673 / 3, 342);
    s.resize(673, 342);
    QCOMPARE(s.allText(), before);
    QCOMPARE(s.cursorPosition(), cursor);

    s.resize(1, 1);
    QCOMPARE(s.rows(), 1);
    QCOMPARE(s.columns(), 1);
}

void TerminalScreenTest::mouseSelectionAcrossScrollbackIsCopied()
{
    TerminalScreen s;
    s.resize(s.sizeHint());
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    s.feed("first line\r\nsecond line\r\nthird");

    drag(s, cellCentre(s, 0, 6), cellCentre(s, 2, 2));
    QCOMPARE(s.selectedText(), QStringLiteral("line\nsecond line\nthi"));
    s.copySelection();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("line\nsecond line\nthi"));

    // Dragging backwards selects the same cells.
    drag(s, cellCentre(s, 2, 2), cellCentre(s, 0, 6));
    QCOMPARE(s.selectedText(), QStringLiteral("line\nsecond line\nthi"));

    // A click without a drag selects nothing.
    drag(s, cellCentre(s, 1, 1), cellCentre(s, 1, 1));
    QCOMPARE(s.selectedText(), QString());

    QTest::mouseDClick(&s, Qt::LeftButton, Qt::NoModifier, cellCentre(s, 1, 3));
    QCOMPARE(s.selectedText(), QStringLiteral("second"));

    // A selection started in the scrollback spans into the live screen.
    s.feed("\r\n" + numberedLines(0, 100));
    QTest::keyClick(&s, Qt::Key_PageUp, Qt::ShiftModifier);
    const int back = s.viewOffset();
    QVERIFY(back > 0);
    drag(s, cellCentre(s, 0, 0), cellCentre(s, back + 1, 5));
    const QStringList picked = s.selectedText().split(QLatin1Char('\n'));
    QCOMPARE(picked.size(), back + 2);
    const QStringList all = s.allText().split(QLatin1Char('\n'));
    QCOMPARE(picked.first(), all.at(s.scrollbackCount() - back));
    QCOMPARE(picked.last(), all.at(s.scrollbackCount() + 1).left(6));

    s.selectAll();
    QCOMPARE(s.selectedText(), s.allText());
}

void TerminalScreenTest::keysTransmitTheirBytes_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QByteArray>("bytes");

    const Qt::KeyboardModifiers none = Qt::NoModifier;
    QTest::newRow("Return") << int(Qt::Key_Return) << none << QByteArray("\r");
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << none << QByteArray("\r");
    QTest::newRow("Backspace is BS") << int(Qt::Key_Backspace) << none << QByteArray("\b");
    QTest::newRow("Escape") << int(Qt::Key_Escape) << none << QByteArray("\x1b");
    QTest::newRow("Ctrl+Z") << int(Qt::Key_Z) << Qt::KeyboardModifiers(Qt::ControlModifier)
                            << QByteArray("\x1a");
    QTest::newRow("Ctrl+C") << int(Qt::Key_C) << Qt::KeyboardModifiers(Qt::ControlModifier)
                            << QByteArray("\x03");
    QTest::newRow("Up") << int(Qt::Key_Up) << none << QByteArray("\x1b[A");
    QTest::newRow("Left") << int(Qt::Key_Left) << none << QByteArray("\x1b[D");
    QTest::newRow("PageDown") << int(Qt::Key_PageDown) << none << QByteArray("\x1b[6~");
    QTest::newRow("F1") << int(Qt::Key_F1) << none << QByteArray("\x1bOP");
    QTest::newRow("F12") << int(Qt::Key_F12) << none << QByteArray("\x1b[24~");
    QTest::newRow("letter") << int(Qt::Key_A) << none << QByteArray("a");
    // Not taken for moving the focus, though there is another field to move it to.
    QTest::newRow("Tab") << int(Qt::Key_Tab) << none << QByteArray("\t");
    QTest::newRow("Shift+Tab") << int(Qt::Key_Backtab) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                               << QByteArray("\x1b[Z");
    QTest::newRow("Alt+letter is an accelerator")
        << int(Qt::Key_F) << Qt::KeyboardModifiers(Qt::AltModifier) << QByteArray();
}

void TerminalScreenTest::keysTransmitTheirBytes()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QByteArray, bytes);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new QLineEdit);
    auto *s = new TerminalScreen;
    layout->addWidget(s);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    s->setFocus();
    QSignalSpy sent(s, &TerminalScreen::keyBytes);
    QTest::keyClick(s, Qt::Key(key), modifiers);
    QCOMPARE(sent.size(), bytes.isEmpty() ? 0 : 1);
    if (!bytes.isEmpty())
        QCOMPARE(sent.at(0).at(0).toByteArray(), bytes);
}

void TerminalScreenTest::keyPressedComesFirstAndCopyPasteAreLeftToOwner()
{
    TerminalScreen s;
    QStringList log;
    // QTest presses the modifier keys as keys of their own; they transmit nothing.
    connect(&s, &TerminalScreen::keyPressed, &s, [&](int key, Qt::KeyboardModifiers) {
        if (key != Qt::Key_Control && key != Qt::Key_Shift)
            log << QStringLiteral("key %1").arg(key);
    });
    connect(&s, &TerminalScreen::keyBytes, &s,
            [&](const QByteArray &b) { log << QStringLiteral("bytes ") + QString::fromLatin1(b); });

    QTest::keyClick(&s, 'a');
    QCOMPARE(log, QStringList({QStringLiteral("key %1").arg(Qt::Key_A), "bytes a"}));

    log.clear();
    QTest::keyClick(&s, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&s, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(log, QStringList({QStringLiteral("key %1").arg(Qt::Key_C),
                               QStringLiteral("key %1").arg(Qt::Key_V)}));

    // Text beyond ASCII goes out in Windows-1252.
    QSignalSpy sent(&s, &TerminalScreen::keyBytes);
    QKeyEvent eacute(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QStringLiteral(u"\u00e9"));
    QApplication::sendEvent(&s, &eacute);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.at(0).at(0).toByteArray(), QByteArray("\xe9"));

    // Application cursor mode, as set by the far end, changes what the arrows send.
    s.feed("\x1b[?1h");
    QTest::keyClick(&s, Qt::Key_Up);
    QCOMPARE(sent.last().at(0).toByteArray(), QByteArray("\x1bOA"));
}

void TerminalScreenTest::paintsSelectionAndCursor()
{
    TerminalScreen s;
    s.resize(673, 342);
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    s.feed("\x1b[1;33;41mwarn\x1b[0m plain\r\n\x1b[7mreverse\x1b[0m\r\n");
    const QImage plain = s.grab().toImage();
    const QColor background = plain.pixelColor(1, 1);
    // Red background of the first cells, default background after the text.
    QVERIFY(plain.pixelColor(s.cellRect(0, 0).topLeft()) != background);
    QCOMPARE(plain.pixelColor(s.cellRect(0, 40).center()), background);

    s.selectAll();
    const QImage selected = s.grab().toImage();
    QVERIFY(selected.pixelColor(s.cellRect(0, 5).topLeft()) != background);
    QVERIFY(selected.pixelColor(s.cellRect(1, 40).center()) != background);
    QCOMPARE(selected.pixelColor(s.cellRect(3, 40).center()), background);

    // The cursor sits at row 2, column 0: a block with focus, a hollow box without.
    QVERIFY(QTest::qWaitForWindowActive(&s));
    const QRect cursor = s.cellRect(2, 0);
    s.setFocus();
    QVERIFY(s.hasFocus());
    QVERIFY(s.grab().toImage().pixelColor(cursor.center()) != background);
    s.clearFocus();
    const QImage unfocused = s.grab().toImage();
    QCOMPARE(unfocused.pixelColor(cursor.center()), background);
    QVERIFY(unfocused.pixelColor(cursor.topLeft()) != background);
}

void TerminalScreenTest::paintsOncePerFrameAndOnlyChangedRows()
{
    TerminalScreen s;
    s.resize(s.sizeHint());
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    PaintSpy spy(&s);
    // Waits for the paint `bytes` cause: every paint due before them has come by then.
    const auto feedAndSettle = [&](const QByteArray &bytes) {
        const qsizetype before = spy.rects.size();
        s.feed(bytes);
        QTRY_VERIFY(spy.rects.size() > before);
    };
    feedAndSettle("first\r\nsecond\r\nthird");

    // A read of a few bytes every millisecond for 300 ms: the screen keeps up, painted
    // about 20 times rather than 300.
    spy.rects.clear();
    // A plain event loop: QTest's waits sleep between rounds and would gather on their own.
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    int fed = 0;
    QTimer reads;
    connect(&reads, &QTimer::timeout, &loop, [&] {
        s.feed("line " + QByteArray::number(fed++) + "\r\n");
        if (clock.elapsed() >= 300)
            loop.quit();
    });
    reads.start(1);
    loop.exec();
    reads.stop();
    feedAndSettle("end");
    QVERIFY2(spy.rects.size() <= 40, qPrintable(QString::number(spy.rects.size())));

    // One character on an idle screen repaints its row alone.
    feedAndSettle("\x1b[3;1H");
    spy.rects.clear();
    feedAndSettle("x");
    feedAndSettle("y"); // a stray paint of another row would have come before this one
    for (const QRect &r : spy.rects) {
        QVERIFY(r.top() >= s.cellRect(1, 0).top());
        QVERIFY(r.bottom() <= s.cellRect(3, 0).bottom());
        QVERIFY(r.contains(s.cellRect(2, 0).center()));
    }
}

void TerminalScreenTest::keptRowsPaintLikeAFreshScreen()
{
    // Whatever a screen kept from earlier paints, it must look exactly like a new screen
    // given the same bytes.
    const QByteArray stream = numberedLines(0, 40) + "\x1b[1;31mred\x1b[0m plain\r\n" +
                              "\x1b[5;1Hrow five \x1b[7mreversed\x1b[0m\x1b[2K\rrewritten\r\n" +
                              "\x80uro \x1b[4munder\x1b[0m\x1b[?25l"; // cursor off: focus differs
    TerminalScreen kept;
    kept.resize(kept.sizeHint());
    kept.show();
    QVERIFY(QTest::qWaitForWindowExposed(&kept));
    for (qsizetype at = 0; at < stream.size(); at += 7) {
        kept.feed(stream.mid(at, 7));
        kept.grab(); // paints every row, filling what the screen keeps
    }
    // A new screen for each look, so that nothing it kept can hide a stale row.
    const auto fresh = [&](const std::function<void(TerminalScreen &)> &prepare) {
        TerminalScreen f;
        f.resize(kept.size());
        f.feed(stream);
        prepare(f);
        return f.grab().toImage();
    };
    const auto asIs = [](TerminalScreen &) {};
    QCOMPARE(kept.grab().toImage(), fresh(asIs));

    // New colours, a selection, a cleared screen and a view scrolled back all repaint.
    const auto recolour = [](TerminalScreen &f) { f.setColors(Qt::black, Qt::white); };
    recolour(kept);
    QCOMPARE(kept.grab().toImage(), fresh(recolour));
    const auto select = [&](TerminalScreen &f) {
        recolour(f);
        f.selectAll();
    };
    kept.selectAll();
    QCOMPARE(kept.grab().toImage(), fresh(select));
    QVERIFY(kept.grab().toImage() != fresh(recolour));
    const auto clearAndRefeed = [&](TerminalScreen &f) {
        recolour(f);
        f.clearScreen();
        f.feed(stream);
    };
    kept.clearScreen();
    kept.feed(stream);
    QCOMPARE(kept.grab().toImage(), fresh(clearAndRefeed));
    QTest::keyClick(&kept, Qt::Key_PageUp, Qt::ShiftModifier);
    QCOMPARE(kept.grab().toImage(), fresh([&](TerminalScreen &f) {
                 clearAndRefeed(f);
                 QTest::keyClick(&f, Qt::Key_PageUp, Qt::ShiftModifier);
             }));
}

// Big chunks of plain lines take a shorter way into the scrollback than a byte at a time
// does; the operator must not be able to tell which way the text came.
void TerminalScreenTest::anyCutOfAStreamGivesTheSameScreen()
{
    std::mt19937 random(20261207);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    TerminalScreen bytewise;
    TerminalScreen chunked;
    bytewise.resize(bytewise.sizeHint());
    chunked.resize(bytewise.size());
    const int cols = bytewise.columns();
    const auto lineOf = [&](int i) {
        QByteArray line = QByteArray::number(i) + ' ';
        const int length = pick(40) == 0 ? cols - 3 + pick(5) : pick(cols / 2);
        while (line.size() < length)
            line += static_cast<char>(0x20 + pick(0x5F));
        // Long plain stretches, then stretches of everything else.
        switch (i % 500 < 400 ? 99 : pick(10)) {
        case 0:
            return line + "\tx\r\n";
        case 1:
            return line + "\b\bX\r\n";
        case 2:
            return line + "\rOVER\r\n";
        case 3:
            return line + "\n"; // a bare line feed keeps the column
        case 4:
            return line + "  \r\n";
        case 5:
            return QByteArray("caf\xe9 ") + line + "\r\n";
        case 6:
            return QByteArray("\r\n");
        default:
            return line + "\r\n";
        }
    };
    QByteArray stream;
    for (int i = 0; i < 10600; ++i)
        stream += lineOf(i);
    // Colours end the short way for good: these lines must keep the pen they were given.
    QByteArray coloured = "\x1b[1;31mred\r\n";
    for (int i = 0; i < 300; ++i)
        coloured += lineOf(i);
    coloured += "\x1b[0mtail";

    const auto compare = [&] {
        QCOMPARE(chunked.allText(), bytewise.allText());
        QCOMPARE(chunked.scrollbackCount(), bytewise.scrollbackCount());
        QCOMPARE(chunked.cursorPosition(), bytewise.cursorPosition());
        for (int offset : {0, 1, 17, 150, 400, 9000, bytewise.scrollbackCount()}) {
            bytewise.setViewOffset(offset);
            chunked.setViewOffset(offset);
            QCOMPARE(chunked.grab().toImage(), bytewise.grab().toImage());
        }
    };
    for (const QByteArray &part : {stream, coloured}) {
        for (qsizetype at = 0; at < part.size();) {
            const qsizetype n = 1 + pick(7);
            bytewise.feed(part.mid(at, n));
            at += n;
        }
        for (qsizetype at = 0; at < part.size();) {
            const qsizetype n = pick(4) == 0 ? 1 + pick(200) : 1 + pick(65536);
            chunked.feed(part.mid(at, n));
            at += n;
        }
        compare();
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_MAIN(TerminalScreenTest)
#include "TerminalScreenTest.moc"
