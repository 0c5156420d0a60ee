#include "TerminalScreen.h"

#include "Cp1252.h"
#include "QtText.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QRawFont>
#include <QStringList>
#include <QTimer>
#include <QWheelEvent>

#include <vterm.h>

#include <algorithm>
#include <array>
#include <climits>
#include <compare>
#include <cstdint>
#include <map>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

constexpr int kScrollbackLimit = 10000;
constexpr int kMargin = 2;
constexpr int kWheelUnitsPerLine = 40; // 3 lines per 120-unit notch
constexpr qint64 kBellGapMs = 200;
// However fast chunks arrive, the screen is painted at most once per display frame.
constexpr int kFrameMs = 16;
// Once a whole screenful scrolls by between two frames no line can be read as it passes,
// and each frame repaints the whole screen and waits for the display to take it: then 20
// frames a second show the same flood for a third of the cost.
constexpr int kFloodFrameMs = 50;
// libvterm marks the right half of a double-width glyph with this code.
constexpr char32_t kWideTail = 0xFFFFFFFFu;

enum CellFlag : std::uint8_t
{
    Bold = 1,
    Underline = 2,
    Italic = 4,
    Strike = 8,
    Reverse = 16,
    DefaultFg = 32,
    DefaultBg = 64,
};
constexpr std::uint8_t kFontFlags = Bold | Underline | Italic | Strike;

// Our copy of a cell: 16 bytes where libvterm's takes 40, which matters for 10,000 lines.
// Received text is Windows-1252, so one code point per cell is all that can occur.
struct Cell
{
    char32_t ch = 0;
    QRgb fg = 0;
    QRgb bg = 0;
    std::uint8_t flags = DefaultFg | DefaultBg;
    bool operator==(const Cell &) const = default;
};

bool isBlank(const Cell &c)
{
    return (c.ch == 0 || c.ch == U' ') && (c.flags & ~(DefaultFg | Bold | Italic)) == DefaultBg;
}

// ANSI colours 0-15, tuned to stay readable on the navy background.
constexpr std::array<QRgb, 16> kPalette = {
    0xff2a3346, 0xffe06c75, 0xff98c379, 0xffe5c07b, 0xff61afef, 0xffc678dd, 0xff56b6c2, 0xffc8ccd4,
    0xff5c6370, 0xffff7b86, 0xffb5e890, 0xffffd68a, 0xff82c4ff, 0xffdd9cf0, 0xff7fd6e0, 0xffffffff,
};
constexpr QRgb kDefaultFg = 0xffd6dde8;
constexpr QRgb kDefaultBg = 0xff0f1b2d;
constexpr QRgb kSelectionFg = 0xffffffff;
constexpr QRgb kSelectionBg = 0xff35598a;
constexpr QRgb kCursorColor = 0xfff0c674;
constexpr QRgb kMatchFg = 0xffffffff;
constexpr QRgb kMatchBg = 0xff7a6420;
constexpr QRgb kCurrentMatchFg = 0xff0f1b2d;
constexpr QRgb kCurrentMatchBg = 0xffffa040;

// A point in the text: `line` counts every line the terminal ever kept (scrollback first,
// then the screen), so it stays put while lines scroll into the scrollback.
struct TextPos
{
    qint64 line = 0;
    int col = 0;
    auto operator<=>(const TextPos &) const = default;
};

void appendCodePoint(QString &out, char32_t ch)
{
    if (ch == 0 || ch == kWideTail || ch < 0x20) {
        out += QLatin1Char(' ');
    } else if (ch > 0xFFFF) {
        out += QChar(QChar::highSurrogate(ch));
        out += QChar(QChar::lowSurrogate(ch));
    } else {
        out += QChar(static_cast<char16_t>(ch));
    }
}

void chopTrailingBlanks(QString &s)
{
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
        --n;
    s.truncate(n);
}

// The five bytes Windows-1252 leaves unassigned decode to C1 controls, and libvterm obeys
// those even in UTF-8 mode: one line-noise 0x90 (DCS) would swallow all output that follows.
// They are shown as U+FFFD instead.
void maskC1Controls(std::string &utf8)
{
    const auto isC1 = [&](size_t i) {
        return static_cast<unsigned char>(utf8[i]) == 0xC2 && i + 1 < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + 1]) & 0xE0) == 0x80;
    };
    size_t i = 0;
    while (i < utf8.size() && !isC1(i))
        ++i;
    if (i == utf8.size())
        return;
    std::string out(utf8, 0, i);
    for (; i < utf8.size(); ++i) {
        if (isC1(i)) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out += utf8[i];
        }
    }
    utf8.swap(out);
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || QStringView(u"_-+.@/:#%~").contains(c);
}

} // namespace

struct TerminalScreen::Private
{
    TerminalScreen *q;
    VTerm *vt = nullptr;
    VTermScreen *screen = nullptr;
    VTermState *state = nullptr;
    int rows = 24;
    int cols = 80;

    // Scrollback ring: `head` is the oldest line once the ring is full; until then it is 0.
    std::vector<std::vector<Cell>> ring;
    int head = 0;
    int count = 0;
    qint64 dropped = 0; // lines ever dropped off the top, for TextPos

    int offset = 0; // view scrolled back by this many lines
    int wheelRemainder = 0;

    // Rows libvterm reported changed since the last flush, then rows waiting for the next frame.
    int damageTop = INT_MAX;
    int damageBottom = -1;
    std::vector<bool> dirtyRows;
    bool plainSession = true; // no escape or shift code has reached libvterm yet
    QTimer frameTimer;
    QElapsedTimer sinceFrame;
    int scrolledSinceFrame = 0;
    int frameMs = kFrameMs;
    bool bellPending = false;
    QElapsedTimer lastBell;

    bool cursorVisible = true;
    bool reverseScreen = false;
    QByteArray *keyOut = nullptr; // set only while a key is translated

    QRgb fg = kDefaultFg;
    QRgb bg = kDefaultBg;

    int cellW = 8;
    int cellH = 16;
    int ascent = 12;
    std::array<QFont, 16> fonts;
    std::array<QRawFont, 16> rawFonts;

    bool selActive = false;
    bool selDragging = false;
    TextPos anchor;
    TextPos extent;

    // A stretch of one style within a row: its background, and its text as glyphs placed on
    // the grid (no shaping), or as text drawn cell by cell when the font lacks a glyph.
    struct Run
    {
        int col = 0;
        int width = 0;
        QRgb fg = 0;
        QRgb bg = 0;
        std::uint8_t font = 0;
        QGlyphRun glyphs;
        QString fallback;
    };
    // A line as painted, kept until its cells change; `line` counts as TextPos::line does.
    struct PaintedRow
    {
        qint64 line = -1;
        std::vector<Cell> cells;
        std::vector<Run> runs;
    };
    // Slot line % size: lines keep their slot as output scrolls them up the screen.
    std::vector<PaintedRow> rowCache;
    PaintedRow scratchRow; // a row under the selection or Find, in their colours, never kept
    std::vector<Cell> rowBuf;
    using GlyphMap = std::unordered_map<char32_t, quint32>;
    std::array<GlyphMap, 16> glyphMaps;
    QList<quint32> glyphIndexes;
    QList<QPointF> glyphPositions;

