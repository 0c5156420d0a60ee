#pragma once

#include <QFrame>

// Signal strength as bars and the registration state in a word, for the status bar.
class SignalPanel : public QFrame
{
    Q_OBJECT
public:
    explicit SignalPanel(QWidget *parent = nullptr);

    // bars 0 to 5, or -1 when not known.
    void setReading(int bars, const QString &word, const QString &description);
    int bars() const { return m_bars; }
    QString word() const { return m_word; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_bars = -1;
    QString m_word;
};
