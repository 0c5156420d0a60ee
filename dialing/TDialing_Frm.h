#pragma once

#include <QWidget>

class TDialing_Frm : public QWidget
{
    Q_OBJECT
public:
    explicit TDialing_Frm(QWidget *parent = nullptr);
    // Puts the number fields back to their initial texts (before a session is opened).
    void ResetNumberFields();
};

extern TDialing_Frm *Dialing_Frm;
