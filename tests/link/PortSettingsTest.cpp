#include "PortSettings.h"

#include <gtest/gtest.h>

TEST(PortSettings, AcceptsWhatThePortDialogWrites)
{
    PortSettings s;
    const auto fields = [&s] { return std::tuple(s.baud, s.parity, s.dataBits, s.stopBits); };
    ASSERT_TRUE(PortSettings::parse("19200,n,8,1", &s, nullptr));
    EXPECT_EQ(fields(), std::tuple(19200, 'n', 8, "1"));
    ASSERT_TRUE(PortSettings::parse("2400,E,7,1.5", &s, nullptr));
    EXPECT_EQ(fields(), std::tuple(2400, 'e', 7, "1.5"));
}

TEST(PortSettings, RejectsTextsAPortCannotTake)
{
    for (const char *bad : {"", "19200", "19200,n,8", "fast,n,8,1", "19200,x,8,1", "19200,n,9,1",
                            "19200,n,8,3", "19200,n,8,1,1", "19200,,8,1"}) {
        std::string why;
        EXPECT_FALSE(PortSettings::parse(bad, nullptr, &why)) << bad;
        EXPECT_NE(why.find(bad), std::string::npos) << "the message names the text: " << why;
    }
}

TEST(PortSettings, PortNamesMapToDevices)
{
#ifndef _WIN32
    EXPECT_EQ(devicePathForPort("COM1"), "/dev/ttyS0");
    EXPECT_EQ(devicePathForPort("COM12"), "/dev/ttyS11");
#endif
    for (const char *kept : {"/dev/ttyUSB0", "COM0", "COMX", "COM"})
        EXPECT_EQ(devicePathForPort(kept), kept);
}

TEST(PortSettings, FlowNamesGiveHandshaking)
{
    std::vector<int> handshaking;
    for (const char *flow : {"NONE", "XONXOFF", "HW", "BOTH", "DEFAULT", "hw"})
        handshaking.push_back(handshakingForFlow(flow));
    EXPECT_EQ(handshaking, (std::vector{0, 1, 2, 3, 4, -1}));
}
