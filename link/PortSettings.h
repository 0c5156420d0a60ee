#pragma once

#include <string>

// Port settings text "19200,n,8,1" and the port names the operator may type.
struct PortSettings
{
    int baud = 19200;
    char parity = 'n';          // n, o, e, m, s
    int dataBits = 8;           // 5..8
    std::string stopBits = "1"; // "1", "1.5", "2"

    // False, with the reason in *error, for a text a serial port cannot be set to.
    static bool parse(const std::string &text, PortSettings *out, std::string *error);
};

// "COM3" -> the third serial device of the platform ("/dev/ttyS2" here); anything else is
// taken as a device path as it stands.
std::string devicePathForPort(const std::string &portName);

// Handshaking value of the control from the flow-control name; -1 leaves it unchanged.
int handshakingForFlow(const std::string &flowValue);
