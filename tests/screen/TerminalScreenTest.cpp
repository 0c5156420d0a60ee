#include "TerminalScreen.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPaintEvent>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <random>
#include <tuple>

namespace {

QByteArray numberedLines(int first, int count)
{
    QByteArray out;
    for (int i = first; i < first + count; ++i)
        out += "line " + QByteArray::number(i) + "\r\n";
    return out;
}

void drag(TerminalScreen &s, QPoint from, QPoint to)
{
    const auto send = [&s](QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, pos, s.mapToGlobal(pos), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&s, &e);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// Records the paint events the screen receives.
class PaintedScreen : public TerminalScreen
{
public:
    QList<QRect> rects;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        for (const QRect &r : event->region())
            rects << r;
        TerminalScreen::paintEvent(event);
    }
};

} // namespace

class TerminalScreenTest : public QObject
{
    Q_OBJECT
private slots:
    void rendersReceivedText();
    void resizeFollowsPixelsAndKeepsLines();
    void scrollbackIsPagedAndSelectedWithTheMouse();
    void keysTransmitTheirBytesAfterTheOwnerHearsOfThem();
    void paintsSelectionAndCursor();
    void paintsOncePerFrameAndOnlyChangedRows();
    void keptRowsPaintLikeAFreshScreen();
    void anyCutOfAStreamGivesTheSameScreen();
};

void TerminalScreenTest::rendersReceivedText()
{
    const std::pair<QByteArray, QString> rows[] = {
        {"hello\r\nworld", "hello\nworld"},
        {"ab\ncd", "ab\n  cd"},                                       // a bare LF keeps the column
        {"\x1b[1;4;7;31;44mred\x1b[0m ok\x1b[38;5;202m!", "red ok!"}, // attributes are not text
        // Windows-1252
        {"caf\xe9 \x80 \x93q\x94", QStringLiteral(u"caf\u00e9 \u20ac \u201cq\u201d")},
        // 0x90 and 0x9D (octal 220, 235) decode to C1 controls (DCS, OSC); a noisy line must not
        // swallow output.
        {"a\220b\235c\201\r\nd", QStringLiteral(u"a\ufffdb\ufffdc\ufffd\nd")},
    };
    for (const auto &[input, screen] : rows) {
        TerminalScreen s;
        s.feed(input);
        QCOMPARE(s.screenText(), screen);
    }
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
    const auto kept = [&s] { return std::pair(s.allText(), s.cursorPosition()); };
    const auto before = kept();
    s.resize(673 / 2, 342 / 2);
    s.resize(673 / 3, 342);
    s.resize(673, 342);
    QCOMPARE(kept(), before);

    s.resize(1, 1);
    QCOMPARE(QSize(s.columns(), s.rows()), QSize(1, 1));
}

void TerminalScreenTest::scrollbackIsPagedAndSelectedWithTheMouse()
{
    TerminalScreen s;
    s.resize(s.sizeHint());
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    s.feed("first line\r\nsecond line\r\nthird");

    drag(s, s.cellRect(0, 6).center(), s.cellRect(2, 2).center());
    QCOMPARE(s.selectedText(), QStringLiteral("line\nsecond line\nthi"));
    s.copySelection();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("line\nsecond line\nthi"));

    // Dragging backwards selects the same cells.
    drag(s, s.cellRect(2, 2).center(), s.cellRect(0, 6).center());
    QCOMPARE(s.selectedText(), QStringLiteral("line\nsecond line\nthi"));

    // A click without a drag selects nothing.
    drag(s, s.cellRect(1, 1).center(), s.cellRect(1, 1).center());
    QCOMPARE(s.selectedText(), QString());

    QTest::mouseDClick(&s, Qt::LeftButton, Qt::NoModifier, s.cellRect(1, 3).center());
    QCOMPARE(s.selectedText(), QStringLiteral("second"));

    // A selection started in the scrollback spans into the live screen.
    s.feed("\r\n" + numberedLines(0, 100));
    QTest::keyClick(&s, Qt::Key_PageUp, Qt::ShiftModifier);
    const int back = s.viewOffset();
    QVERIFY(back > 0);
    drag(s, s.cellRect(0, 0).center(), s.cellRect(back + 1, 5).center());
    const QStringList picked = s.selectedText().split(QLatin1Char('\n'));
    QCOMPARE(picked.size(), back + 2);
    const QStringList all = s.allText().split(QLatin1Char('\n'));
    QCOMPARE(picked.first(), all.at(s.scrollbackCount() - back));
    QCOMPARE(picked.last(), all.at(s.scrollbackCount() + 1).left(6));

    s.selectAll();
    QCOMPARE(s.selectedText(), s.allText());

    // The view cannot go past the oldest line.
    QVERIFY(s.scrollbackLimit() >= 10000);
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(&s, Qt::Key_PageUp, Qt::ShiftModifier);
    QCOMPARE(s.viewOffset(), s.scrollbackCount());
    QTest::keyClick(&s, Qt::Key_PageDown, Qt::ShiftModifier);
    QCOMPARE(s.viewOffset(), s.scrollbackCount() - (s.rows() - 1));
}