    // Find: the text looked for, and the match the operator walked to (line -1: none).
    QString findText;
    Qt::CaseSensitivity findCase = Qt::CaseInsensitive;
    TextPos findCurrent{-1, 0};
    QString findLine; // a line as searched, one character a cell
    // Cells of the row being built: 1 in a match, 2 in the current one.
    std::vector<std::uint8_t> findMarks;
    bool viewShifted = false; // the whole view is to be painted in the next frame

    // libvterm cuts the rows when the screen narrows. A row's whole text is kept here, by
    // TextPos::line, while the row still shows what it showed (its first `shown` cells), so
    // that it reaches the scrollback whole and comes back whole when the screen widens.
    struct CutRow
    {
        std::vector<Cell> whole;
        int shown = 0;
    };
    std::map<qint64, CutRow> cutRows;

    explicit Private(TerminalScreen *owner) : q(owner) {}

    void damage(int top, int bottom)
    {
        damageTop = std::min(damageTop, top);
        damageBottom = std::max(damageBottom, bottom);
    }

    int lineSlot(int index) const { return (head + index) % static_cast<int>(ring.size()); }
    qint64 totalLines() const { return count + rows; }

    Cell toCell(const VTermScreenCell &c) const
    {
        Cell out;
        out.ch = c.chars[0];
        std::uint8_t f = 0;
        if (c.attrs.bold)
            f |= Bold;
        if (c.attrs.underline)
            f |= Underline;
        if (c.attrs.italic)
            f |= Italic;
        if (c.attrs.strike)
            f |= Strike;
        if (c.attrs.reverse)
            f |= Reverse;
        VTermColor fgc = c.fg;
        VTermColor bgc = c.bg;
        if (VTERM_COLOR_IS_DEFAULT_FG(&fgc)) {
            f |= DefaultFg;
        } else {
            vterm_screen_convert_color_to_rgb(screen, &fgc);
            out.fg = qRgb(fgc.rgb.red, fgc.rgb.green, fgc.rgb.blue);
        }
        if (VTERM_COLOR_IS_DEFAULT_BG(&bgc)) {
            f |= DefaultBg;
        } else {
            vterm_screen_convert_color_to_rgb(screen, &bgc);
            out.bg = qRgb(bgc.rgb.red, bgc.rgb.green, bgc.rgb.blue);
        }
        out.flags = f;
        return out;
    }

    void toVterm(const Cell &c, VTermScreenCell &out) const
    {
        out = VTermScreenCell{};
        out.chars[0] = c.ch;
        out.width = 1;
        out.attrs.bold = (c.flags & Bold) != 0;
        out.attrs.underline = (c.flags & Underline) ? VTERM_UNDERLINE_SINGLE : VTERM_UNDERLINE_OFF;
        out.attrs.italic = (c.flags & Italic) != 0;
        out.attrs.strike = (c.flags & Strike) != 0;
        out.attrs.reverse = (c.flags & Reverse) != 0;
        VTermColor defFg;
        VTermColor defBg;
        vterm_state_get_default_colors(state, &defFg, &defBg);
        if (c.flags & DefaultFg)
            out.fg = defFg;
        else
            vterm_color_rgb(&out.fg, qRed(c.fg), qGreen(c.fg), qBlue(c.fg));
        if (c.flags & DefaultBg)
            out.bg = defBg;
        else
            vterm_color_rgb(&out.bg, qRed(c.bg), qGreen(c.bg), qBlue(c.bg));
    }

    // The scrollback's next line, emptied; a reused slot keeps its capacity.
    std::vector<Cell> &newScrollbackLine()
    {
        ++scrolledSinceFrame;
        std::vector<Cell> *line;
        if (count == kScrollbackLimit) {
            line = &ring[static_cast<size_t>(head)];
            head = (head + 1) % kScrollbackLimit;
            ++dropped;
        } else if (ring.size() < static_cast<size_t>(kScrollbackLimit)) {
            if (static_cast<size_t>(count) == ring.size())
                ring.emplace_back();
            line = &ring[static_cast<size_t>(count)];
            ++count;
        } else {
            line = &ring[static_cast<size_t>(lineSlot(count))];
            ++count;
        }
        line->clear();
        return *line;
    }

    // Trailing blanks are not stored.
    static void trimLine(std::vector<Cell> &line)
    {
        while (!line.empty() && isBlank(line.back()))
            line.pop_back();
    }

    void pushLine(int ncols, const VTermScreenCell *cells)
    {
        const qint64 at = dropped + count;
        std::vector<Cell> &line = newScrollbackLine();
        line.resize(static_cast<size_t>(ncols));
        for (int i = 0; i < ncols; ++i)
            line[static_cast<size_t>(i)] = toCell(cells[i]);
        trimLine(line);
        if (!cutRows.empty()) {
            if (const auto it = cutRows.find(at);
                it != cutRows.end() && stillShows(it->second, line, ncols))
                line = it->second.whole;
            cutRows.erase(cutRows.begin(), cutRows.upper_bound(at));
        }
    }

    // The row shows the kept line's first cells and nothing after them.
    static bool stillShows(const CutRow &cut, const std::vector<Cell> &row, int width)
    {
        const Cell blank;
        for (int i = 0; i < width; ++i) {
            const auto at = static_cast<size_t>(i);
            const Cell &want = i < cut.shown && at < cut.whole.size() ? cut.whole[at] : blank;
            const Cell &have = at < row.size() ? row[at] : blank;
            if (!(want == have) && !(isBlank(want) && isBlank(have)))
                return false;
        }
        return true;
    }

    // Before the screen narrows to `newCols`: the rows it will cut.
    void keepCutRows(int newCols)
    {
        std::vector<Cell> row;
        for (int r = 0; r < rows; ++r) {
            const qint64 line = dropped + count + r;
            fetchLine(count + r, row);
            const auto it = cutRows.find(line);
            if (it != cutRows.end() && stillShows(it->second, row, cols)) {
                it->second.shown = std::min(it->second.shown, newCols);
                continue;
            }
            trimLine(row);
            if (static_cast<int>(row.size()) > newCols)
                cutRows[line] = CutRow{row, newCols};
            else if (it != cutRows.end())
                cutRows.erase(it);
        }
    }

