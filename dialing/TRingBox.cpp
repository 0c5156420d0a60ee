#include "TRingBox.h"

TRingBox *RingBox = nullptr;

TRingBox::TRingBox(QWidget *parent) : QWidget(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("RingBox"));
    setWindowTitle(QStringLiteral("RING"));
}
