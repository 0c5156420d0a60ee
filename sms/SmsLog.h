#pragma once

#include <string>

// The SMS log file: appended to, read whole, cleared (into a backup). Never rewritten
// otherwise.
class SmsLog
{
public:
    // Uses preferredPath when its folder can be written, else the same name in fallbackDir.
    // `name` is how messages call the log.
    SmsLog(const std::string &preferredPath, const std::string &fallbackDir,
           std::string name = "SMS log");

    const std::string &path() const { return m_path; }

    // A failed append leaves the file as it was and says why.
    bool append(const std::string &text, std::string *error);
    // The whole file as UTF-8 text; empty when it is missing or unreadable.
    std::string readAll() const;
    // Empties the log, keeping what it held as path() + ".bak" (replacing an older one), so
    // that a mistaken clear can be undone by hand. A failure leaves the log as it was.
    bool clear(std::string *error);

private:
    std::string m_path;
    std::string m_name;
};