    // After a resize: what fits again is written back where it was, in its own colours.
    void restoreCutRows()
    {
        std::vector<Cell> row;
        std::string out;
        const auto sgr = [](std::string &to, bool bold, bool underline, bool italic, bool strike,
                            bool reverse, const std::string &colours) {
            to += "\x1b[0";
            to += bold ? ";1" : "";
            to += underline ? ";4" : "";
            to += italic ? ";3" : "";
            to += strike ? ";9" : "";
            to += reverse ? ";7" : "";
            to += colours + 'm';
        };
        const auto rgb = [](int layer, QRgb c) {
            return ';' + std::to_string(layer) + ";2;" + std::to_string(qRed(c)) + ';' +
                   std::to_string(qGreen(c)) + ';' + std::to_string(qBlue(c));
        };
        for (int r = 0; r < rows; ++r) {
            const auto it = cutRows.find(dropped + count + r);
            if (it == cutRows.end())
                continue;
            fetchLine(count + r, row);
            CutRow &cut = it->second;
            if (!stillShows(cut, row, std::min(cols, static_cast<int>(row.size())))) {
                cutRows.erase(it);
                continue;
            }
            if (cols <= cut.shown)
                continue;
            const int end = std::min(cols, static_cast<int>(cut.whole.size()));
            out += "\x1b[" + std::to_string(r + 1) + ';' + std::to_string(cut.shown + 1) + 'H';
            for (int c = cut.shown; c < end; ++c) {
                const Cell &cell = cut.whole[static_cast<size_t>(c)];
                if (cell.ch == kWideTail)
                    continue;
                std::string colours;
                if (!(cell.flags & DefaultFg))
                    colours += rgb(38, cell.fg);
                if (!(cell.flags & DefaultBg))
                    colours += rgb(48, cell.bg);
                sgr(out, cell.flags & Bold, cell.flags & Underline, cell.flags & Italic,
                    cell.flags & Strike, cell.flags & Reverse, colours);
                QString text;
                appendCodePoint(text, cell.ch == 0 ? U' ' : cell.ch);
                out += text.toStdString();
            }
            if (static_cast<int>(cut.whole.size()) <= cols)
                cutRows.erase(it);
            else
                cut.shown = cols;
        }
        if (out.empty())
            return;
        // The pen and the cursor are the line's again afterwards.
        VTermPos cursor;
        vterm_state_get_cursorpos(state, &cursor);
        VTermValue v[7];
        const VTermAttr attrs[7] = {
            VTERM_ATTR_BOLD,    VTERM_ATTR_UNDERLINE,  VTERM_ATTR_ITALIC,    VTERM_ATTR_STRIKE,
            VTERM_ATTR_REVERSE, VTERM_ATTR_FOREGROUND, VTERM_ATTR_BACKGROUND};
        for (int i = 0; i < 7; ++i)
            vterm_state_get_penattr(state, attrs[i], &v[i]);
        std::string colours;
        for (int i = 5; i < 7; ++i) {
            const VTermColor &c = v[i].color;
            const int layer = i == 5 ? 38 : 48;
            if (VTERM_COLOR_IS_DEFAULT_FG(&c) || VTERM_COLOR_IS_DEFAULT_BG(&c))
                continue;
            if (VTERM_COLOR_IS_INDEXED(&c))
                colours += ';' + std::to_string(layer) + ";5;" + std::to_string(c.indexed.idx);
            else
                colours += rgb(layer, qRgb(c.rgb.red, c.rgb.green, c.rgb.blue));
        }
        sgr(out, v[0].boolean, v[1].number != 0, v[2].boolean, v[3].boolean, v[4].boolean, colours);
        out +=
            "\x1b[" + std::to_string(cursor.row + 1) + ';' + std::to_string(cursor.col + 1) + 'H';
        write(out);
    }

    // A line of printable ASCII in the default pen, as libvterm would have pushed it.
    void pushPlainLine(std::string_view text)
    {
        if (!cutRows.empty())
            cutRows.erase(cutRows.begin(), cutRows.upper_bound(dropped + count));
        std::vector<Cell> &line = newScrollbackLine();
        line.resize(text.size());
        for (size_t i = 0; i < text.size(); ++i)
            line[i].ch = static_cast<unsigned char>(text[i]);
        trimLine(line);
    }

    void write(std::string_view bytes) const { vterm_input_write(vt, bytes.data(), bytes.size()); }

    // The cursor waits at the start of an empty bottom row, as after a line feed there.
    bool atBottomOfScreen() const
    {
        VTermPos cursor;
        vterm_state_get_cursorpos(state, &cursor);
        if (cursor.row != rows - 1 || cursor.col != 0)
            return false;
        VTermScreenCell cell;
        for (int c = 0; c < cols; ++c) {
            vterm_screen_get_cell(screen, VTermPos{rows - 1, c}, &cell);
            if (cell.chars[0] != 0)
                return false;
        }
        return true;
    }

    // ASCII text in a session where nothing has changed libvterm's pen, modes or character
    // sets. libvterm moves its whole screen buffer for every line it scrolls, which made a
    // stream cost a screenful of copying per line. So the plain lines of a chunk scroll the
    // screen once, and those that would only pass through it go straight to the scrollback.
    void feedPlain(std::string_view text)
    {
        size_t pos = text.find('\n');
        if (pos == std::string_view::npos) {
            write(text);
            return;
        }
        ++pos;
        write(text.substr(0, pos));
        std::vector<std::string_view> lines;
        size_t end = pos;
        while (end < text.size()) {
            const size_t lf = text.find('\n', end);
            if (lf == std::string_view::npos || lf == end || text[lf - 1] != '\r')
                break;
            const std::string_view line = text.substr(end, lf - 1 - end);
            if (line.size() >= static_cast<size_t>(cols) ||
                !std::all_of(line.begin(), line.end(),
                             [](char c) { return c >= 0x20 && c < 0x7F; }))
                break;
            lines.push_back(line);
            end = lf + 1;
        }
        if (lines.size() >= 2 && atBottomOfScreen()) {
            // As many rows as the lines will push up scroll into the scrollback, as libvterm
            // does it (the empty bottom row stays on the screen)...
            const size_t written = std::min(lines.size(), static_cast<size_t>(rows - 1));
            std::string out;
            if (written > 0)
                out = "\x1b[" + std::to_string(written) + 'S';
            write(out);
            // ...then the lines that would have followed them through the screen...
            const size_t passing = lines.size() - written;
            for (size_t i = 0; i < passing; ++i)
                pushPlainLine(lines[i]);
            // ...and the others are written on the rows that scrolling left empty.
            out = "\x1b[" + std::to_string(static_cast<size_t>(rows) - written) + ";1H";
            for (size_t i = passing; i < lines.size(); ++i) {
                out += lines[i];
                out += "\r\n";
            }
            write(out);
            pos = end;
        }
        write(text.substr(pos));
    }

    bool popLine(int ncols, VTermScreenCell *cells)
    {
        if (count == 0)
            return false;
        --count;
        const std::vector<Cell> &line = ring[static_cast<size_t>(lineSlot(count))];
        if (static_cast<int>(line.size()) > ncols)
            cutRows[dropped + count] = CutRow{line, ncols};
        const Cell blank;
        for (int i = 0; i < ncols; ++i)
            toVterm(static_cast<size_t>(i) < line.size() ? line[static_cast<size_t>(i)] : blank,
                    cells[i]);
        offset = std::min(offset, count);
        return true;
    }

