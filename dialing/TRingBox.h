#pragma once

#include <QWidget>

class TRingBox : public QWidget
{
    Q_OBJECT
public:
    explicit TRingBox(QWidget *parent = nullptr);
};

extern TRingBox *RingBox;
