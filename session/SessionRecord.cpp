#include "SessionRecord.h"

#include "Utf8.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TagInfo
{
    const char *name;
    const char *defaultValue;
};

// Indexed by SessionTag.
constexpr TagInfo kTags[SessionRecord::TagCount] = {
    {"SETTINGS", "19200,n,8,1"},
    {"COM", "COM1"},
    {"SIM", "CIV"},
    {"CALL", "+1(000)000-0000"},
    {"MODEM", "9505"},
    {"TYPE", "Land"},
    {"ECHO", "ON"},
    {"RING", "ON"},
    {"FLOW", "NONE"},
    {"IGVER", "E3P2"},
    {"TERMVER", "IGS"},
    {"SMS", "ON"},
};

// Line order of a saved file; MODEM is read but never written.
constexpr SessionTag kSaveOrder[] = {
    SessionTag::Settings, SessionTag::Com,     SessionTag::Sim,  SessionTag::Call,
    SessionTag::Type,     SessionTag::Echo,    SessionTag::Ring, SessionTag::Flow,
    SessionTag::IgVer,    SessionTag::TermVer, SessionTag::Sms,
};

std::size_t indexOf(SessionTag tag)
{
    return static_cast<std::size_t>(tag);
}

struct FileCloser
{
    void operator()(std::FILE *f) const { std::fclose(f); }
};

// The whole file as text; false when it cannot be opened or read.
bool readWholeFile(const std::string &fileName, std::string *text)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
    if (!file)
        return false;
    std::string content;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        content.append(chunk, got);
    if (std::ferror(file.get())) // a folder opens but cannot be read
        return false;
    // Files of older versions are Windows-1252; new ones are written in UTF-8.
    *text = tandrel::textFromFile(content);
    return true;
}

bool fail(std::string *error, std::string message)
{
    if (error)
        *error = std::move(message);
    return false;
}

std::string systemReason(int err)
{
    return std::strerror(err);
}

bool writeAll(int fd, const std::string &data)
{
    const char *p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

mode_t newFileMode()
{
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

SessionRecord::SessionRecord()
{
    for (std::size_t i = 0; i < m_values.size(); ++i)
        m_values[i] = kTags[i].defaultValue;
}

const std::string &SessionRecord::value(SessionTag tag) const
{
    return m_values[indexOf(tag)];
}

void SessionRecord::setValue(SessionTag tag, const std::string &value)
{
    // MODEM only ever comes from a file; there is nothing of the main window to take it from.
    if (tag == SessionTag::Modem)
        return;
    m_values[indexOf(tag)] = value;
}

std::string SessionRecord::tagName(SessionTag tag)
{
    return kTags[indexOf(tag)].name;
}

std::string SessionRecord::openingTag(SessionTag tag)
{
    return "<" + tagName(tag) + ">";
}

std::string SessionRecord::closingTag(SessionTag tag)
{
    return "<\\" + tagName(tag) + ">";
}

const std::string &SessionRecord::defaultValue(SessionTag tag)
{
    static const auto defaults = [] {
        std::array<std::string, TagCount> d;
        for (std::size_t i = 0; i < d.size(); ++i)
            d[i] = kTags[i].defaultValue;
        return d;
    }();
    return defaults[indexOf(tag)];
}

std::string SessionRecord::defaultSessionFile()
{
    return std::string("Session") + static_cast<char>(std::filesystem::path::preferred_separator) +
           "default.sms";
}

int SessionRecord::LoadSession(const std::string &fileName)
{
    std::string text;
    if (fileName.empty() || !readWholeFile(fileName, &text)) {
        if (!readWholeFile(defaultSessionFile(), &text))
            return -1;
    }

    for (std::size_t i = 0; i < m_values.size(); ++i) {
        const auto tag = static_cast<SessionTag>(i);
        const std::string open = openingTag(tag);
        const std::size_t openAt = text.find(open);
        const std::size_t closeAt = text.find(closingTag(tag));
        if (openAt == std::string::npos || closeAt == std::string::npos) {
            m_values[i] = kTags[i].defaultValue;
            continue;
        }
        const std::size_t start = openAt + open.size();
        // A closing tag that comes before the opening one leaves nothing between them.
        m_values[i] = closeAt >= start ? text.substr(start, closeAt - start) : std::string();
    }
    return 0;
}

bool SessionRecord::SaveSession(const std::string &fileName, std::string *error) const
{
    if (fileName.empty())
        return fail(error, "The session was not saved: no file name was given. Choose a file "
                           "name in the save dialog.");

    std::string content;
    for (SessionTag tag : kSaveOrder)
        content += openingTag(tag) + value(tag) + closingTag(tag) + "\n";

    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target(fileName);
    // Replace what a link points at, not the link itself.
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    const fs::path folder = target.parent_path();

    // Write a temporary file beside the target and rename it over, so that a crash or a full
    // disk never leaves a truncated session file behind.
    std::string tempName = (folder / (target.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(tempName.data());
    if (fd < 0) {
        const int err = errno;
        return fail(error, "Cannot save the session to \"" + fileName + "\": " + systemReason(err) +
                               ". Check that the folder exists and is writable, or choose "
                               "another one.");
    }

    struct stat old
    {};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : newFileMode();
    ::fchmod(fd, mode); // mkstemp makes the file private; keep the usual permissions

    const bool written = writeAll(fd, content) && ::fsync(fd) == 0;
    const int writeErr = errno;
    const bool closed = ::close(fd) == 0;
    const int closeErr = errno;
    if (!written || !closed) {
        ::unlink(tempName.c_str());
        return fail(error, "Cannot write the session file \"" + fileName +
                               "\": " + systemReason(!written ? writeErr : closeErr) +
                               ". The previous file was left as it was.");
    }

    if (::rename(tempName.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tempName.c_str());
        return fail(error, "Cannot replace the session file \"" + fileName + "\": " +
                               systemReason(err) + ". The previous file was left as it was.");
    }

    // Make the rename itself survive a crash.
    int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
