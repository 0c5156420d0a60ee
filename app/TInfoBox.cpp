#include "TInfoBox.h"

#include "SerialControl.h"
#include "TForm1.h"
#include "TandrelArt.h"
#include "WindowPlacement.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TInfoBox *InfoBox = nullptr;

namespace {

QLabel *line(const QString &text, QWidget *parent, bool bold = false)
{
    auto *l = new QLabel(text, parent);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

} // namespace

TInfoBox::TInfoBox(QWidget *parent) : QWidget(parent, placement::fixedBoxFlags())
{
    setObjectName(QStringLiteral("InfoBox"));
    setWindowTitle(QStringLiteral("INFO"));
    // The box has a fixed size; its lines are set in the small type of a notice box so that
    // the longest ("...for the 9505 modems. Some") fits across it.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    AboutBox = new QFrame(this);
    AboutBox->setObjectName(QStringLiteral("AboutBox"));
    auto *about = new QVBoxLayout(AboutBox);
    about->setContentsMargins(8, 6, 8, 6);
    about->setSpacing(1);
    Image3 = new TandrelArt(QStringLiteral("Image3"), true, AboutBox);
    Image3->setFixedHeight(84);
    AboutT1 = line(QString(), AboutBox, true);
    AboutT1->setObjectName(QStringLiteral("AboutT1"));
    about->addWidget(Image3);
    about->addWidget(AboutT1);
    about->addWidget(
        line(QStringLiteral("Terminal, AT command reference, dialer and SMS"), AboutBox));
    about->addWidget(line(QStringLiteral("for satellite handsets on a serial port."), AboutBox));
    about->addWidget(line(QStringLiteral("Tandrel Software - free to use and share."), AboutBox));
    AboutB = new QPushButton(QStringLiteral("OK"), AboutBox);
    AboutB->setObjectName(QStringLiteral("AboutB"));
    AboutB->setToolTip(QStringLiteral("Close this window."));
    about->addWidget(AboutB, 0, Qt::AlignCenter);

    ATInfoBox = new QFrame(this);
    ATInfoBox->setObjectName(QStringLiteral("ATInfoBox"));
    auto *at = new QVBoxLayout(ATInfoBox);
    at->setContentsMargins(4, 6, 4, 6);
    at->setSpacing(1);
    at->addWidget(line(QStringLiteral("The Contents of AT Command Table : "), ATInfoBox, true));
    at->addWidget(line(QStringLiteral("ISU AT Command Reference Version 2.0"), ATInfoBox));
    at->addWidget(
        line(QStringLiteral("This software is designed for the 9505 modems. Some"), ATInfoBox));
    at->addWidget(
        line(QStringLiteral("of the AT commands will not work for 9500 modems."), ATInfoBox));
    ATB = new QPushButton(QStringLiteral("OK"), ATInfoBox);
    ATB->setObjectName(QStringLiteral("ATB"));
    ATB->setToolTip(QStringLiteral("Close this window. "));
    at->addWidget(ATB, 0, Qt::AlignCenter);

    AboutBox->hide();
    ATInfoBox->hide();
    connect(AboutB, &QPushButton::clicked, this, &TInfoBox::AboutBClick);
    connect(ATB, &QPushButton::clicked, this, &TInfoBox::AboutBClick);
}

void TInfoBox::ShowBox()
{
    placement::showModal(this);
}

void TInfoBox::FormActivate()
{
    AboutBox->hide();
    ATInfoBox->hide();
    AboutBox->move(0, 0);
    ATInfoBox->move(0, 0);
    const QPoint owner = Form1 ? placement::frameOf(Form1).topLeft() : QPoint();
    if (caption() == QLatin1String("INFO")) {
        placement::setOuterSize(this, QSize(313, 237), AboutBox->minimumSizeHint());
        placement::moveInside(this, owner + QPoint(196, 112));
        AboutBox->show();
    } else if (caption() == QLatin1String("AT COMMAND TABLE")) {
        placement::setOuterSize(this, QSize(313, 148), ATInfoBox->minimumSizeHint());
        placement::moveInside(this, owner + QPoint(196, 160));
        ATInfoBox->show();
    }
}

void TInfoBox::AboutBClick()
{
    if (isVisible())
        close();
    if (Form1 && Form1->SaxComm1->isVisible())
        Form1->SaxComm1->setFocus();
}

// The frame is known only once the box shows; the panels follow the room it leaves.
void TInfoBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    AboutBox->resize(size());
    ATInfoBox->resize(size());
}

void TInfoBox::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    FormActivate();
}
