#include "SignalPanel.h"

#include <QPainter>

namespace {

constexpr int kBars = 5;
constexpr int kBarWidth = 3;
constexpr int kBarGap = 1;

} // namespace

SignalPanel::SignalPanel(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Signal_Panel"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setReading(-1, QStringLiteral("Unknown"), QString());
}

void SignalPanel::setReading(int bars, const QString &word, const QString &description)
{
    m_bars = bars;
    m_word = word;
    setToolTip(description);
    setAccessibleName(description);
    update();
}

void SignalPanel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter p(this);
    const QRect area = contentsRect().adjusted(4, 3, -3, -3);
    const QColor lit = m_bars <= 1 ? QColor(0xc0, 0x39, 0x2b) : QColor(0x2e, 0x7d, 0x32);
    const QColor unlit = palette().color(QPalette::Mid);
    for (int i = 0; i < kBars; ++i) {
        const int h = area.height() * (i + 1) / kBars;
        const QRect bar(area.left() + i * (kBarWidth + kBarGap), area.bottom() - h + 1, kBarWidth,
                        h);
        p.fillRect(bar, i < m_bars ? lit : unlit);
    }
    QRect text = area;
    text.setLeft(area.left() + kBars * (kBarWidth + kBarGap) + 4);
    p.setPen(palette().color(m_bars < 0 ? QPalette::PlaceholderText : QPalette::WindowText));
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
               fontMetrics().elidedText(m_word, Qt::ElideRight, text.width()));
}
