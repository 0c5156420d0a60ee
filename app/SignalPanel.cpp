#include "SignalPanel.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int kBars = 5;
constexpr int kBarWidth = 2;
constexpr int kBarGap = 1;
constexpr int kBarsWidth = kBars * kBarWidth + (kBars - 1) * kBarGap;
// Smaller than this share of the window's font the word would be hard to read.
constexpr double kSmallest = 0.8;

} // namespace

SignalPanel::SignalPanel(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Signal_Panel"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    m_wordFont = font();
    setReading(-1, QStringLiteral("Unknown"), QString());
}

void SignalPanel::setReading(int bars, const QString &word, const QString &description)
{
    m_bars = bars;
    m_word = word;
    setToolTip(description);
    setAccessibleName(description);
    if (!m_words.contains(word))
        fitWords();
    update();
}

void SignalPanel::setWords(const QStringList &words)
{
    m_words = words;
    fitWords();
    update();
}

QRect SignalPanel::barsRect() const
{
    const QRect area = contentsRect().adjusted(3, 3, -2, -3);
    return QRect(area.left(), area.top(), kBarsWidth, area.height());
}

QRect SignalPanel::wordRect() const
{
    const QRect area = contentsRect().adjusted(3, 3, -2, -3);
    return area.adjusted(kBarsWidth + 3, 0, 0, 0);
}

QSize SignalPanel::paintedTextNeeds() const
{
    const QFontMetrics fm(m_wordFont);
    return QSize(fm.horizontalAdvance(m_word), fm.height());
}

void SignalPanel::fitWords()
{
    const QFont normal = font();
    const int normalPx = QFontInfo(normal).pixelSize();
    const int smallestPx = std::max(1, qRound(normalPx * kSmallest));
    const int room = wordRect().width();
    QStringList words = m_words;
    words << m_word;
    QFont f = normal;
    for (int px = normalPx; px >= smallestPx; --px) {
        if (px != normalPx)
            f.setPixelSize(px);
        const QFontMetrics fm(f);
        if (std::all_of(words.cbegin(), words.cend(),
                        [&](const QString &w) { return fm.horizontalAdvance(w) <= room; }))
            break;
    }
    m_wordFont = f;
}

void SignalPanel::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    fitWords();
}

void SignalPanel::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitWords();
}

void SignalPanel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter p(this);
    const QRect bars = barsRect();
    const QColor lit = m_bars <= 1 ? QColor(0xc0, 0x39, 0x2b) : QColor(0x2e, 0x7d, 0x32);
    const QColor unlit = palette().color(QPalette::Mid);
    for (int i = 0; i < kBars; ++i) {
        const int h = bars.height() * (i + 1) / kBars;
        p.fillRect(
            QRect(bars.left() + i * (kBarWidth + kBarGap), bars.bottom() - h + 1, kBarWidth, h),
            i < m_bars ? lit : unlit);
    }
    const QRect text = wordRect();
    p.setFont(m_wordFont);
    // Unknown is dimmed, though not below what can be read.
    QColor word = palette().color(QPalette::WindowText);
    if (m_bars < 0)
        word.setAlpha(170);
    p.setPen(word);
    // Eliding is the last resort, for a font far wider than the panel was made for.
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
               QFontMetrics(m_wordFont).elidedText(m_word, Qt::ElideRight, text.width()));
}
