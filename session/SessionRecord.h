#pragma once

#include <array>
#include <string>

// The values a session file keeps between runs, in the order the loader looks them up.
enum class SessionTag
{
    Settings,
    Com,
    Sim,
    Call,
    Modem,
    Type,
    Echo,
    Ring,
    Flow,
    IgVer,
    TermVer,
    Sms
};

// The program-wide record of session values and its tagged text file.
class SessionRecord
{
public:
    static constexpr int TagCount = 12;

    SessionRecord(); // every value at its default

    // 0 on success (every value set from the file or its default), -1 when no file could be
    // read. An empty or unreadable name falls back to defaultSessionFile().
    int LoadSession(const std::string &fileName);

    // Writes the eleven lines. False, with a one-line reason the operator can act on in *error
    // (which file, what the system said), when it cannot be written. An existing file is
    // replaced only by a complete new one.
    bool SaveSession(const std::string &fileName, std::string *error = nullptr) const;

    const std::string &value(SessionTag tag) const;
    void setValue(SessionTag tag, const std::string &value); // the eleven saved values (not Modem)

    static std::string openingTag(SessionTag tag); // "<SETTINGS>"
    static std::string closingTag(SessionTag tag); // "<\SETTINGS>"
    static const std::string &defaultValue(SessionTag tag);
    static std::string tagName(SessionTag tag); // "SETTINGS"
    // "Session" + platform separator + "default.sms", relative to the current directory.
    static std::string defaultSessionFile();

private:
    std::array<std::string, TagCount> m_values;
};
