#include "TMsgBox.h"

#include "TForm1.h"
#include "WindowPlacement.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TMsgBox *MsgBox = nullptr;

TMsgBox::TMsgBox(QWidget *parent) : QWidget(parent, placement::fixedBoxFlags())
{
    setObjectName(QStringLiteral("MsgBox"));
    setWindowTitle(QStringLiteral("Message"));
    setFixedSize(199, 128);
    MsgPanel = new QFrame(this);
    MsgPanel->setObjectName(QStringLiteral("MsgPanel"));
    MsgPanel->setGeometry(0, 0, 199, 121);
    auto *layout = new QVBoxLayout(MsgPanel);
    T1 = new QLabel(QStringLiteral("Setting SMS indications..."), MsgPanel);
    T1->setObjectName(QStringLiteral("T1"));
    T1->setAlignment(Qt::AlignCenter);
    T2 = new QLabel(QStringLiteral("Please wait..."), MsgPanel);
    T2->setObjectName(QStringLiteral("T2"));
    T2->setAlignment(Qt::AlignCenter);
    T2->setWordWrap(true);
    CloseBoxB = new QPushButton(QStringLiteral("OK"), MsgPanel);
    CloseBoxB->setObjectName(QStringLiteral("CloseBoxB"));
    CloseBoxB->hide();
    layout->addWidget(T1);
    layout->addWidget(T2);
    layout->addWidget(CloseBoxB, 0, Qt::AlignCenter);
    connect(CloseBoxB, &QPushButton::clicked, this, &TMsgBox::CloseBoxBClick);
    MsgPanel->hide();
}

void TMsgBox::ResetMsgBox()
{
    setCaption(QStringLiteral("SMS"));
    T1->setText(QStringLiteral("Setting SMS indications..."));
    T2->setText(QStringLiteral("Please wait..."));
    CloseBoxB->setText(QStringLiteral("OK"));
    CloseBoxB->hide();
}

void TMsgBox::offerCancel()
{
    CloseBoxB->setText(QStringLiteral("Cancel"));
    CloseBoxB->show();
}

void TMsgBox::ShowBox()
{
    placement::showModal(this);
}

void TMsgBox::CloseIfShowing()
{
    if (isVisible())
        close();
}

void TMsgBox::CloseBoxBClick()
{
    ResetMsgBox();
    CloseIfShowing();
}

void TMsgBox::FormActivate()
{
    MsgPanel->hide();
    MsgPanel->move(0, 0);
    if (caption() == QLatin1String("SMS")) {
        placement::setOuterSize(this, QSize(207, 148));
        const QRect owner = Form1 ? placement::frameOf(Form1) : QRect(0, 0, 705, 497);
        placement::moveInside(this,
                              placement::offsetOver(owner, QPoint(250, 160), QSize(705, 497)));
        MsgPanel->show();
    } else {
        placement::moveInside(this, placement::frameOf(this).topLeft());
    }
}

void TMsgBox::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    FormActivate();
}

void TMsgBox::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        caption() == QLatin1String("SMS") && CloseBoxB->isVisible()) {
        CloseBoxBClick();
        return;
    }
    QWidget::keyPressEvent(event);
}
