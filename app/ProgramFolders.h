#pragma once

#include <string>

// Where the program finds the files it ships with and keeps the files it writes.
// Run from where it was built, it keeps everything next to itself. Installed (its data
// folder sits beside the program folder, as share/tandrel beside bin), it writes into the
// per-user data folder: a folder such as /usr/bin is no place for an operator's files even
// when it happens to be writable.
class ProgramFolders
{
public:
    // programDirectory ends with its separator; userDataDirectory may be empty when the
    // platform has none. dataFromProgram leads from the program folder to the installed data
    // folder.
    ProgramFolders(std::string programDirectory, std::string userDataDirectory,
                   std::string dataFromProgram = installedDataFromProgram());

    // The path chosen at build time, "../share/tandrel" for the usual layout.
    static std::string installedDataFromProgram();

    bool installed() const { return m_installed; }

    // For the SMS log and the Session folder, with its trailing separator.
    const std::string &writableDirectory() const { return m_writable; }

    // A file the program ships with: next to the program first, so a build tree finds its
    // own, then in the installed data folder. When neither has it, the name next to the
    // program, whose absence the caller handles.
    std::string shippedFile(const std::string &name) const;

private:
    std::string m_program;
    std::string m_data;
    std::string m_writable;
    bool m_installed = false;
};
