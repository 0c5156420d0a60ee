#include "TATTableForm.h"

TATTableForm *ATTableForm = nullptr;

TATTableForm::TATTableForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("ATTableForm"));
    setWindowTitle(QStringLiteral("AT Command Table"));
    resize(640, 560);
}

void TATTableForm::ShowPage(const QString &menuItemName)
{
    m_page = menuItemName;
    show();
    raise();
    activateWindow();
}

void TATTableForm::ResetNumberFields() {}
void TATTableForm::DisableSendButtons() {}
void TATTableForm::EnableSendButtons() {}
