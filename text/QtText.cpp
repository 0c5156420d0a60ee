#include "QtText.h"

#include "Cp1252.h"

namespace tandrel {

QString toQString(const std::string &text)
{
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (char c : text)
        out += QChar(static_cast<char16_t>(cp1252ToUnicode(static_cast<unsigned char>(c))));
    return out;
}

std::string fromQString(const QString &text)
{
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar ch : text) {
        const int c = unicodeToCp1252(ch.unicode());
        out += c < 0 ? '?' : static_cast<char>(c);
    }
    return out;
}

} // namespace tandrel
