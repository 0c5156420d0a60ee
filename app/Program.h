#pragma once

#include <string>

class SessionRecord;

// The objects that exist before any window and live until the program ends.
struct ProgramObjects
{
    SessionRecord *session = nullptr;
    std::string programDirectory; // with its trailing separator
    std::string dataDirectory;    // the SMS and SBD logs and the Session folder; see ProgramFolders
    std::string smsLogPath;
    std::string sbdLogPath;
    std::string alertFile;
};

extern ProgramObjects *Program;

// Start-up in its fixed order: the program-wide objects, then every window once.
void createProgram(const std::string &programDirectory);
void createWindows(const std::string &commandLine);
// For tests, which start the program many times in one process.
void destroyProgram();
