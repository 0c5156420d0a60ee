#include "TSearchForm.h"

#include <QComboBox>
#include <QVBoxLayout>

TSearchForm *SearchForm = nullptr;

TSearchForm::TSearchForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("SearchForm"));
    setWindowTitle(QStringLiteral("Search"));
    Search_ComboBox = new QComboBox(this);
    Search_ComboBox->setObjectName(QStringLiteral("Search_ComboBox"));
    Search_ComboBox->setEditable(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Search_ComboBox);
    resize(260, 300);
}
