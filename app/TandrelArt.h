#pragma once

#include <QWidget>

// The program's own artwork, drawn rather than shipped: a night-side globe with an orbit
// and a satellite, and the name. Used by the intro screen and the version box.
class TandrelArt : public QWidget
{
    Q_OBJECT
public:
    explicit TandrelArt(const QString &objectName, bool withTitle, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_withTitle;
};
