#pragma once

#include <QString>
#include <QWidget>

class QSoundEffect;

// Holds the alert sound of an incoming call; it has no visible controls.
class TChatModeAlert_Frm : public QWidget
{
    Q_OBJECT
public:
    explicit TChatModeAlert_Frm(QWidget *parent = nullptr);

    // Starts the sound and returns at once. A missing file or audio device only means
    // silence: the call handling never waits for or depends on the sound.
    void PlayAlert();
    QString alertFile() const { return m_file; }
    void setAlertFile(const QString &file) { m_file = file; }
    int playCount() const { return m_plays; }

private:
    QString m_file;
    QSoundEffect *Alert_MediaPlyr = nullptr;
    int m_plays = 0;
};

extern TChatModeAlert_Frm *ChatModeAlert_Frm;
