#pragma once

#include <QWidget>

class THint_Frm : public QWidget
{
    Q_OBJECT
public:
    explicit THint_Frm(QWidget *parent = nullptr);
};

extern THint_Frm *Hint_Frm;