void TerminalScreenTest::keysTransmitTheirBytesAfterTheOwnerHearsOfThem()
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new QLineEdit);
    auto *s = new TerminalScreen;
    layout->addWidget(s);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Each key's name, then each piece it sent, in hex.
    QStringList sent, want;
    connect(s, &TerminalScreen::keyBytes, s,
            [&](const QByteArray &b) { sent << QString::fromLatin1(b.toHex()); });
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const std::tuple<const char *, Qt::Key, QByteArray, Qt::KeyboardModifiers> rows[] = {
        {"Return", Qt::Key_Return, "\r", none},
        {"keypad Enter", Qt::Key_Enter, "\r", none},
        {"Backspace is BS", Qt::Key_Backspace, "\b", none},
        {"Escape", Qt::Key_Escape, "\x1b", none},
        {"Ctrl+Z", Qt::Key_Z, "\x1a", Qt::ControlModifier},
        {"Ctrl+C", Qt::Key_C, "\x03", Qt::ControlModifier},
        {"Up", Qt::Key_Up, "\x1b[A", none},
        {"Left", Qt::Key_Left, "\x1b[D", none},
        {"PageDown", Qt::Key_PageDown, "\x1b[6~", none},
        {"F1", Qt::Key_F1, "\x1bOP", none},
        {"F12", Qt::Key_F12, "\x1b[24~", none},
        {"letter", Qt::Key_A, "a", none},
        // Not taken for moving the focus, though there is another field to move it to.
        {"Tab", Qt::Key_Tab, "\t", none},
        {"Shift+Tab", Qt::Key_Backtab, "\x1b[Z", Qt::ShiftModifier},
        {"Alt+letter is an accelerator", Qt::Key_F, "", Qt::AltModifier}};
    for (const auto &[name, key, bytes, modifiers] : rows) {
        s->setFocus();
        sent << name;
        want << name;
        if (!bytes.isEmpty())
            want << QString::fromLatin1(bytes.toHex());
        QTest::keyClick(s, key, modifiers);
    }
    QCOMPARE(sent, want);

    // The owner hears of a key before its bytes go, and Ctrl+Shift+C and V are left to it.
    // QTest presses the modifier keys as keys of their own; they transmit nothing.
    const auto key = [](int k) { return QStringLiteral("key %1").arg(k); };
    connect(s, &TerminalScreen::keyPressed, s, [&](int k, Qt::KeyboardModifiers) {
        if (k != Qt::Key_Control && k != Qt::Key_Shift)
            sent << key(k);
    });
    sent.clear();
    QTest::keyClick(s, 'a');
    QTest::keyClick(s, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(s, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    // Text beyond ASCII goes out in Windows-1252.
    QKeyEvent eacute(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QStringLiteral(u"\u00e9"));
    QApplication::sendEvent(s, &eacute);
    // Application cursor mode, as set by the far end, changes what the arrows send.
    s->feed("\x1b[?1h");
    QTest::keyClick(s, Qt::Key_Up);
    QCOMPARE(sent, QStringList({key(Qt::Key_A), "61", key(Qt::Key_C), key(Qt::Key_V),
                                key(Qt::Key_Eacute), "e9", key(Qt::Key_Up), "1b4f41"}));
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
    PaintedScreen s;
    s.resize(s.sizeHint());
    s.show();
    QVERIFY(QTest::qWaitForWindowExposed(&s));
    // Waits for the paint `bytes` cause: every paint due before them has come by then.
    const auto feedAndSettle = [&](const QByteArray &bytes) {
        const qsizetype before = s.rects.size();
        s.feed(bytes);
        QTRY_VERIFY(s.rects.size() > before);
    };
    feedAndSettle("first\r\nsecond\r\nthird");

    // A read of a few bytes every millisecond for 300 ms: the screen keeps up, painted
    // about 20 times rather than 300.
    s.rects.clear();
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
    QVERIFY2(s.rects.size() <= 40, qPrintable(QString::number(s.rects.size())));

    // One character on an idle screen repaints its row alone.
    feedAndSettle("\x1b[3;1H");
    s.rects.clear();
    feedAndSettle("x");
    feedAndSettle("y"); // a stray paint of another row would have come before this one
    for (const QRect &r : s.rects) {
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
    using Step = std::function<void(TerminalScreen &)>;
    const auto fresh = [&](std::initializer_list<Step> steps) {
        TerminalScreen f;
        f.resize(kept.size());
        f.feed(stream);
        for (const Step &step : steps)
            step(f);
        return f.grab().toImage();
    };
    QCOMPARE(kept.grab().toImage(), fresh({}));

    // New colours, a selection, a cleared screen and a view scrolled back all repaint.
    const Step recolour = [](TerminalScreen &f) { f.setColors(Qt::black, Qt::white); };
    const Step select = [](TerminalScreen &f) { f.selectAll(); };
    const Step refill = [&](TerminalScreen &f) {
        f.clearScreen();
        f.feed(stream);
    };
    const Step back = [](TerminalScreen &f) {
        QTest::keyClick(&f, Qt::Key_PageUp, Qt::ShiftModifier);
    };
    recolour(kept);
    QCOMPARE(kept.grab().toImage(), fresh({recolour}));
    select(kept);
    QCOMPARE(kept.grab().toImage(), fresh({recolour, select}));
    QVERIFY(kept.grab().toImage() != fresh({recolour}));
    refill(kept); // the selection goes with the text
    QCOMPARE(kept.grab().toImage(), fresh({recolour, refill}));
    back(kept);
    QCOMPARE(kept.grab().toImage(), fresh({recolour, refill, back}));
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
        // Long plain stretches, then stretches of everything else; "\n" alone keeps the column.
        static const char *const ends[] = {"\tx\r\n", "\b\bX\r\n", "\rOVER\r\n", "\n", "  \r\n"};
        const int kind = i % 500 < 400 ? 99 : pick(10);
        if (kind < 5)
            return line + ends[kind];
        if (kind == 5)
            return "caf\xe9 " + line + "\r\n";
        return kind == 6 ? QByteArray("\r\n") : line + "\r\n";
    };
    QByteArray stream;
    for (int i = 0; i < 10600; ++i)
        stream += lineOf(i);
    // Colours end the short way for good: these lines must keep the pen they were given.
    QByteArray coloured = "\x1b[1;31mred\r\n";
    for (int i = 0; i < 300; ++i)
        coloured += lineOf(i);
    coloured += "\x1b[0mtail";

    for (const QByteArray &part : {stream, coloured}) {
        for (qsizetype at = 0, n = 0; at < part.size(); at += n) {
            n = 1 + pick(7);
            bytewise.feed(part.mid(at, n));
        }
        for (qsizetype at = 0, n = 0; at < part.size(); at += n) {
            n = pick(4) == 0 ? 1 + pick(200) : 1 + pick(65536);
            chunked.feed(part.mid(at, n));
        }
        QCOMPARE(chunked.allText(), bytewise.allText());
        QCOMPARE(chunked.scrollbackCount(), bytewise.scrollbackCount());
        QCOMPARE(chunked.cursorPosition(), bytewise.cursorPosition());
        for (int offset : {0, 1, 17, 150, 400, 9000, bytewise.scrollbackCount()}) {
            bytewise.setViewOffset(offset);
            chunked.setViewOffset(offset);
            QCOMPARE(chunked.grab().toImage(), bytewise.grab().toImage());
        }
    }
}

QTEST_MAIN(TerminalScreenTest)
#include "TerminalScreenTest.moc"
