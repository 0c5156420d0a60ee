#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QFrame;
class TandrelArt;

// The information box: the version panel or the AT command table panel, by caption.
class TInfoBox : public QWidget
{
    Q_OBJECT
public:
    explicit TInfoBox(QWidget *parent = nullptr);

    QFrame *AboutBox;
    TandrelArt *Image3;
    QLabel *AboutT1;
    QPushButton *AboutB;
    QFrame *ATInfoBox;
    QPushButton *ATB;

    QString caption() const { return windowTitle(); }
    void setCaption(const QString &caption) { setWindowTitle(caption); }

    void ShowBox();
    void FormActivate();
    void AboutBClick();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
};

extern TInfoBox *InfoBox;
