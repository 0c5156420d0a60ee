#include "WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

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

namespace {

// Asked of the window system each time: the widget's own copy lags behind the frame.
QMargins framing(const QWidget *w)
{
    const QWindow *handle = w->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

// The frame of a window the window manager has decorated; until a window is shown its own
// frame is unknown, and the last one seen is the best guess.
QMargins &knownFrame()
{
    static QMargins margins;
    return margins;
}

// Holds the outer geometry asked of a window. The window manager frames a window only after
// it is mapped, so outer sizes and positions set before that are set again once the frame is
// known; later moves by the operator are left alone.
class OuterGeometry : public QObject
{
public:
    explicit OuterGeometry(QWidget *window) : QObject(window), m_window(window)
    {
        setObjectName(QStringLiteral("OuterGeometry"));
        window->installEventFilter(this);
        m_watch.setInterval(25);
        connect(&m_watch, &QTimer::timeout, this, &OuterGeometry::check);
    }

    static OuterGeometry *of(QWidget *window)
    {
        if (auto *k = window->findChild<OuterGeometry *>(QStringLiteral("OuterGeometry"),
                                                         Qt::FindDirectChildrenOnly))
            return k;
        return new OuterGeometry(window);
    }

    QMargins frame() const
    {
        if (m_window->windowFlags().testFlag(Qt::FramelessWindowHint))
            return {};
        // A window that shows but is not framed yet will be framed like the others.
        const QMargins own = m_window->isVisible() ? framing(m_window) : QMargins();
        return own.isNull() ? knownFrame() : own;
    }

    void setOuterSize(const QSize &outer, const QSize &minimumInner, bool fixed)
    {
        m_outer = outer;
        m_minimumInner = minimumInner;
        m_fixed = fixed;
        m_sizePending = true;
        applySize(frame());
        if (m_window->isVisible())
            watchForFrame();
    }

    void setTopLeft(const QPoint &topLeft)
    {
        m_topLeft = topLeft;
        m_placePending = true;
        placeFrame(topLeft);
        if (m_window->isVisible())
            watchForFrame(); // asked while showing: the Show event went by before us
    }

    QSize outerSize() const
    {
        const QMargins m = frame();
        if (m_outer.isValid())
            return m_outer.expandedTo(m_minimumInner.grownBy(m));
        return m_window->size().grownBy(m);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Show &&
            (m_sizePending || m_placePending))
            watchForFrame();
        return QObject::eventFilter(watched, event);
    }

private:
    // The window manager frames a window a little after it is mapped, and may place it by its
    // own rules then; neither comes as an event the widget sees. Look again for a while until
    // the frame has the size and place asked for, then leave the window to the operator.
    void watchForFrame()
    {
        m_checks = 800; // twenty seconds, for a loaded machine
        m_steady = 0;
        if (!m_watch.isActive())
            m_watch.start();
    }

    void check()
    {
        if (!m_window->isVisible() || --m_checks <= 0) {
            m_watch.stop();
            return;
        }
        // The window manager may frame or size a window once more just after it first looks
        // right: the request holds only once it has stayed met for a moment.
        if (!settled())
            m_steady = 0;
        else if (++m_steady >= 12) {
            m_watch.stop();
            m_sizePending = m_placePending = false;
        }
    }

    // True once the frame is known and as asked; corrects it otherwise. A request is kept
    // only until it holds: a window the operator has moved or resized since stays so.
    bool settled()
    {
        const QMargins m = framing(m_window);
        const bool frameless = m_window->windowFlags().testFlag(Qt::FramelessWindowHint);
        if (m.isNull() && !frameless)
            return false;
        if (!m.isNull())
            knownFrame() = m;
        bool met = true;
        if (m_sizePending) {
            applySize(m);
            met = m_window->size() == m_outer.shrunkBy(m).expandedTo(m_minimumInner);
        }
        if (m_placePending) {
            const QPoint want =
                pushInside(QRect(m_topLeft, outerSize()), screenOf(m_window, m_topLeft)).topLeft();
            if (m_window->windowHandle()->framePosition() != want) {
                placeFrame(want);
                met = false;
            }
        }
        return met;
    }

    // Placed by its client area: QWidget::move() would take the frame from the widget's own
    // copy, which is stale until well after the window is framed.
    void placeFrame(const QPoint &topLeft)
    {
        const QMargins m = frame();
        m_window->setGeometry(QRect(topLeft + QPoint(m.left(), m.top()), m_window->size()));
    }

    void applySize(const QMargins &m)
    {
        if (!m_outer.isValid())
            return;
        const QSize inner = m_outer.shrunkBy(m).expandedTo(m_minimumInner).expandedTo(QSize(1, 1));
        if (!m_fixed)
            m_window->resize(inner);
        else if (m_window->size() != inner || m_window->minimumSize() != inner ||
                 m_window->maximumSize() != inner)
            m_window->setFixedSize(inner);
    }

    QWidget *m_window;
    QSize m_outer;
    QSize m_minimumInner;
    bool m_fixed = true;
    QPoint m_topLeft;
    bool m_sizePending = false;
    bool m_placePending = false;
    int m_checks = 0;
    int m_steady = 0;
    QTimer m_watch;
};

} // namespace

void moveInside(QWidget *window, const QPoint &topLeft)
{
    OuterGeometry *g = OuterGeometry::of(window);
    const QRect frame = pushInside(QRect(topLeft, g->outerSize()), screenOf(window, topLeft));
    g->setTopLeft(frame.topLeft());
}

void setOuterSize(QWidget *window, const QSize &outer, const QSize &minimumInner)
{
    OuterGeometry::of(window)->setOuterSize(outer, minimumInner, true);
}

void resizeOuter(QWidget *window, const QSize &outer)
{
    OuterGeometry::of(window)->setOuterSize(outer, QSize(), false);
}

QSize outerSize(QWidget *window)
{
    return OuterGeometry::of(window)->outerSize();
}

QRect frameOf(const QWidget *window)
{
    // The widget's own frame rectangle lags behind the window manager's.
    if (const QWindow *handle = window->windowHandle(); handle && window->isVisible())
        return handle->frameGeometry();
    return window->frameGeometry();
}

void centreOver(QWidget *window, const QWidget *owner)
{
    const QRect o = owner ? frameOf(owner) : screenOf(window, QPoint());
    const QSize s = outerSize(window);
    moveInside(window, QPoint(o.center().x() - s.width() / 2, o.center().y() - s.height() / 2));
}

Qt::WindowFlags fixedBoxFlags()
{
    return Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
           Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
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

QPoint offsetOver(const QRect &ownerFrame, const QPoint &offset, const QSize &ownerSize)
{
    return ownerFrame.topLeft() + offset +
           QPoint((ownerFrame.width() - ownerSize.width()) / 2,
                  (ownerFrame.height() - ownerSize.height()) / 2);
}

} // namespace placement
