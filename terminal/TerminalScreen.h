#pragma once

#include <QByteArray>
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

// The terminal screen: paints what the modem sends (VT100/ANSI through libvterm) and turns
// key presses into the bytes they transmit. It never talks to a port itself.
class TerminalScreen : public QWidget
{
    Q_OBJECT
public:
    explicit TerminalScreen(QWidget *parent = nullptr);
    ~TerminalScreen() override;

    // Received bytes, Windows-1252 text with control and escape sequences.
    void feed(const QByteArray &bytes);

    // Lines kept above the visible screen; at least 10,000.
    int scrollbackLimit() const;
    int scrollbackCount() const;

    QString selectedText() const;
    void selectAll();
    void copySelection();
    void clearScreen();

    // Visible screen as text, rows joined by '\n', trailing blanks of each row dropped.
    QString screenText() const;
    // Scrollback plus the visible screen, oldest first.
    QString allText() const;

    int rows() const;
    int columns() const;

    // Cursor cell on the visible screen: x is the column, y the row, both from 0.
    QPoint cursorPosition() const;
    // Pixel rectangle of a cell of the view (row 0 is the top row shown).
    QRect cellRect(int row, int column) const;
    // Lines the view is scrolled back from the live screen; 0 at the bottom.
    int viewOffset() const;
    // Scrolls the view back by `lines` (clamped to the scrollback).
    void setViewOffset(int lines);

    // Default text and background colours (SGR 39/49); the ANSI palette stays as it is.
    void setColors(const QColor &foreground, const QColor &background);

    QSize sizeHint() const override;

    // Find: every match of `text` in the scrollback and on the screen, read as shown (time
    // stamps too), is highlighted while the text is set; an empty text ends the search.
    // The current match becomes the one nearest the old one (at first the lowest in view, or
    // the nearest above it), and is scrolled into view. While a search is set and the view is
    // scrolled back, new lines do not move the view. False when there is no match.
    bool setFindText(const QString &text, Qt::CaseSensitivity cs = Qt::CaseInsensitive);
    QString findText() const;
    // Walks to the next match towards older lines, or newer ones, round from the other end.
    bool findNext(bool older);
    // Where the current match stands among all of them, counted from the oldest (1 is the
    // oldest, 0 when none is current), and how many there are.
    struct FindCount
    {
        int current = 0;
        int total = 0;
    };
    FindCount findCount() const;

signals:
    // A key was pressed (Qt key code and modifiers), before any bytes are emitted.
    void keyPressed(int key, Qt::KeyboardModifiers modifiers);
    // The operator scrolled the view (wheel, keys, a drag past an edge).
    void viewMoved();
    // Bytes the key press transmits (Windows-1252, control codes for Enter, arrows, ...).
    void keyBytes(const QByteArray &bytes);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Private;
    Private *d;
};
