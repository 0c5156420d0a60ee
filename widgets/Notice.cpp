#include "Notice.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <memory>
#include <vector>

namespace notice {

namespace {
Hook &hook()
{
    static Hook h;
    return h;
}

ChoiceHook &choiceHook()
{
    static ChoiceHook h;
    return h;
}

// Holds the text keys pressed at a box, to be typed again where the operator was typing.
class TypedAhead : public QObject
{
public:
    explicit TypedAhead(QWidget *box) : m_box(box) {}
    std::vector<std::unique_ptr<QKeyEvent>> keys;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return false;
        auto *w = qobject_cast<QWidget *>(watched);
        if (!w || (w != m_box && !m_box->isAncestorOf(w)))
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (text.isEmpty() || !text.at(0).isPrint() ||
            (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
            return false;
        if (event->type() == QEvent::KeyPress)
            keys.push_back(
                std::make_unique<QKeyEvent>(QEvent::KeyPress, key->key(), key->modifiers(), text));
        return true;
    }

private:
    QWidget *m_box;
};
} // namespace

void setHook(Hook h)
{
    hook() = std::move(h);
}

void show(QWidget *parent, Kind kind, const QString &caption, const QString &text)
{
    if (hook()) {
        hook()(kind, caption, text);
        return;
    }
    const QMessageBox::Icon icon = kind == Kind::Error     ? QMessageBox::Critical
                                   : kind == Kind::Warning ? QMessageBox::Warning
                                                           : QMessageBox::Information;
    auto *box = new QMessageBox(icon, caption, text, QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("NoticeBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool ask(QWidget *parent, const QString &caption, const QString &text, Default button)
{
    if (hook())
        return hook()(Kind::Question, caption, text);
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setObjectName(QStringLiteral("QuestionBox"));
    box.setDefaultButton(button == Default::No ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

bool askWhileTyping(QWidget *typing, const QString &caption, const QString &text)
{
    if (hook())
        return hook()(Kind::Question, caption, text);
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    typing);
    box.setObjectName(QStringLiteral("QuestionBox"));
    box.setDefaultButton(QMessageBox::Yes);
    TypedAhead typed(&box);
    qApp->installEventFilter(&typed);
    const bool yes = box.exec() == QMessageBox::Yes;
    qApp->removeEventFilter(&typed);
    // Posted, so they arrive after the caller has dealt with the answer.
    const QPointer<QWidget> target(typing);
    for (auto &key : typed.keys)
        if (target)
            QCoreApplication::postEvent(target, key.release());
    if (target)
        target->setFocus();
    return yes;
}

void setChoiceHook(ChoiceHook h)
{
    choiceHook() = std::move(h);
}

int choose(QWidget *parent, const QString &caption, const QString &text, const QString &third)
{
    if (choiceHook())
        return choiceHook()(caption, text, third);
    if (hook())
        return hook()(Kind::Question, caption, text) ? 0 : 1;
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setObjectName(QStringLiteral("ChoiceBox"));
    QPushButton *other = box.addButton(third, QMessageBox::AcceptRole);
    other->setObjectName(QStringLiteral("ThirdChoice"));
    box.setEscapeButton(QMessageBox::No);
    box.exec();
    if (box.clickedButton() == other)
        return 2;
    return box.clickedButton() == box.button(QMessageBox::Yes) ? 0 : 1;
}

} // namespace notice
