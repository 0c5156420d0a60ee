#pragma once

#include <cstdio>
#include <string>

// The stream both ends of the terminal comparison agree on: numbered 65-byte lines that
// look like a handset's answers, cut at exactly `bytes`.
inline std::string numberedStream(size_t bytes)
{
    static const char *const answers[] = {
        "+SBDIX: 0, 1042, 1, 2, 70, 0",
        "+CSQ:5",
        "+CMGL: 3,1,,24 07911326040000F0040B911346610089F6",
        "+CLCC: 1,0,0,0,0,\"0088160000500\",129",
        "OK",
        "+CREG: 0,1",
    };
    constexpr size_t LineBytes = 65;
    std::string out;
    out.reserve(bytes + LineBytes);
    char line[LineBytes + 1];
    for (unsigned n = 0; out.size() < bytes; ++n) {
        std::snprintf(line, sizeof line, "%08u %-54.54s", n, answers[n % std::size(answers)]);
        out.append(line, LineBytes - 2);
        out += "\r\n";
    }
    out.resize(bytes);
    return out;
}
