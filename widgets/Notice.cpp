#include "Notice.h"

#include <QMessageBox>
#include <QPushButton>

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
