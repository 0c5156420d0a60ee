#pragma once

#include <QLabel>

// A captioned panel that reports clicks, the toolkit's panel as the windows use it.
class Panel : public QLabel
{
    Q_OBJECT
public:
    explicit Panel(const QString &objectName, QWidget *parent = nullptr);

    QString caption() const { return text(); }
    void setCaption(const QString &caption) { setText(caption); }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
