#pragma once

#include <string>
#include <vector>

// The options answered before any window exists, so that they work without a display.
// True when `args` (without the program name) asks for --help or --version; *out is then
// the text for standard output.
bool answerInfoOption(const std::vector<std::string> &args, std::string *out);
