#pragma once

#include <string>
#include <vector>

// The options answered before any window exists, so that they work without a display.
// True when `args` (without the program name) asks for --help or --version; *out is then
// the text for standard output.
bool answerInfoOption(const std::vector<std::string> &args, std::string *out);

// An option the program does not know (an argument that begins with "-" and is not one of
// the above): true, with *out the complaint and the usage for standard error.
bool refuseUnknownOption(const std::vector<std::string> &args, std::string *out);
