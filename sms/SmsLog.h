#pragma once

#include <string>

// The SMS log file: appended to, read whole, cleared. Never rewritten otherwise.
class SmsLog
{
public:
    // Uses preferredPath when its folder can be written, else the same name in fallbackDir.
    SmsLog(const std::string &preferredPath, const std::string &fallbackDir);

    const std::string &path() const { return m_path; }

    // A failed append leaves the file as it was and says why.
    bool append(const std::string &text, std::string *error);
    // The whole file as UTF-8 text; empty when it is missing or unreadable.
    std::string readAll() const;
    bool clear(std::string *error);

private:
    std::string m_path;
};
