#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace placement {

QRect pushInside(const QRect &window, const QRect &screen)
{
    QRect r = window;
    if (r.left() < screen.left())
        r.moveLeft(screen.left());
    if (r.top() < screen.top())
        r.moveTop(screen.top());
    if (r.right() > screen.right())
        r.moveLeft(r.left() - (r.right() - screen.right()));
    if (r.bottom() > screen.bottom())
        r.moveTop(r.top() - (r.bottom() - screen.bottom()));
    return r;
}

static QRect screenOf(const QWidget *w, const QPoint &at)
{
    QScreen *s = QGuiApplication::screenAt(at);
    if (!s && w)
        s = w->screen();
    if (!s)
        s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1920, 1080);
}

void moveInside(QWidget *window, const QPoint &topLeft)
{
    QRect frame(topLeft, window->frameGeometry().size());
    frame = pushInside(frame, screenOf(window, topLeft));
    window->move(frame.topLeft());
}

void setOuterSize(QWidget *window, const QSize &outer)
{
    const QSize frame = window->frameGeometry().size() - window->size();
    window->setFixedSize(outer - frame.expandedTo(QSize(0, 0)));
}

void centreOver(QWidget *window, const QWidget *owner)
{
    const QRect o =
        owner ? owner->frameGeometry() : screenOf(window, QPoint()).adjusted(0, 0, 0, 0);
    const QSize s = window->frameGeometry().size();
    moveInside(window, QPoint(o.center().x() - s.width() / 2, o.center().y() - s.height() / 2));
}

void showModal(QWidget *window)
{
    if (window->isVisible()) {
        window->hide();
        window->setWindowModality(Qt::NonModal);
    } else {
        window->setWindowModality(Qt::ApplicationModal);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace placement
