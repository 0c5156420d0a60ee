#pragma once

#include <string>
#include <vector>

// What the system knows of one serial device.
struct PortFacts
{
    std::string systemLocation; // "/dev/ttyUSB0"
    std::string description;    // the USB product string
    std::string manufacturer;
    std::string serialNumber;
    std::string byIdPath; // "/dev/serial/by-id/usb-...", empty when udev made none
};

// One line of the port list: the name that goes into the session, and what it is.
struct PortEntry
{
    std::string name;
    std::string details;
};

// A device with a stable by-id name is offered under that name, so that a session keeps
// finding the handset whichever USB socket it is plugged into.
std::vector<PortEntry> portEntries(const std::vector<PortFacts> &ports);
