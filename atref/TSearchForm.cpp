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
    // A simple-style box: the field, and the whole list always under it instead of a drop-down.
    Search_ComboBox->setStyleSheet(
        QStringLiteral("QComboBox::drop-down { width: 0px; border: none; }"));
    SearchList = new QListView(this);
    SearchList->setObjectName(QStringLiteral("SearchList"));
    SearchList->setModel(Search_ComboBox->model());
    SearchList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SearchList->setFocusPolicy(Qt::NoFocus);
    connect(SearchList, &QListView::clicked, this, [this](const QModelIndex &index) {
        Search_ComboBox->setCurrentIndex(index.row());
        Search_ComboBox->setEditText(Search_ComboBox->itemText(index.row()));
    });
    connect(SearchList, &QListView::doubleClicked, this, [this] {
        if (SelectedEntry >= 0 && !atSearchIsGps(SelectedEntry))
            SearchBClick();
    });
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
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(3);
    layout->addWidget(Search_ComboBox);
    layout->addWidget(SearchList, 1);
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

// The list follows the field: the first entry that begins with the typed text comes into view.
void TSearchForm::followInList(const QString &text)
{
    const QString typed = text.trimmed();
    for (int i = 0; i < Search_ComboBox->count() && !typed.isEmpty(); ++i) {
        if (Search_ComboBox->itemText(i).startsWith(typed, Qt::CaseInsensitive) ||
            Search_ComboBox->itemText(i).startsWith(QStringLiteral("AT+") + typed,
                                                    Qt::CaseInsensitive)) {
            const QModelIndex index = Search_ComboBox->model()->index(i, 0);
            SearchList->setCurrentIndex(index);
            SearchList->scrollTo(index, QAbstractItemView::PositionAtTop);
            return;
        }
    }
    SearchList->clearSelection();
}

void TSearchForm::Search_ComboBoxChange()
{
    takeSelection();
    followInList(Search_ComboBox->currentText());
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
            // "at+csq", " AT+CSQ" or "csq" means the entry; only Enter is this lenient, so
            // Open keeps closing the window for a text that is no entry.
            const QString typed = Search_ComboBox->currentText().trimmed();
            for (int i = 0; SelectedEntry < 0 && !typed.isEmpty() && i < Search_ComboBox->count();
                 ++i) {
                const QString entry = Search_ComboBox->itemText(i).trimmed();
                if (entry.compare(typed, Qt::CaseInsensitive) == 0 ||
                    entry.compare(QStringLiteral("AT+") + typed, Qt::CaseInsensitive) == 0)
                    SelectedEntry = i;
            }
            if (SelectedEntry < 0 || !atSearchIsGps(SelectedEntry))
                SearchBClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TSearchForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
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
    QPoint at = placement::frameOf(this).topLeft();
    if (PlacementCount <= 2 && Form1)
        at = placement::frameOf(Form1).topLeft();
    placement::moveInside(this, at);
}

void TSearchForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}
