#pragma once

#include <QWidget>

class TChatModeAlert_Frm : public QWidget
{
    Q_OBJECT
public:
    explicit TChatModeAlert_Frm(QWidget *parent = nullptr);
};

extern TChatModeAlert_Frm *ChatModeAlert_Frm;
