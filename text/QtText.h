#pragma once

#include <QString>
#include <string>

// The one place where the program's Windows-1252 text meets QString.
namespace tandrel {

QString toQString(const std::string &text);
std::string fromQString(const QString &text);

} // namespace tandrel
