#include "QtText.h"

#include <QFile>

namespace tandrel {

QString toQString(const std::string &text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string fromQString(const QString &text)
{
    return text.toStdString();
}

std::string toFileName(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

QString fromFileName(const std::string &path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace tandrel
