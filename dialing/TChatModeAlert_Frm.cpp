#include "TChatModeAlert_Frm.h"

TChatModeAlert_Frm *ChatModeAlert_Frm = nullptr;

TChatModeAlert_Frm::TChatModeAlert_Frm(QWidget *parent) : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("ChatModeAlert_Frm"));
    setWindowTitle(QStringLiteral("Alert"));
}
