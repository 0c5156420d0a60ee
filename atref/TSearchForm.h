#pragma once

#include <QWidget>

class QComboBox;

// Finds an AT command by name and opens its page.
class TSearchForm : public QWidget
{
    Q_OBJECT
public:
    explicit TSearchForm(QWidget *parent = nullptr);

    QComboBox *Search_ComboBox;
};

extern TSearchForm *SearchForm;
