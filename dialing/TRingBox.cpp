#include "TRingBox.h"

#include "SerialControl.h"
#include "TForm1.h"
#include "WindowPlacement.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

TRingBox *RingBox = nullptr;

TRingBox::TRingBox(QWidget *parent) : QWidget(parent, placement::fixedBoxFlags())
{
    setObjectName(QStringLiteral("RingBox"));
    setWindowTitle(QStringLiteral("RING"));
    RingPanel = new QWidget(this);
    RingPanel->setObjectName(QStringLiteral("RingPanel"));
    RingText1 = new QLabel(QStringLiteral("The modem just received a call."), RingPanel);
    RingText1->setObjectName(QStringLiteral("RingText1"));
    RingText2 = new QLabel(QStringLiteral("Stay in connection?"), RingPanel);
    RingText2->setObjectName(QStringLiteral("RingText2"));
    RingDisconnect = new QLabel(QStringLiteral("Disconnecting..."), RingPanel);
    RingDisconnect->setObjectName(QStringLiteral("RingDisconnect"));
    RingDisconnect->hide();
    RingYes = new QPushButton(QStringLiteral("Yes"), RingPanel);
    RingYes->setObjectName(QStringLiteral("RingYes"));
    RingNo = new QPushButton(QStringLiteral("No"), RingPanel);
    RingNo->setObjectName(QStringLiteral("RingNo"));
    auto *column = new QVBoxLayout(RingPanel);
    column->setContentsMargins(8, 6, 8, 6);
    for (QLabel *l : {RingText1, RingText2, RingDisconnect}) {
        l->setAlignment(Qt::AlignCenter);
        l->setWordWrap(true);
        column->addWidget(l);
    }
    auto *row = new QHBoxLayout;
    row->addWidget(RingYes);
    row->addWidget(RingNo);
    column->addLayout(row);
    RingPanel->hide();
    connect(RingYes, &QPushButton::clicked, this, &TRingBox::RingYesClick);
    connect(RingNo, &QPushButton::clicked, this, &TRingBox::RingNoClick);
}

void TRingBox::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    FormActivate();
}

void TRingBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    RingPanel->resize(size());
}

void TRingBox::FormActivate()
{
    RingPanel->hide();
    RingPanel->move(0, 0);
    placement::setOuterSize(this, QSize(207, 148));
    if (Form1)
        placement::moveInside(this, placement::offsetOver(placement::frameOf(Form1),
                                                          QPoint(250, 160), QSize(705, 497)));
    RingPanel->show();
}

void TRingBox::RingYesClick()
{
    close();
    if (Form1)
        Form1->SaxComm1->setFocus();
}

void TRingBox::RingNoClick()
{
    Form1->SaxComm1->setOutput("+++");
    Form1->DisconnectTimer->start();
    setWindowTitle(QStringLiteral("RING"));
    for (QWidget *w : std::initializer_list<QWidget *>{RingText1, RingText2, RingYes, RingNo})
        w->hide();
    RingDisconnect->show();
}
