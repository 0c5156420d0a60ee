#pragma once

#include "PaintedText.h"

#include <QFrame>
#include <QStringList>

// Signal strength as bars and the registration state in a word, for the status bar.
class SignalPanel : public QFrame, public PaintedText
{
    Q_OBJECT
public:
    explicit SignalPanel(QWidget *parent = nullptr);

    // bars 0 to 5, or -1 when not known.
    void setReading(int bars, const QString &word, const QString &description);
    int bars() const { return m_bars; }
    QString word() const { return m_word; }

    // Every word a reading may bring. The word is painted in the window's font where the
    // widest of them fits, otherwise a little smaller, the same for all, so that it neither
    // jumps in size from one reading to the next nor is cut.
    void setWords(const QStringList &words);
    QFont wordFont() const { return m_wordFont; }

    QString paintedText() const override { return m_word; }
    QSize paintedTextNeeds() const override;
    QSize paintedTextRoom() const override { return wordRect().size(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QRect barsRect() const;
    QRect wordRect() const;
    void fitWords();

    int m_bars = -1;
    QString m_word;
    QStringList m_words;
    QFont m_wordFont;
};
