#include "HexView.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMargin = 2;
// However fast bytes arrive, the view is painted at most once per display frame.
constexpr int kFrameMs = 16;
// The terminal screen's colours, so that switching views does not flash.
constexpr QRgb kForeground = 0xffd6dde8;
constexpr QRgb kBackground = 0xff0f1b2d;
constexpr QRgb kDim = 0xff5c6370; // offsets, bars and the dots that stand for a byte
constexpr QRgb kSelectionBg = 0xff35598a;

bool printable(unsigned char c)
{
    return c >= 0x20 && c < 0x7f;
}

} // namespace

HexView::HexView(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setFocusPolicy(Qt::NoFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);
    m_frameTimer.setSingleShot(true);
    m_frameTimer.setInterval(kFrameMs);
    connect(&m_frameTimer, &QTimer::timeout, this, &HexView::frame);
    updateMetrics();
}

void HexView::append(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_ring.isEmpty())
        m_ring.resize(Capacity);
    const char *from = bytes.constData();
    qsizetype n = bytes.size();
    if (n > Capacity) { // only the last ring's worth can be kept
        m_total += n - Capacity;
        from += n - Capacity;
        n = Capacity;
    }
    const qsizetype at = static_cast<qsizetype>(m_total % Capacity);
    const qsizetype first = std::min(n, Capacity - at);
    std::memcpy(m_ring.data() + at, from, static_cast<size_t>(first));
    std::memcpy(m_ring.data(), from + first, static_cast<size_t>(n - first));
    m_total += n;
    m_kept = std::min(Capacity, m_kept + n);
    if (isVisible())
        scheduleFrame();
}

unsigned char HexView::byteAt(qint64 offset) const
{
    return static_cast<unsigned char>(m_ring.at(static_cast<qsizetype>(offset % Capacity)));
}

// A row whose first bytes have left the ring is not shown at all.
qint64 HexView::firstRow() const
{
    return (firstKept() + BytesPerRow - 1) / BytesPerRow;
}

qint64 HexView::endRow() const
{
    return (m_total + BytesPerRow - 1) / BytesPerRow;
}

QString HexView::rowText(qint64 row) const
{
    if (row < firstRow() || row >= endRow())
        return {};
    const qint64 offset = row * BytesPerRow;
    const int n = static_cast<int>(std::min<qint64>(BytesPerRow, m_total - offset));
    static const char digits[] = "0123456789ABCDEF";
    QString text = QString::asprintf("%08llX  ", static_cast<unsigned long long>(offset));
    text.reserve(text.size() + 4 * BytesPerRow + 6);
    for (int i = 0; i < BytesPerRow; ++i) {
        if (i < n) {
            const unsigned char c = byteAt(offset + i);
            text += QLatin1Char(digits[c >> 4]);
            text += QLatin1Char(digits[c & 15]);
            text += QLatin1Char(' ');
        } else {
            text += QLatin1String("   ");
        }
        if (i == BytesPerRow / 2 - 1)
            text += QLatin1Char(' ');
    }
    text += QLatin1String(" |");
    for (int i = 0; i < n; ++i) {
        const unsigned char c = byteAt(offset + i);
        text += printable(c) ? QLatin1Char(static_cast<char>(c)) : QLatin1Char('.');
    }
    text += QLatin1Char('|');
    return text;
}

int HexView::visibleRows() const
{
    return std::max(1, (viewport()->height() - 2 * kMargin) / m_cellH);
}

qint64 HexView::topRow() const
{
    const qint64 first = firstRow();
    const qint64 bottom = std::max(first, endRow() - visibleRows());
    return m_follow ? bottom : std::clamp(m_top, first, bottom);
}

QString HexView::paintedText() const
{
    return m_total == 0 ? QStringLiteral("Nothing received yet.") : rowText(topRow());
}

QSize HexView::paintedTextNeeds() const
{
    const int width = m_total == 0 ? fontMetrics().horizontalAdvance(paintedText())
                                   : int(paintedText().size()) * m_cellW;
    return QSize(2 * kMargin + width, 2 * kMargin + m_cellH);
}

QString HexView::visibleText() const
{
    QStringList rows;
    const qint64 top = topRow();
    for (qint64 row = top; row < std::min(endRow(), top + visibleRows()); ++row)
        rows << rowText(row);
    return rows.join(QLatin1Char('\n'));
}

QString HexView::selectedText() const
{
    if (m_anchor < 0)
        return {};
    QStringList rows;
    const qint64 last = std::min(std::max(m_anchor, m_extent), endRow() - 1);
    for (qint64 row = std::max(std::min(m_anchor, m_extent), firstRow()); row <= last; ++row)
        rows << rowText(row);
    return rows.join(QLatin1Char('\n'));
}

void HexView::copySelection()
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void HexView::scheduleFrame()
{
    if (!m_frameTimer.isActive())
        m_frameTimer.start();
}

// The scroll bar walks the rows kept; at its bottom the view follows what arrives.
void HexView::frame()
{
    const qint64 first = firstRow();
    const int most = static_cast<int>(std::max<qint64>(0, endRow() - first - visibleRows()));
    m_syncing = true;
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, most);
    bar->setPageStep(visibleRows());
    bar->setValue(static_cast<int>(topRow() - first));
    m_syncing = false;
    viewport()->update();
}

