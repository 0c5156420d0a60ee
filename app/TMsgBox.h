#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QFrame;

// The "please wait" status box of SMS exchanges; its caption chooses its layout.
class TMsgBox : public QWidget
{
    Q_OBJECT
public:
    explicit TMsgBox(QWidget *parent = nullptr);

    QFrame *MsgPanel;
    QLabel *T1;
    QLabel *T2;
    QPushButton *CloseBoxB;

    QString caption() const { return windowTitle(); }
    void setCaption(const QString &caption) { setWindowTitle(caption); }

    void ResetMsgBox();
    // A wait the operator may end: the button says Cancel.
    void offerCancel();
    // Modally when hidden; a showing box is shown again without modality.
    void ShowBox();
    void CloseIfShowing();
    void CloseBoxBClick();
    void FormActivate();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

extern TMsgBox *MsgBox;
