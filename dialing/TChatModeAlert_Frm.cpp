#include "TChatModeAlert_Frm.h"

#include "Program.h"
#include "QtText.h"
#include "TForm1.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

TChatModeAlert_Frm *ChatModeAlert_Frm = nullptr;

TChatModeAlert_Frm::TChatModeAlert_Frm(QWidget *parent) : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("ChatModeAlert_Frm"));
    setWindowTitle(QStringLiteral("Alert"));
    m_file = Program ? tandrel::fromFileName(Program->alertFile)
                     : tandrel::fromFileName(TForm1::ProgramDirectory()) +
                           QStringLiteral("MessagingModeAlert.wav");
}

void TChatModeAlert_Frm::PlayAlert()
{
    ++m_plays;
    if (!QFileInfo(m_file).isReadable())
        return;
    if (!Alert_MediaPlyr) {
        Alert_MediaPlyr = new QSoundEffect(this);
        Alert_MediaPlyr->setObjectName(QStringLiteral("Alert_MediaPlyr"));
    }
    Alert_MediaPlyr->setSource(QUrl::fromLocalFile(m_file));
    Alert_MediaPlyr->play();
}
