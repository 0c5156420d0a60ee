#include "ProgramFolders.h"

#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <utility>

#ifndef TANDREL_DATA_FROM_BIN
#define TANDREL_DATA_FROM_BIN "../share/tandrel"
#endif

namespace fs = std::filesystem;

namespace {

std::string withSeparator(std::string folder)
{
    if (!folder.empty() && folder.back() != '/' && folder.back() != fs::path::preferred_separator)
        folder += static_cast<char>(fs::path::preferred_separator);
    return folder;
}

} // namespace

ProgramFolders::ProgramFolders(std::string programDirectory, std::string userDataDirectory,
                               std::string dataFromProgram)
    : m_program(withSeparator(std::move(programDirectory)))
{
    std::error_code ec;
    if (!dataFromProgram.empty()) {
        const fs::path data = fs::path(m_program.empty() ? "." : m_program) / dataFromProgram;
        m_installed = fs::is_directory(data, ec);
        // Resolved, not just tidied: "/bin/.." is "/usr" where /bin links to /usr/bin.
        if (m_installed)
            m_data = withSeparator(fs::canonical(data, ec).string());
        m_installed = m_installed && !ec;
    }

    const std::string userData = withSeparator(std::move(userDataDirectory));
    const char *here = m_program.empty() ? "." : m_program.c_str();
    const bool programWritable = access(here, W_OK) == 0;
    m_writable = !userData.empty() && (m_installed || !programWritable) ? userData : m_program;
}

std::string ProgramFolders::installedDataFromProgram()
{
    return TANDREL_DATA_FROM_BIN;
}

std::string ProgramFolders::shippedFile(const std::string &name) const
{
    std::error_code ec;
    const std::string beside = m_program + name;
    if (m_data.empty() || fs::exists(beside, ec))
        return beside;
    const std::string installedCopy = m_data + name;
    return fs::exists(installedCopy, ec) ? installedCopy : beside;
}
