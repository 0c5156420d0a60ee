#include "MaskEdit.h"

#include "NumberFormats.h"
#include "QtText.h"

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
