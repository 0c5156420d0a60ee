#include "FindBar.h"

#include "TerminalScreen.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

namespace {

// Tool buttons: as wide as their captions, which leaves the field the room.
QToolButton *barButton(const char *name, const QString &caption, const QString &hint,
                       QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(caption);
    b->setToolTip(hint);
    // The keys stay in the field while the buttons are clicked.
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

} // namespace

FindBar::FindBar(TerminalScreen *screen, QWidget *parent) : QFrame(parent), m_screen(screen)
{
    setObjectName(QStringLiteral("FindBar"));
    setFrameShape(QFrame::StyledPanel);
    // It lies on the window's dark client area; its labels are drawn for the light one.
    setAutoFillBackground(true);
    auto *label = new QLabel(QStringLiteral("Find:"), this);
    label->setObjectName(QStringLiteral("FindLabel"));
    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName(QStringLiteral("FindEdit"));
    FindEdit->setClearButtonEnabled(true);
    FindEdit->setToolTip(QStringLiteral("Text to find in the terminal and its scrollback"));
    label->setBuddy(FindEdit);
    FindNextB = barButton("FindNextB", QStringLiteral("Next"),
                          QStringLiteral("The next match up, in older lines (Enter)"), this);
    FindPreviousB = barButton(
        "FindPreviousB", QStringLiteral("Previous"),
        QStringLiteral("The match before, back down towards the newest (Shift+Enter)"), this);
    FindMatchCase = new QCheckBox(QStringLiteral("Match Case"), this);
    FindMatchCase->setObjectName(QStringLiteral("FindMatchCase"));
    FindMatchCase->setFocusPolicy(Qt::NoFocus);
    FindResult = new QLabel(this);
    FindResult->setObjectName(QStringLiteral("FindResult"));
    FindResult->setMinimumWidth(
        FindResult->fontMetrics().horizontalAdvance(QStringLiteral("8888 of 8888")) + 4);
    FindCloseB =
        barButton("FindCloseB", QStringLiteral("Close"), QStringLiteral("Close (Esc)"), this);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(6, 2, 6, 2);
    row->setSpacing(6);
    row->addWidget(label);
    row->addWidget(FindEdit, 1);
    row->addWidget(FindNextB);
    row->addWidget(FindPreviousB);
    row->addWidget(FindMatchCase);
    row->addWidget(FindResult);
    row->addWidget(FindCloseB);

    // A flood would have the whole scrollback counted for every chunk; a few times a second
    // is enough for the eye.
    m_recount = new QTimer(this);
    m_recount->setSingleShot(true);
    m_recount->setInterval(300);
    connect(m_recount, &QTimer::timeout, this, &FindBar::showCount);

    connect(FindEdit, &QLineEdit::textChanged, this, &FindBar::search);
    connect(FindMatchCase, &QCheckBox::toggled, this, &FindBar::search);
    connect(FindNextB, &QToolButton::clicked, this, [this] { step(true); });
    connect(FindPreviousB, &QToolButton::clicked, this, [this] { step(false); });
    connect(FindCloseB, &QToolButton::clicked, this, &FindBar::end);
    FindEdit->installEventFilter(this);
    hide();
}

void FindBar::open()
{
    if (isHidden()) {
        show();
        // The terminal makes room first, so the match is brought into the rows left.
        emit opened();
        search();
    }
    FindEdit->setFocus();
    FindEdit->selectAll();
}

void FindBar::end()
{
    m_recount->stop();
    m_screen->setFindText(QString());
    hide();
    emit closed();
}

void FindBar::textArrived()
{
    if (!isHidden() && !FindEdit->text().isEmpty() && !m_recount->isActive())
        m_recount->start();
}

void FindBar::search()
{
    m_screen->setFindText(FindEdit->text(),
                          FindMatchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive);
    showCount();
}

void FindBar::step(bool older)
{
    m_screen->findNext(older);
    showCount();
}

void FindBar::showCount()
{
    const TerminalScreen::FindCount n = m_screen->findCount();
    const bool notFound = !FindEdit->text().isEmpty() && n.total == 0;
    if (FindEdit->text().isEmpty())
        FindResult->clear();
    else if (notFound)
        FindResult->setText(QStringLiteral("Not found"));
    else if (n.current > 0)
        FindResult->setText(QStringLiteral("%1 of %2").arg(n.current).arg(n.total));
    else
        FindResult->setText(QStringLiteral("%1 found").arg(n.total));
    FindResult->setStyleSheet(notFound ? QStringLiteral("color: #b71c1c; font-weight: bold;")
                                       : QString());
    FindEdit->setStyleSheet(notFound ? QStringLiteral("QLineEdit { background: #ffd9d9; }")
                                     : QString());
    FindNextB->setEnabled(n.total > 0);
    FindPreviousB->setEnabled(n.total > 0);
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FindEdit && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            step(!(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            end();
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void FindBar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        end();
        return;
    }
    QFrame::keyPressEvent(event);
}
