#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// Asks whether to keep a call the program has just answered.
class TRingBox : public QWidget
{
    Q_OBJECT
public:
    explicit TRingBox(QWidget *parent = nullptr);

    QWidget *RingPanel;
    QLabel *RingText1, *RingText2, *RingDisconnect;
    QPushButton *RingYes, *RingNo;

    void RingYesClick();
    void RingNoClick();
    void FormActivate();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
};

extern TRingBox *RingBox;
