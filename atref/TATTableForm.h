#pragma once

#include <QWidget>

// The AT command table: reference pages and the command builder.
class TATTableForm : public QWidget
{
    Q_OBJECT
public:
    explicit TATTableForm(QWidget *parent = nullptr);

    // True when the last ATS0 sent from the table had a non-zero value.
    bool AutoAnswerEnabled = false;

    // Opens the page behind a main window menu item.
    void ShowPage(const QString &menuItemName);
    // Puts the number fields back to their initial texts (before a session is opened).
    void ResetNumberFields();
    // Locks and unlocks the table's send buttons while an SMS command is outstanding.
    void DisableSendButtons();
    void EnableSendButtons();

    QString currentPage() const { return m_page; }

private:
    QString m_page;
};

extern TATTableForm *ATTableForm;