void HexView::scrollContentsBy(int, int)
{
    if (m_syncing)
        return;
    const QScrollBar *bar = verticalScrollBar();
    m_top = firstRow() + bar->value();
    m_follow = bar->value() >= bar->maximum();
    viewport()->update();
}

qint64 HexView::rowAt(int y) const
{
    if (m_total == 0)
        return -1;
    const qint64 row = topRow() + std::max(0, y - kMargin) / m_cellH;
    return std::clamp(row, firstRow(), endRow() - 1);
}

void HexView::paintEvent(QPaintEvent *event)
{
    QPainter p(viewport());
    p.fillRect(event->rect(), QColor(kBackground));
    p.setFont(font());
    if (m_total == 0) {
        p.setPen(QColor(kDim));
        p.drawText(kMargin, kMargin + m_ascent, QStringLiteral("Nothing received yet."));
        return;
    }
    const qint64 top = topRow();
    const qint64 from = top + std::max(0, event->rect().top() - kMargin) / m_cellH;
    const qint64 to = std::min(endRow(), top + (event->rect().bottom() - kMargin) / m_cellH + 1);
    const qint64 selFrom = std::min(m_anchor, m_extent), selTo = std::max(m_anchor, m_extent);
    for (qint64 row = from; row < to; ++row) {
        const int y = kMargin + static_cast<int>(row - top) * m_cellH;
        if (m_anchor >= 0 && row >= selFrom && row <= selTo)
            p.fillRect(0, y, viewport()->width(), m_cellH, QColor(kSelectionBg));
        // Offsets, bars and stand-in dots are dim, so a real '.' stands out from them.
        const QString text = rowText(row);
        const qsizetype digits = text.indexOf(QLatin1Char(' '));
        const qsizetype bar = text.indexOf(QLatin1Char('|'));
        const qint64 offset = row * BytesPerRow - bar - 1;
        QList<quint32> glyphs[2];
        QList<QPointF> positions[2];
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text.at(i).unicode();
            if (c == u' ' || c >= 128)
                continue;
            const bool end = i == bar || i == text.size() - 1;
            const bool dim = i < digits || end || (i > bar && !printable(byteAt(offset + i)));
            glyphs[dim] << m_glyphs[c];
            positions[dim] << QPointF(qreal(i * m_cellW), 0);
        }
        for (int dim : {0, 1}) {
            QGlyphRun run;
            run.setRawFont(m_rawFont);
            run.setGlyphIndexes(glyphs[dim]);
            run.setPositions(positions[dim]);
            p.setPen(QColor(dim ? kDim : kForeground));
            p.drawGlyphRun(QPointF(kMargin, y + m_ascent), run);
        }
    }
}

void HexView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    frame();
}

void HexView::showEvent(QShowEvent *event)
{
    QAbstractScrollArea::showEvent(event);
    frame();
}

void HexView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        updateMetrics();
        frame();
    }
    QAbstractScrollArea::changeEvent(event);
}

void HexView::updateMetrics()
{
    const QFontMetrics fm(font());
    m_cellW = std::max(1, fm.horizontalAdvance(QLatin1Char('M')));
    m_cellH = std::max(1, fm.height());
    m_ascent = fm.ascent();
    m_rawFont = QRawFont::fromFont(font());
    for (char16_t c = 0x20; c < 0x7f; ++c) {
        const QList<quint32> index = m_rawFont.glyphIndexesForString(QString(QChar(c)));
        m_glyphs[c] = index.value(0);
    }
}

void HexView::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods == Qt::ShiftModifier &&
        (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown)) {
        const int page = std::max(1, visibleRows() - 1);
        QScrollBar *bar = verticalScrollBar();
        bar->setValue(bar->value() + (event->key() == Qt::Key_PageUp ? -page : page));
        event->accept();
        return;
    }
    // Everything else is typed to the modem exactly as on the terminal screen, and brings
    // the newest rows back into view for the answer.
    if (!m_keyTarget) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    QCoreApplication::sendEvent(m_keyTarget, event);
    event->accept();
    switch (event->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
        break;
    default:
        m_follow = true;
        frame();
    }
}

void HexView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const qint64 row = rowAt(event->position().toPoint().y());
    if (!(event->modifiers() & Qt::ShiftModifier) || m_anchor < 0)
        m_anchor = row;
    m_extent = row;
    m_dragging = true;
    viewport()->update();
}

void HexView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    const int y = event->position().toPoint().y();
    // Dragging past an edge walks the view through the rows kept.
    QScrollBar *bar = verticalScrollBar();
    if (y < 0)
        bar->setValue(bar->value() - 1);
    else if (y >= viewport()->height())
        bar->setValue(bar->value() + 1);
    m_extent = rowAt(y);
    viewport()->update();
}

void HexView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (m_anchor >= 0 && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

bool HexView::focusNextPrevChild(bool)
{
    // Tab is a key for the modem, not a focus move.
    return false;
}
