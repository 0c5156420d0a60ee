#include "MaskEdit.h"

#include "Notice.h"
#include "NumberFormats.h"
#include "QtText.h"

#include <QKeyEvent>
#include <QToolTip>

namespace {

constexpr QChar Blank = u'_';

} // namespace

MaskEdit::MaskEdit(const QString &objectName, QWidget *parent) : QLineEdit(parent)
{
    setObjectName(objectName);
    // Qt's '0' is an optional digit and '9' a required one.
    setInputMask(QStringLiteral("(000)999-9999;_"));
    setMaskedText(std::string(dialing::DefaultLocalNumber));
}

std::string MaskEdit::maskedText() const
{
    QString shown = displayText();
    shown.replace(Blank, u' ');
    return tandrel::fromQString(shown);
}

int MaskEdit::firstMissingDigit() const
{
    if (hasAcceptableInput())
        return -1;
    const std::string text = maskedText();
    for (int i : {5, 6, 7, 9, 10, 11, 12}) // bbb-cccc of (aaa)bbb-cccc
        if (i >= int(text.size()) || text[size_t(i)] == ' ')
            return i;
    return 0;
}

bool MaskEdit::checkComplete()
{
    const int missing = firstMissingDigit();
    if (missing < 0)
        return true;
    notice::show(this, notice::Kind::Warning, QStringLiteral("Warning"),
                 QStringLiteral("The phone number is incomplete: %1\n"
                                "Enter all seven digits after the area code; the area code "
                                "itself may be left blank.")
                     .arg(tandrel::toQString(maskedText())));
    setFocus();
    setCursorPosition(missing);
    return false;
}

void MaskEdit::setMaskedText(const std::string &text)
{
    // QLineEdit::setText() closes up blank positions, so place each digit where it stands.
    const std::string fitted = dialing::FitToNumberMask(text);
    clear();
    for (std::size_t i = 0; i < fitted.size(); ++i) {
        if (fitted[i] < '0' || fitted[i] > '9')
            continue;
        setCursorPosition(static_cast<int>(i));
        insert(QString(QChar(fitted[i])));
    }
    setCursorPosition(0);
}

QString MaskEdit::overflowNote()
{
    return QStringLiteral("A landline number has ten digits at most: (area code) and seven. "
                          "The digit typed does not fit and was not added.\n"
                          "For a longer number choose Satellite, which dials a number as "
                          "typed.");
}

// The mask drops a digit it has no place for without a sound; an 11-digit mobile number would
// be dialled short.
void MaskEdit::keyPressEvent(QKeyEvent *event)
{
    const QString before = displayText();
    const int at = cursorPosition();
    QLineEdit::keyPressEvent(event);
    const QString typed = event->text();
    if (typed.size() == 1 && typed[0].isDigit() && displayText() == before &&
        cursorPosition() == at)
        QToolTip::showText(mapToGlobal(QPoint(0, height())), overflowNote(), this);
}
