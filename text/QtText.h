#pragma once

#include <QString>
#include <string>

// The one place where the program's UTF-8 text meets QString.
namespace tandrel {

QString toQString(const std::string &text);
std::string fromQString(const QString &text);

// File names go to the file system in its own encoding, never through the text pair above.
std::string toFileName(const QString &path);
QString fromFileName(const std::string &path);

} // namespace tandrel
