#pragma once

#include "PaintedText.h"

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QRawFont>
#include <QString>
#include <QTimer>

#include <array>

// Received bytes as rows of sixteen: the offset, the bytes in hex and, between bars, the
// printable ones as characters with a dot for the rest. It keeps the most recent bytes in a
// ring of fixed size; recording them is a copy, and painting waits for the next frame and
// happens only while the view is shown. Keys go to the widget given as the key target, so
// that typing works as it does on the terminal screen.
class HexView : public QAbstractScrollArea, public PaintedText
{
    Q_OBJECT
public:
    // Bytes kept: 65,536 rows, eleven seconds of a 921,600-baud flood or nine minutes at
    // 19,200 baud.
    static constexpr qsizetype Capacity = qsizetype(1) << 20;
    static constexpr int BytesPerRow = 16;

    explicit HexView(QWidget *parent = nullptr);

    void append(const QByteArray &bytes);

    // Bytes received since the program started, and the offset of the oldest one still kept.
    qint64 totalBytes() const { return m_total; }
    qint64 firstKept() const { return m_total - m_kept; }

    // Rows by their number from the first byte ever received (offset / 16).
    qint64 firstRow() const;
    qint64 endRow() const; // one past the last
    QString rowText(qint64 row) const;
    // The rows in view, joined by '\n'.
    QString visibleText() const;
    qint64 topRow() const;
    int visibleRows() const;

    // Selection in whole rows, copied as they are shown.
    QString selectedText() const;
    void copySelection();

    // The top row in view (all rows are as wide), against the viewport.
    QString paintedText() const override;
    QSize paintedTextNeeds() const override;
    QSize paintedTextRoom() const override { return viewport()->size(); }

    // Keys pressed in the view are sent on to this widget.
    void setKeyTarget(QWidget *target) { m_keyTarget = target; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool focusNextPrevChild(bool next) override;

private:
    void frame();
    void scheduleFrame();
    void updateMetrics();
    qint64 rowAt(int y) const;
    unsigned char byteAt(qint64 offset) const;

    QByteArray m_ring; // allocated on the first byte
    qint64 m_total = 0;
    qsizetype m_kept = 0;
    qint64 m_top = 0;       // first row in view, while not following
    bool m_follow = true;   // the view stays on the newest rows
    bool m_syncing = false; // the scroll bar is being set from here
    qint64 m_anchor = -1, m_extent = -1;
    bool m_dragging = false;
    int m_cellW = 1, m_cellH = 1, m_ascent = 0;
    // Rows are ASCII on a fixed grid: drawn as glyphs looked up once, with no text shaping.
    QRawFont m_rawFont;
    std::array<quint32, 128> m_glyphs{};
    QTimer m_frameTimer;
    QWidget *m_keyTarget = nullptr;
};
