#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QListView;
class QPushButton;

// Finds an AT command by name and opens its page.
class TSearchForm : public QWidget
{
    Q_OBJECT
public:
    explicit TSearchForm(QWidget *parent = nullptr);

    QLabel *Label1;
    QComboBox *Search_ComboBox;
    // The list of the simple-style box, always shown under its field.
    QListView *SearchList;
    QLabel *SearchText;
    QLabel *SearchText2;
    QPushButton *SearchB;

    int selectedEntry() const { return SelectedEntry; }

    void Search_ComboBoxChange();
    void SearchBClick();
    void FormActivate();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void takeSelection();
    void followInList(const QString &text);

    int SelectedEntry = -1;
    int PlacementCount = 0;
};

extern TSearchForm *SearchForm;
