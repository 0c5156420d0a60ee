#include "TandrelArt.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

TandrelArt::TandrelArt(const QString &objectName, bool withTitle, QWidget *parent)
    : QWidget(parent), m_withTitle(withTitle)
{
    setObjectName(objectName);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TandrelArt::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    const qreal s = std::min(r.width(), r.height());

    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, QColor(6, 14, 40));
    sky.setColorAt(1, QColor(14, 34, 78));
    p.fillRect(r, sky);

    // A few fixed stars; a seeded pattern keeps the picture the same on every start.
    p.setPen(Qt::NoPen);
    quint32 seed = 7;
    for (int i = 0; i < 60; ++i) {
        seed = seed * 1103515245u + 12345u;
        const qreal x = (seed >> 8) % 1000 / 1000.0 * r.width();
        seed = seed * 1103515245u + 12345u;
        const qreal y = (seed >> 8) % 1000 / 1000.0 * r.height() * 0.7;
        p.setBrush(QColor(255, 255, 255, 80 + int(seed % 150)));
        p.drawEllipse(QPointF(x, y), 0.9, 0.9);
    }

    // The globe rising from the bottom edge.
    const QPointF centre(r.center().x(), r.bottom() + s * 0.55);
    const qreal radius = s * 0.95;
    QRadialGradient globe(centre - QPointF(0, radius * 0.3), radius * 1.1);
    globe.setColorAt(0, QColor(38, 92, 160));
    globe.setColorAt(0.8, QColor(16, 48, 96));
    globe.setColorAt(1, QColor(10, 28, 60));
    p.setBrush(globe);
    p.setPen(QPen(QColor(120, 190, 255, 160), s * 0.012));
    p.drawEllipse(centre, radius, radius);

    // Orbit and satellite.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 200, 90, 150), s * 0.006, Qt::DashLine));
    const QRectF orbit(r.center().x() - s * 0.9, r.bottom() - s * 0.95, s * 1.8, s * 0.9);
    p.drawArc(orbit, 20 * 16, 140 * 16);
    const QPointF sat(orbit.center().x() + orbit.width() / 2 * 0.64,
                      orbit.center().y() - orbit.height() / 2 * 0.77);
    p.save();
    p.translate(sat);
    p.rotate(-25);
    const qreal u = s * 0.03;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 160, 230));
    p.drawRect(QRectF(-3.6 * u, -0.7 * u, 2.6 * u, 1.4 * u));
    p.drawRect(QRectF(1.0 * u, -0.7 * u, 2.6 * u, 1.4 * u));
    p.setBrush(QColor(230, 230, 235));
    p.drawRoundedRect(QRectF(-u, -u, 2 * u, 2 * u), 0.3 * u, 0.3 * u);
    p.restore();

    // Signal arcs from the satellite towards the ground.
    p.setPen(QPen(QColor(255, 220, 140, 120), s * 0.006));
    for (int i = 1; i <= 3; ++i) {
        const qreal a = s * 0.05 * i;
        p.drawArc(QRectF(sat.x() - a, sat.y() - a + s * 0.04, 2 * a, 2 * a), 200 * 16, 60 * 16);
    }

    if (m_withTitle) {
        QFont f = font();
        f.setBold(true);
        f.setPointSizeF(std::max(10.0, s * 0.11));
        f.setLetterSpacing(QFont::PercentageSpacing, 115);
        p.setFont(f);
        p.setPen(QColor(240, 244, 255));
        const QRectF title(r.left(), r.top() + r.height() * 0.14, r.width(), s * 0.2);
        p.drawText(title, Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("TANDREL"));
        QFont g = font();
        g.setPointSizeF(std::max(8.0, s * 0.035));
        p.setFont(g);
        p.setPen(QColor(170, 200, 240));
        p.drawText(QRectF(r.left(), title.bottom(), r.width(), s * 0.08), Qt::AlignHCenter,
                   QStringLiteral("Satellite modem terminal"));
    }
}
