#include "PortList.h"

#include <gtest/gtest.h>

TEST(PortList, OffersStableNamesWithWhatIsKnown)
{
    const auto entries = portEntries({
        {"/dev/ttyUSB1", "SH-2 Satellite Handset", "Tandrel", "A1B2",
         "/dev/serial/by-id/usb-Tandrel_SH-2_A1B2-if00-port0"},
        {"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "", ""},
        {"/dev/ttyS0", "", "", "", ""},
        // The maker repeated in the product string is said once.
        {"/dev/ttyACM0", "Tandrel SH-2", "Tandrel", "", ""},
    });
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, "/dev/serial/by-id/usb-Tandrel_SH-2_A1B2-if00-port0");
    EXPECT_EQ(entries[0].details, "/dev/ttyUSB1, SH-2 Satellite Handset, Tandrel, serial A1B2");
    EXPECT_EQ(entries[1].name, "/dev/ttyUSB0");
    EXPECT_EQ(entries[1].details, "FT232R USB UART, FTDI");
    EXPECT_EQ(entries[2].name, "/dev/ttyS0");
    EXPECT_EQ(entries[2].details, "");
    EXPECT_EQ(entries[3].details, "Tandrel SH-2");
}