    // Cells of a line by index (0 = oldest scrollback line). Scrollback lines come back
    // without their trailing blanks, screen rows with all their columns.
    void fetchLine(qint64 index, std::vector<Cell> &out) const
    {
        out.clear();
        if (index < 0 || index >= totalLines())
            return;
        if (index < count) {
            const auto &line = ring[static_cast<size_t>(lineSlot(static_cast<int>(index)))];
            out.assign(line.begin(), line.end());
            return;
        }
        const int row = static_cast<int>(index - count);
        out.reserve(static_cast<size_t>(cols));
        VTermScreenCell vc;
        for (int c = 0; c < cols; ++c) {
            vterm_screen_get_cell(screen, VTermPos{row, c}, &vc);
            out.push_back(toCell(vc));
        }
    }

    QString lineText(qint64 index, int from = 0, int to = INT_MAX) const
    {
        std::vector<Cell> cells;
        fetchLine(index, cells);
        QString out;
        const int end = std::min(to, static_cast<int>(cells.size()));
        for (int i = std::max(0, from); i < end; ++i) {
            if (cells[static_cast<size_t>(i)].ch != kWideTail)
                appendCodePoint(out, cells[static_cast<size_t>(i)].ch);
        }
        chopTrailingBlanks(out);
        return out;
    }

