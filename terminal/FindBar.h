#pragma once

#include <QFrame>

class TerminalScreen;
class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QTimer;

// Find in the terminal's scrollback and screen: a bar under the terminal. Matches are
// highlighted as the text is typed; Enter walks up to older ones, Shift+Enter back down,
// and Esc closes the bar.
class FindBar : public QFrame
{
    Q_OBJECT
public:
    FindBar(TerminalScreen *screen, QWidget *parent = nullptr);

    // Shows the bar with its text selected for typing over, or selects it again.
    void open();
    // Ends the search and hides the bar.
    void end();
    // New text reached the terminal: the count follows shortly.
    void textArrived();

    QLineEdit *FindEdit;
    QToolButton *FindNextB, *FindPreviousB, *FindCloseB;
    QCheckBox *FindMatchCase;
    QLabel *FindResult;

signals:
    void opened();
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void search();
    void step(bool older);
    void showCount();

    TerminalScreen *m_screen;
    QTimer *m_recount;
};
