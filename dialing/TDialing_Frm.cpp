#include "TDialing_Frm.h"

TDialing_Frm *Dialing_Frm = nullptr;

TDialing_Frm::TDialing_Frm(QWidget *parent) : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("Dialing_Frm"));
    setWindowTitle(QStringLiteral("Dialing Properties"));
}

void TDialing_Frm::ResetNumberFields() {}
