#include "PortSettings.h"

#include <gtest/gtest.h>

TEST(PortSettings, AcceptsWhatThePortDialogWrites)
{
    PortSettings s;
    ASSERT_TRUE(PortSettings::parse("19200,n,8,1", &s, nullptr));
    EXPECT_EQ(s.baud, 19200);
    EXPECT_EQ(s.parity, 'n');
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.stopBits, "1");

    ASSERT_TRUE(PortSettings::parse("2400,E,7,1.5", &s, nullptr));
    EXPECT_EQ(s.parity, 'e');
    EXPECT_EQ(s.stopBits, "1.5");
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
    EXPECT_EQ(devicePathForPort("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(devicePathForPort("COM0"), "COM0");
    EXPECT_EQ(devicePathForPort("COMX"), "COMX");
    EXPECT_EQ(devicePathForPort("COM"), "COM");
}

TEST(PortSettings, FlowNamesGiveHandshaking)
{
    EXPECT_EQ(handshakingForFlow("NONE"), 0);
    EXPECT_EQ(handshakingForFlow("XONXOFF"), 1);
    EXPECT_EQ(handshakingForFlow("HW"), 2);
    EXPECT_EQ(handshakingForFlow("BOTH"), 3);
    EXPECT_EQ(handshakingForFlow("DEFAULT"), 4);
    EXPECT_EQ(handshakingForFlow("hw"), -1);
}