    QString linesText(qint64 first, qint64 last) const
    {
        QStringList lines;
        for (qint64 i = first; i <= last; ++i)
            lines << lineText(i);
        while (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines.join(QLatin1Char('\n'));
    }

    qint64 viewIndex(int row) const { return count - offset + row; }

    TextPos posAt(const QPoint &p) const
    {
        const int row = std::clamp((p.y() - kMargin) / cellH, 0, rows - 1);
        const int col = std::clamp((p.x() - kMargin) / cellW, 0, cols - 1);
        return TextPos{dropped + viewIndex(row), col};
    }

    std::pair<TextPos, TextPos> selectionRange() const
    {
        return anchor <= extent ? std::pair{anchor, extent} : std::pair{extent, anchor};
    }

    void clearSelection()
    {
        selActive = false;
        selDragging = false;
    }

    bool scrollView(int lines)
    {
        const int next = std::clamp(offset + lines, 0, count);
        if (next == offset)
            return false;
        offset = next;
        q->update();
        emit q->viewMoved();
        return true;
    }

    void updateMetrics()
    {
        QFont base = q->font();
        base.setKerning(false);
        QFontMetrics fm(base);
        cellW = std::max(1, fm.horizontalAdvance(QLatin1Char('M')));
        cellH = std::max(1, fm.height());
        ascent = fm.ascent();
        for (int i = 0; i < 16; ++i) {
            QFont f = base;
            f.setBold(i & Bold);
            f.setUnderline(i & Underline);
            f.setItalic(i & Italic);
            f.setStrikeOut(i & Strike);
            fonts[static_cast<size_t>(i)] = f;
            rawFonts[static_cast<size_t>(i)] = QRawFont::fromFont(f);
            glyphMaps[static_cast<size_t>(i)].clear();
        }
        forgetRows();
    }

    void updateSize()
    {
        const int newCols = std::max(1, (q->width() - 2 * kMargin) / cellW);
        const int newRows = std::max(1, (q->height() - 2 * kMargin) / cellH);
        if (newCols != cols || newRows != rows) {
            if (newCols < cols)
                keepCutRows(newCols);
            vterm_set_size(vt, newRows, newCols);
            rows = newRows;
            cols = newCols;
            if (!cutRows.empty())
                restoreCutRows();
            vterm_screen_flush_damage(screen);
            damageTop = INT_MAX;
            damageBottom = -1;
            offset = std::min(offset, count);
            dirtyRows.assign(static_cast<size_t>(rows), false);
            rowCache.assign(static_cast<size_t>(2 * rows), PaintedRow{});
        }
        q->update();
    }

    QRgb defaultFg() const { return reverseScreen ? bg : fg; }
    QRgb defaultBg() const { return reverseScreen ? fg : bg; }

    void forgetRows()
    {
        for (PaintedRow &row : rowCache)
            row.line = -1;
    }

    // Rows of the live screen to paint in the next frame.
    void markDirty(int top, int bottom)
    {
        top = std::max(top, 0);
        bottom = std::min(bottom, rows);
        if (top >= bottom)
            return;
        std::fill(dirtyRows.begin() + top, dirtyRows.begin() + bottom, true);
        if (frameTimer.isActive())
            return;
        const qint64 since = sinceFrame.isValid() ? sinceFrame.elapsed() : frameMs;
        frameTimer.start(static_cast<int>(std::clamp<qint64>(frameMs - since, 0, frameMs)));
    }

    void frame()
    {
        sinceFrame.start();
        frameMs = scrolledSinceFrame >= rows ? kFloodFrameMs : kFrameMs;
        scrolledSinceFrame = 0;
        QRegion region;
        for (int row = 0; row < rows; ++row) {
            if (!dirtyRows[static_cast<size_t>(row)])
                continue;
            dirtyRows[static_cast<size_t>(row)] = false;
            const int viewRow = row + offset;
            if (viewRow < rows)
                region += QRect(0, kMargin + viewRow * cellH, q->width(), cellH);
        }
        if (std::exchange(viewShifted, false))
            q->update();
        else if (!region.isEmpty())
            q->update(region);
    }

    bool selectionTouches(qint64 line) const
    {
        if (!selActive)
            return false;
        const auto [from, to] = selectionRange();
        return from.line <= line && line <= to.line;
    }

    // The row shown at a view row, from the cache while its cells are unchanged.
    const PaintedRow &paintedRow(int viewRow)
    {
        const qint64 index = viewIndex(viewRow);
        const qint64 line = dropped + index;
        fetchLine(index, rowBuf);
        if (markMatches(line, rowBuf) || selectionTouches(line)) {
            scratchRow.line = line;
            scratchRow.cells.swap(rowBuf);
            buildRuns(scratchRow, true);
            return scratchRow;
        }
        PaintedRow &row =
            rowCache[static_cast<size_t>(line % static_cast<qint64>(rowCache.size()))];
        if (row.line != line || row.cells != rowBuf) {
            row.line = line;
            row.cells.swap(rowBuf);
            buildRuns(row, false);
        }
        return row;
    }

    void buildRuns(PaintedRow &row, bool withSelection)
    {
        row.runs.clear();
        const QRgb defFg = defaultFg();
        const QRgb defBg = defaultBg();
        const auto [selFrom, selTo] = selectionRange();
        const Cell blank;
        const auto cellAt = [&](int c) -> const Cell & {
            return static_cast<size_t>(c) < row.cells.size() ? row.cells[static_cast<size_t>(c)]
                                                             : blank;
        };
        const auto styleOf = [&](const Cell &c, int col, QRgb &f, QRgb &b) {
            f = (c.flags & DefaultFg) ? defFg : c.fg;
            b = (c.flags & DefaultBg) ? defBg : c.bg;
            if (c.flags & Reverse)
                std::swap(f, b);
            const TextPos at{row.line, col};
            if (withSelection && selFrom <= at && at <= selTo) {
                f = kSelectionFg;
                b = kSelectionBg;
            } else if (withSelection && static_cast<size_t>(col) < findMarks.size() &&
                       findMarks[static_cast<size_t>(col)] != 0) {
                const bool current = findMarks[static_cast<size_t>(col)] == 2;
                f = current ? kCurrentMatchFg : kMatchFg;
                b = current ? kCurrentMatchBg : kMatchBg;
            }
        };
        int col = 0;
        while (col < cols) {
            Run run;
            styleOf(cellAt(col), col, run.fg, run.bg);
            run.font = cellAt(col).flags & kFontFlags;
            run.col = col;
            bool visible = false;
            for (; col < cols; ++col) {
                const Cell &c = cellAt(col);
                QRgb cf;
                QRgb cb;
                styleOf(c, col, cf, cb);
                if (cb != run.bg || (c.flags & kFontFlags) != run.font ||
                    (cf != run.fg && !isBlank(c)))
                    break;
                visible = visible || (c.ch > U' ' && c.ch != kWideTail) ||
                          (run.font & (Underline | Strike));
            }
            run.width = col - run.col;
            if (visible)
                placeGlyphs(run, row.cells);
            if (visible || run.bg != defBg)
                row.runs.push_back(std::move(run));
        }
    }

    // The glyph of a character in one of the fonts, looked up once; 0 when it has none.
    quint32 glyphFor(int font, char32_t ch)
    {
        GlyphMap &map = glyphMaps[static_cast<size_t>(font)];
        if (const auto it = map.find(ch); it != map.end())
            return it->second;
        QString s;
        appendCodePoint(s, ch);
        quint32 glyphs[2] = {0, 0};
        int n = 2;
        const QRawFont &raw = rawFonts[static_cast<size_t>(font)];
        if (!raw.isValid() ||
            !raw.glyphIndexesForChars(s.constData(), static_cast<int>(s.size()), glyphs, &n) ||
            n != 1)
            glyphs[0] = 0;
        map.emplace(ch, glyphs[0]);
        return glyphs[0];
    }

    // Every cell is one glyph at its grid position, so the text needs no shaping, and blank
    // cells need no glyph. A character the font lacks leaves the run to QPainter's font
    // fallback.
    void placeGlyphs(Run &run, const std::vector<Cell> &cells)
    {
        const bool decorated = run.font & (Underline | Strike);
        const int end = std::min(run.col + run.width, static_cast<int>(cells.size()));
        glyphIndexes.clear();
        glyphPositions.clear();
        for (int col = run.col; col < end; ++col) {
            const char32_t ch = cells[static_cast<size_t>(col)].ch;
            const bool blank = ch == 0 || ch == U' ' || ch == kWideTail;
            if (blank && !decorated)
                continue;
            const quint32 glyph = glyphFor(run.font, blank ? U' ' : ch);
            if (glyph == 0) {
                for (int c = run.col; c < run.col + run.width; ++c)
                    appendCodePoint(run.fallback,
                                    c < end ? cells[static_cast<size_t>(c)].ch : char32_t(0));
                return;
            }
            glyphIndexes.push_back(glyph);
            glyphPositions.push_back(QPointF((col - run.col) * cellW, 0));
        }
        run.glyphs.setRawFont(rawFonts[run.font]);
        run.glyphs.setGlyphIndexes(glyphIndexes);
        run.glyphs.setPositions(glyphPositions);
        run.glyphs.setUnderline(run.font & Underline);
        run.glyphs.setStrikeOut(run.font & Strike);
    }

    void paintRow(QPainter &p, int viewRow, const PaintedRow &row)
    {
        const int y = kMargin + viewRow * cellH;
        const QRgb defBg = defaultBg();
        for (const Run &run : row.runs) {
            const int x = kMargin + run.col * cellW;
            if (run.bg != defBg)
                p.fillRect(x, y, run.width * cellW, cellH, QColor(run.bg));
            if (!run.glyphs.isEmpty()) {
                p.setPen(QColor(run.fg));
                p.drawGlyphRun(QPointF(x, y + ascent), run.glyphs);
            } else if (!run.fallback.isEmpty()) {
                p.setPen(QColor(run.fg));
                p.setFont(fonts[run.font]);
                for (qsizetype i = 0; i < run.fallback.size(); ++i)
                    p.drawText(x + static_cast<int>(i) * cellW, y + ascent,
                               QString(run.fallback.at(i)));
            }
        }
    }

    // Find. Lines are searched as shown, one character a cell, so that an index in the text
    // is a column. Matches may overlap ("aa" in "aaa" twice).
    void searchText(const std::vector<Cell> &cells, QString &out) const
    {
        out.resize(static_cast<qsizetype>(cells.size()));
        QChar *to = out.data();
        for (const Cell &c : cells) {
            if (c.ch == 0 || c.ch < 0x20)
                *to++ = QLatin1Char(' ');
            else if (c.ch == kWideTail)
                *to++ = QChar(); // never typed into a search, so never matched
            else if (c.ch > 0xFFFF)
                *to++ = QChar(QChar::ReplacementCharacter);
            else
                *to++ = QChar(static_cast<char16_t>(c.ch));
        }
    }

    const std::vector<Cell> &cellsOf(qint64 index, std::vector<Cell> &buf) const
    {
        if (index >= 0 && index < count)
            return ring[static_cast<size_t>(lineSlot(static_cast<int>(index)))];
        fetchLine(index, buf);
        return buf;
    }

    // Calls `f` with the column of each match, left to right, while it returns true.
    template <typename F>
    void forEachMatch(const std::vector<Cell> &cells, F &&f)
    {
        searchText(cells, findLine);
        for (qsizetype at = findLine.indexOf(findText, 0, findCase); at >= 0;
             at = findLine.indexOf(findText, at + 1, findCase))
            if (!f(static_cast<int>(at)))
                return;
    }

    // The match nearest `from` towards older lines (or newer), round from the other end;
    // `from` itself counts when `inclusive`.
    bool seek(TextPos from, bool older, bool inclusive, TextPos &found)
    {
        const qint64 total = totalLines();
        if (findText.isEmpty() || total == 0)
            return false;
        std::vector<Cell> buf;
        qint64 index = std::clamp(from.line - dropped, qint64(0), total - 1);
        if (index != from.line - dropped) // the line is gone: search all of the nearest
            from.col = older ? INT_MAX : -1;
        for (qint64 step = 0; step <= total; ++step) {
            int hit = -1;
            forEachMatch(cellsOf(index, buf), [&](int col) {
                bool ok = true;
                if (step == 0) // the first line only beyond `from`
                    ok = older ? col < from.col : col > from.col;
                else if (step == total) // back at it after going round: the rest
                    ok = older ? col > from.col : col < from.col;
                if (ok || (col == from.col && (step == total) != inclusive))
                    hit = col;
                // Towards older lines the last match of a line is the nearest.
                return older || hit < 0;
            });
            if (hit >= 0) {
                found = TextPos{dropped + index, hit};
                return true;
            }
            index = older ? (index + total - 1) % total : (index + 1) % total;
        }
        return false;
    }

    // Keeps the view on the line that was at its top, as far as the scrollback reaches.
    void holdView(qint64 top)
    {
        const qint64 wanted = dropped + count - top;
        offset = static_cast<int>(std::clamp<qint64>(wanted, 0, count));
        // When the lines went, what is in view is not what was; either way in the next frame.
        viewShifted = viewShifted || offset != wanted;
        markDirty(0, rows);
    }

    // Scrolls as little as needed: a match already in view stays where it is.
    void showLine(qint64 index)
    {
        const qint64 top = count - offset;
        if (index >= top && index < top + rows)
            return;
        const qint64 wanted = count - index + rows / 2;
        scrollView(static_cast<int>(std::clamp<qint64>(wanted, 0, count)) - offset);
    }

    bool markMatches(qint64 line, const std::vector<Cell> &cells)
    {
        findMarks.clear();
        if (findText.isEmpty())
            return false;
        forEachMatch(cells, [&](int col) {
            findMarks.resize(cells.size(), 0);
            const std::uint8_t mark = TextPos{line, col} == findCurrent ? 2 : 1;
            const auto from = findMarks.begin() + col;
            std::transform(from, from + findText.size(), from,
                           [mark](std::uint8_t m) { return std::max(m, mark); });
            return true;
        });
        return !findMarks.empty();
    }

    QByteArray translateKey(const QKeyEvent *event);

    static int onDamage(VTermRect rect, void *user)
    {
        static_cast<Private *>(user)->damage(rect.start_row, rect.end_row);
        return 1;
    }
    static int onMoveCursor(VTermPos pos, VTermPos oldpos, int visible, void *user)
    {
        auto *d = static_cast<Private *>(user);
        d->cursorVisible = visible != 0;
        d->damage(oldpos.row, oldpos.row + 1);
        d->damage(pos.row, pos.row + 1);
        return 1;
    }
    static int onTermProp(VTermProp prop, VTermValue *val, void *user)
    {
        auto *d = static_cast<Private *>(user);
        if (prop == VTERM_PROP_CURSORVISIBLE) {
            d->cursorVisible = val->boolean != 0;
            d->damage(0, d->rows);
        } else if (prop == VTERM_PROP_REVERSE) {
            d->reverseScreen = val->boolean != 0;
            d->forgetRows();
            d->damage(0, d->rows);
        }
        return 1;
    }
    static int onBell(void *user)
    {
        static_cast<Private *>(user)->bellPending = true;
        return 1;
    }
    static int onResize(int rows, int cols, void *user)
    {
        auto *d = static_cast<Private *>(user);
        d->rows = rows;
        d->cols = cols;
        return 1;
    }
    static int onPushLine(int cols, const VTermScreenCell *cells, void *user)
    {
        static_cast<Private *>(user)->pushLine(cols, cells);
        return 1;
    }
    static int onPopLine(int cols, VTermScreenCell *cells, void *user)
    {
        return static_cast<Private *>(user)->popLine(cols, cells) ? 1 : 0;
    }
    static void onOutput(const char *s, size_t len, void *user)
    {
        // Only key translation is wanted; replies libvterm would send to queries from the
        // line (device attributes, cursor reports) are not transmitted.
        auto *d = static_cast<Private *>(user);
        if (d->keyOut)
            d->keyOut->append(s, static_cast<qsizetype>(len));
    }
};

namespace {

VTermModifier vtermModifiers(Qt::KeyboardModifiers m)
{
    int out = VTERM_MOD_NONE;
    if (m & Qt::ShiftModifier)
        out |= VTERM_MOD_SHIFT;
    if (m & Qt::AltModifier)
        out |= VTERM_MOD_ALT;
    if (m & Qt::ControlModifier)
        out |= VTERM_MOD_CTRL;
    return static_cast<VTermModifier>(out);
}

VTermKey vtermKey(int key)
{
    switch (key) {
    case Qt::Key_Up:
        return VTERM_KEY_UP;
    case Qt::Key_Down:
        return VTERM_KEY_DOWN;
    case Qt::Key_Left:
        return VTERM_KEY_LEFT;
    case Qt::Key_Right:
        return VTERM_KEY_RIGHT;
    case Qt::Key_Insert:
        return VTERM_KEY_INS;
    case Qt::Key_Delete:
        return VTERM_KEY_DEL;
    case Qt::Key_Home:
        return VTERM_KEY_HOME;
    case Qt::Key_End:
        return VTERM_KEY_END;
    case Qt::Key_PageUp:
        return VTERM_KEY_PAGEUP;
    case Qt::Key_PageDown:
        return VTERM_KEY_PAGEDOWN;
    default:
        break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return static_cast<VTermKey>(VTERM_KEY_FUNCTION(key - Qt::Key_F1 + 1));
    return VTERM_KEY_NONE;
}

// Ctrl with a key of the C0 row; -1 when the key has no control code.
int controlCode(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key - Qt::Key_A + 1;
    switch (key) {
    case Qt::Key_At:
    case Qt::Key_Space:
    case Qt::Key_2:
        return 0x00;
    case Qt::Key_BracketLeft:
        return 0x1B;
    case Qt::Key_Backslash:
        return 0x1C;
    case Qt::Key_BracketRight:
        return 0x1D;
    case Qt::Key_AsciiCircum:
    case Qt::Key_6:
        return 0x1E;
    case Qt::Key_Underscore:
    case Qt::Key_Minus:
        return 0x1F;
    default:
        return -1;
    }
}

} // namespace

QByteArray TerminalScreen::Private::translateKey(const QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & Qt::AltModifier;

    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QByteArrayLiteral("\r");
    case Qt::Key_Backspace:
        // The modem edits its command line on BS, not DEL.
        return QByteArrayLiteral("\b");
    case Qt::Key_Tab:
        return QByteArrayLiteral("\t");
    case Qt::Key_Backtab:
        return QByteArrayLiteral("\x1b[Z");
    case Qt::Key_Escape:
        return QByteArrayLiteral("\x1b");
    default:
        break;
    }
    // Ctrl+Alt is AltGr on Windows keyboards: that is text, not a control code.
    if (ctrl && !alt) {
        const int code = controlCode(key);
        if (code >= 0)
            return QByteArray(1, static_cast<char>(code));
    }
    if (const VTermKey vk = vtermKey(key); vk != VTERM_KEY_NONE) {
        QByteArray out;
        keyOut = &out;
        vterm_keyboard_key(vt, vk, vtermModifiers(mods));
        keyOut = nullptr;
        return out;
    }
    // Alt+letter is a menu accelerator in a desktop program; it must not reach the modem.
    if (alt && !ctrl)
        return {};
    const QString text = event->text();
    if (text.isEmpty())
        return {};
    // The line speaks 8-bit Windows-1252, as the screen reads it.
    const std::string bytes = tandrel::utf8ToCp1252(tandrel::fromQString(text));
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

TerminalScreen::TerminalScreen(QWidget *parent) : QWidget(parent), d(new Private(this))
{
    d->vt = vterm_new(d->rows, d->cols);
    vterm_set_utf8(d->vt, 1);
    vterm_output_set_callback(d->vt, &Private::onOutput, d);
    d->state = vterm_obtain_state(d->vt);
    d->screen = vterm_obtain_screen(d->vt);
    static const VTermScreenCallbacks callbacks = {
        .damage = &Private::onDamage,
        .moverect = nullptr,
        .movecursor = &Private::onMoveCursor,
        .settermprop = &Private::onTermProp,
        .bell = &Private::onBell,
        .resize = &Private::onResize,
        .sb_pushline = &Private::onPushLine,
        .sb_popline = &Private::onPopLine,
    };
    vterm_screen_set_callbacks(d->screen, &callbacks, d);
    // One damage rectangle per feed() instead of one callback per glyph.
    vterm_screen_set_damage_merge(d->screen, VTERM_DAMAGE_SCREEN);
    vterm_screen_reset(d->screen, 1);
    for (int i = 0; i < static_cast<int>(kPalette.size()); ++i) {
        VTermColor c;
        vterm_color_rgb(&c, qRed(kPalette[i]), qGreen(kPalette[i]), qBlue(kPalette[i]));
        vterm_state_set_palette_color(d->state, i, &c);
    }
    vterm_state_set_bold_highbright(d->state, 1);
    d->dirtyRows.assign(static_cast<size_t>(d->rows), false);
    d->rowCache.assign(static_cast<size_t>(2 * d->rows), Private::PaintedRow{});
    d->frameTimer.setSingleShot(true);
    connect(&d->frameTimer, &QTimer::timeout, this, [this] { d->frame(); });

    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::IBeamCursor);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    // Desktops often hand out 8 or 9 points here, too small for long PDU lines.
    if (font.pointSizeF() > 0 && font.pointSizeF() < 10)
        font.setPointSizeF(10);
    setFont(font);
    d->updateMetrics();
}

TerminalScreen::~TerminalScreen()
{
    vterm_free(d->vt);
    delete d;
}

void TerminalScreen::feed(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    // While Find walks the scrollback the view stays on its lines as new ones arrive.
    const bool hold = d->offset != 0 && !d->findText.isEmpty();
    const qint64 viewTop = d->dropped + d->viewIndex(0);
    const std::string_view raw(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (d->plainSession && raw.find_first_of("\x1b\x0e\x0f") != std::string_view::npos)
        d->plainSession = false;
    // Plain ASCII is already UTF-8; only a chunk with high bytes pays for a conversion.
    if (std::none_of(raw.begin(), raw.end(), [](char c) { return (c & 0x80) != 0; })) {
        if (d->plainSession)
            d->feedPlain(raw);
        else
            d->write(raw);
    } else {
        std::string utf8 = tandrel::cp1252ToUtf8(raw);
        maskC1Controls(utf8);
        d->write(utf8);
    }
    vterm_screen_flush_damage(d->screen);

    if (hold) {
        d->holdView(viewTop);
    } else if (d->offset != 0) {
        d->offset = 0;
        d->markDirty(0, d->rows);
    } else {
        d->markDirty(d->damageTop, d->damageBottom);
    }
    d->damageTop = INT_MAX;
    d->damageBottom = -1;

    if (d->bellPending) {
        d->bellPending = false;
        // A line full of BEL characters must not turn into a beep storm.
        if (!d->lastBell.isValid() || d->lastBell.elapsed() >= kBellGapMs) {
            QApplication::beep();
            d->lastBell.start();
        }
    }
}

int TerminalScreen::scrollbackLimit() const
{
    return kScrollbackLimit;
}

int TerminalScreen::scrollbackCount() const
{
    return d->count;
}

QString TerminalScreen::selectedText() const
{
    if (!d->selActive)
        return {};
    auto [from, to] = d->selectionRange();
    const qint64 first = std::max(from.line, d->dropped);
    const qint64 last = std::min(to.line, d->dropped + d->totalLines() - 1);
    if (first > from.line)
        from.col = 0;
    QStringList lines;
    for (qint64 line = first; line <= last; ++line) {
        const int start = line == from.line ? from.col : 0;
        const int end = line == to.line ? to.col + 1 : INT_MAX;
        lines << d->lineText(line - d->dropped, start, end);
    }
    return lines.join(QLatin1Char('\n'));
}

void TerminalScreen::selectAll()
{
    // Up to the last line with text, so a copy does not end in a screenful of blank lines.
    qint64 last = d->totalLines() - 1;
    while (last > 0 && d->lineText(last).isEmpty())
        --last;
    d->anchor = TextPos{d->dropped, 0};
    d->extent = TextPos{d->dropped + last, INT_MAX - 1};
    d->selActive = true;
    d->selDragging = false;
    update();
}

void TerminalScreen::copySelection()
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void TerminalScreen::clearScreen()
{
    // The operator's "clear" empties the scrollback too, so nothing old scrolls back in.
    d->ring.clear();
    d->head = 0;
    d->dropped += d->count;
    d->count = 0;
    d->offset = 0;
    d->cutRows.clear();
    d->clearSelection();
    static constexpr std::string_view kHomeAndErase = "\x1b[H\x1b[2J";
    vterm_input_write(d->vt, kHomeAndErase.data(), kHomeAndErase.size());
    vterm_screen_flush_damage(d->screen);
    d->damageTop = INT_MAX;
    d->damageBottom = -1;
    update();
}

QString TerminalScreen::screenText() const
{
    return d->linesText(d->count, d->totalLines() - 1);
}

QString TerminalScreen::allText() const
{
    return d->linesText(0, d->totalLines() - 1);
}

int TerminalScreen::rows() const
{
    return d->rows;
}

int TerminalScreen::columns() const
{
    return d->cols;
}

QPoint TerminalScreen::cursorPosition() const
{
    VTermPos pos;
    vterm_state_get_cursorpos(d->state, &pos);
    return QPoint(pos.col, pos.row);
}

QRect TerminalScreen::cellRect(int row, int column) const
{
    return QRect(kMargin + column * d->cellW, kMargin + row * d->cellH, d->cellW, d->cellH);
}

void TerminalScreen::setViewOffset(int lines)
{
    d->scrollView(lines - d->offset);
}

int TerminalScreen::viewOffset() const
{
    return d->offset;
}

void TerminalScreen::setColors(const QColor &foreground, const QColor &background)
{
    d->fg = foreground.rgb();
    d->bg = background.rgb();
    d->forgetRows();
    update();
}

QSize TerminalScreen::sizeHint() const
{
    return QSize(80 * d->cellW + 2 * kMargin, 24 * d->cellH + 2 * kMargin);
}

bool TerminalScreen::setFindText(const QString &text, Qt::CaseSensitivity cs)
{
    d->findText = text;
    d->findCase = cs;
    update();
    TextPos from = d->findCurrent;
    if (from.line < 0) // from the foot of the view up
        from = TextPos{d->dropped + d->viewIndex(d->rows - 1), INT_MAX};
    TextPos found;
    if (!d->seek(from, true, true, found)) {
        d->findCurrent = TextPos{-1, 0};
        return false;
    }
    d->findCurrent = found;
    d->showLine(found.line - d->dropped);
    return true;
}

QString TerminalScreen::findText() const
{
    return d->findText;
}

bool TerminalScreen::findNext(bool older)
{
    TextPos from = d->findCurrent;
    if (from.line < 0) // from the foot of the view up
        from = TextPos{d->dropped + d->viewIndex(d->rows - 1), INT_MAX};
    TextPos found;
    if (!d->seek(from, older, from != d->findCurrent, found))
        return false;
    d->findCurrent = found;
    d->showLine(found.line - d->dropped);
    update();
    return true;
}

TerminalScreen::FindCount TerminalScreen::findCount() const
{
    FindCount n;
    if (d->findText.isEmpty())
        return n;
    std::vector<Cell> buf;
    const qint64 current = d->findCurrent.line - d->dropped;
    for (qint64 index = 0; index < d->totalLines(); ++index)
        d->forEachMatch(d->cellsOf(index, buf), [&](int col) {
            ++n.total;
            if (index == current && col == d->findCurrent.col)
                n.current = n.total;
            return true;
        });
    return n;
}

void TerminalScreen::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QRgb defBg = d->defaultBg();
    // Rows changed apart from each other come as separate rectangles: the rows between
    // them are left alone.
    for (const QRect &area : event->region()) {
        p.fillRect(area, QColor(defBg));
        const int firstRow = std::max(0, (area.top() - kMargin) / d->cellH);
        const int lastRow = std::min(d->rows - 1, (area.bottom() - kMargin) / d->cellH);
        for (int row = firstRow; row <= lastRow; ++row)
            d->paintRow(p, row, d->paintedRow(row));
    }
    const QRect area = event->rect();
    const int firstRow = std::max(0, (area.top() - kMargin) / d->cellH);
    const int lastRow = std::min(d->rows - 1, (area.bottom() - kMargin) / d->cellH);

    VTermPos cur;
    vterm_state_get_cursorpos(d->state, &cur);
    const int curRow = cur.row + d->offset;
    if (d->cursorVisible && curRow >= firstRow && curRow <= lastRow && cur.col < d->cols) {
        const QRect r = cellRect(curRow, cur.col);
        if (hasFocus()) {
            p.fillRect(r, QColor(kCursorColor));
            VTermScreenCell vc;
            vterm_screen_get_cell(d->screen, cur, &vc);
            const Cell c = d->toCell(vc);
            if (c.ch > U' ' && c.ch != kWideTail) {
                QString s;
                appendCodePoint(s, c.ch);
                p.setPen(QColor(defBg));
                p.setFont(d->fonts[static_cast<size_t>(c.flags & kFontFlags)]);
                p.drawText(r.x(), r.y() + d->ascent, s);
            }
        } else {
            p.setPen(QColor(kCursorColor));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
    }
}

void TerminalScreen::resizeEvent(QResizeEvent *)
{
    d->updateSize();
}

void TerminalScreen::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        d->updateMetrics();
        // A hidden widget still has its default geometry; its first resize event follows.
        if (isVisible())
            d->updateSize();
    }
    QWidget::changeEvent(event);
}

