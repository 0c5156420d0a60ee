#pragma once

#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QWidget>

// Small builders shared by the sources of the AT command table's page.
namespace sheet {

template <typename T>
T *named(T *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

inline QLabel *boldLabel(const QString &text, QWidget *parent, const char *name = nullptr)
{
    auto *l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    if (name)
        l->setObjectName(QLatin1String(name));
    return l;
}

// Opaque white, like the page, so a panel laid over another hides it completely.
inline void paintWhite(QWidget *w)
{
    w->setAutoFillBackground(true);
    QPalette white = w->palette();
    white.setColor(QPalette::Window, Qt::white);
    w->setPalette(white);
}

} // namespace sheet
