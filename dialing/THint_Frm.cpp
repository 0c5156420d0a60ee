#include "THint_Frm.h"

THint_Frm *Hint_Frm = nullptr;

THint_Frm::THint_Frm(QWidget *parent) : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("Hint_Frm"));
    setWindowTitle(QStringLiteral("Hint"));
}