void TerminalScreen::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    QPointer<TerminalScreen> alive(this);
    emit keyPressed(key, mods);
    if (!alive)
        return;

    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    // Copy, paste and find belong to the owner.
    if (ctrl && shift && (key == Qt::Key_C || key == Qt::Key_V || key == Qt::Key_F)) {
        event->accept();
        return;
    }
    if (shift && !ctrl && (key == Qt::Key_PageUp || key == Qt::Key_PageDown)) {
        const int page = std::max(1, d->rows - 1);
        d->scrollView(key == Qt::Key_PageUp ? page : -page);
        event->accept();
        return;
    }
    const QByteArray bytes = d->translateKey(event);
    if (bytes.isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    d->scrollView(-d->offset);
    emit keyBytes(bytes);
}

void TerminalScreen::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const TextPos at = d->posAt(event->position().toPoint());
    if ((event->modifiers() & Qt::ShiftModifier) && d->selActive) {
        d->extent = at;
    } else {
        d->anchor = at;
        d->extent = at;
        d->selActive = false;
    }
    d->selDragging = true;
    update();
}

void TerminalScreen::mouseMoveEvent(QMouseEvent *event)
{
    if (!d->selDragging || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint pos = event->position().toPoint();
    // Dragging past an edge walks the view through the scrollback.
    if (pos.y() < 0)
        d->scrollView(1);
    else if (pos.y() >= height())
        d->scrollView(-1);
    const TextPos at = d->posAt(pos);
    if (at != d->extent || d->selActive) {
        d->extent = at;
        d->selActive = d->selActive || at != d->anchor;
        update();
    }
}

void TerminalScreen::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    d->selDragging = false;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (d->selActive && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void TerminalScreen::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    const TextPos at = d->posAt(event->position().toPoint());
    const QString text = d->lineText(at.line - d->dropped);
    if (at.col >= text.size() || !isWordChar(text.at(at.col)))
        return;
    int start = at.col;
    int end = at.col;
    while (start > 0 && isWordChar(text.at(start - 1)))
        --start;
    while (end + 1 < text.size() && isWordChar(text.at(end + 1)))
        ++end;
    d->anchor = TextPos{at.line, start};
    d->extent = TextPos{at.line, end};
    d->selActive = true;
    d->selDragging = false;
    update();
}

void TerminalScreen::wheelEvent(QWheelEvent *event)
{
    d->wheelRemainder += event->angleDelta().y();
    const int lines = d->wheelRemainder / kWheelUnitsPerLine;
    d->wheelRemainder -= lines * kWheelUnitsPerLine;
    if (lines != 0)
        d->scrollView(lines);
    event->accept();
}

bool TerminalScreen::focusNextPrevChild(bool)
{
    // Tab is a key for the modem, not a focus move.
    return false;
}

void TerminalScreen::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
}

void TerminalScreen::focusOutEvent(QFocusEvent *event)
{
    update();
    QWidget::focusOutEvent(event);
}
