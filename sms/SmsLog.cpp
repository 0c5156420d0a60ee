#include "SmsLog.h"

#include "Utf8.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

SmsLog::SmsLog(const std::string &preferredPath, const std::string &fallbackDir, std::string name)
    : m_path(preferredPath), m_name(std::move(name))
{
    fs::path folder = fs::path(preferredPath).parent_path();
    if (folder.empty())
        folder = ".";
    if (access(folder.c_str(), W_OK) == 0 || fallbackDir.empty())
        return;
    std::error_code ec;
    fs::create_directories(fallbackDir, ec);
    m_path = (fs::path(fallbackDir) / fs::path(preferredPath).filename()).string();
}

bool SmsLog::append(const std::string &text, std::string *error)
{
    auto fail = [&](const std::string &why) {
        if (error)
            *error = "Cannot add to the " + m_name + " " + m_path + ": " + why;
        return false;
    };
    std::error_code ec;
    const bool existed = fs::exists(m_path, ec);
    const std::uintmax_t before = existed ? fs::file_size(m_path, ec) : 0;
    FILE *f = std::fopen(m_path.c_str(), "ab");
    if (!f)
        return fail(std::strerror(errno));
    const size_t written = std::fwrite(text.data(), 1, text.size(), f);
    bool ok = written == text.size() && std::fflush(f) == 0 && fsync(fileno(f)) == 0;
    const int why = errno;
    ok = std::fclose(f) == 0 && ok;
    if (ok)
        return true;
    // Take back a partial entry so that what was there stays as it was.
    if (existed)
        fs::resize_file(m_path, before, ec);
    else
        fs::remove(m_path, ec);
    return fail(std::strerror(why ? why : EIO));
}

std::string SmsLog::readAll() const
{
    std::ifstream in(m_path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream s;
    s << in.rdbuf();
    // Entries of older versions are Windows-1252, new ones UTF-8.
    return tandrel::textFromFile(s.str());
}

bool SmsLog::clear(std::string *error)
{
    auto fail = [&](const std::string &why) {
        if (error)
            *error = "Cannot clear the " + m_name + " " + m_path + ": " + why;
        return false;
    };
    std::error_code ec;
    // An empty log has nothing to keep, and must not replace the backup of a full one.
    if (fs::exists(m_path, ec) && fs::file_size(m_path, ec) > 0 && !ec) {
        fs::rename(m_path, m_path + ".bak", ec);
        if (ec)
            return fail("its backup " + m_path + ".bak cannot be written (" + ec.message() + ").");
    }
    FILE *f = std::fopen(m_path.c_str(), "wb");
    if (!f)
        return fail(std::strerror(errno));
    std::fclose(f);
    return true;
}
