#include "TSearchForm.h"

#include "AtCatalogue.h"
#include "TForm1.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

TSearchForm *SearchForm = nullptr;

TSearchForm::TSearchForm(QWidget *parent) : QWidget(parent, placement::fixedBoxFlags())
{
    setObjectName(QStringLiteral("SearchForm"));
    setWindowTitle(QStringLiteral("Search"));
    Label1 = new QLabel(QStringLiteral("Enter AT Command to search"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true); // the window is narrower than the prompt
    Search_ComboBox = new QComboBox(this);
    Search_ComboBox->setObjectName(QStringLiteral("Search_ComboBox"));
    Search_ComboBox->setEditable(true);
    Search_ComboBox->setInsertPolicy(QComboBox::NoInsert);
    Search_ComboBox->setCompleter(nullptr); // the list itself follows what is typed
    for (const std::string &e : atSearchEntries())
        Search_ComboBox->addItem(QString::fromLatin1(e.c_str()));
    Search_ComboBox->setCurrentIndex(-1);
    Search_ComboBox->installEventFilter(this);
    Search_ComboBox->lineEdit()->installEventFilter(this);
    SearchText = new QLabel(this);
    SearchText->setObjectName(QStringLiteral("SearchText"));
    SearchText2 = new QLabel(QStringLiteral("Not Available"), this);
    SearchText2->setObjectName(QStringLiteral("SearchText2"));
    SearchText2->hide();
    SearchB = new QPushButton(QStringLiteral("Open"), this);
    SearchB->setObjectName(QStringLiteral("SearchB"));
    SearchB->setToolTip(QStringLiteral("Open the AT Command Table"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Search_ComboBox);
    layout->addWidget(SearchText);
    layout->addWidget(SearchText2);
    layout->addWidget(SearchB);
    connect(Search_ComboBox, &QComboBox::currentTextChanged, this,
            &TSearchForm::Search_ComboBoxChange);
    connect(Search_ComboBox, &QComboBox::editTextChanged, this,
            &TSearchForm::Search_ComboBoxChange);
    connect(SearchB, &QPushButton::clicked, this, &TSearchForm::SearchBClick);
    placement::setOuterSize(this, QSize(164, 230));
    if (Form1)
        placement::centreOver(this, Form1);
    FormActivate();
}

// An exact match of the whole entry, as a simple list matches typed text.
void TSearchForm::takeSelection()
{
    SelectedEntry = Search_ComboBox->findText(Search_ComboBox->currentText(),
                                              Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void TSearchForm::Search_ComboBoxChange()
{
    takeSelection();
    if (SelectedEntry >= 0 && atSearchIsGps(SelectedEntry)) {
        SearchText->setText(QStringLiteral("AT GPS Command"));
        SearchText2->setText(QStringLiteral("Not Available"));
        SearchText2->show();
        SearchB->hide();
    } else {
        SearchText->clear();
        SearchText2->hide();
        SearchB->show();
    }
}

bool TSearchForm::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == Search_ComboBox || watched == Search_ComboBox->lineEdit()) &&
        event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        takeSelection();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (SelectedEntry < 0 || !atSearchIsGps(SelectedEntry))
                SearchBClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TSearchForm::SearchBClick()
{
    if (isVisible())
        close();
    if (SelectedEntry < 0 || SelectedEntry >= Search_ComboBox->count() || !Form1)
        return;
    const std::string entry = atSearchEntries()[size_t(SelectedEntry)];
    if (QAction *item = Form1->menuItem(QString::fromStdString(atSearchMenuItem(entry))))
        item->trigger();
}

void TSearchForm::FormActivate()
{
    ++PlacementCount;
    QPoint at = frameGeometry().topLeft();
    if (PlacementCount <= 2 && Form1)
        at = Form1->frameGeometry().topLeft();
    placement::moveInside(this, at);
}

void TSearchForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}
