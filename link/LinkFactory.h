#pragma once

#include "ByteLink.h"

#include <QString>
#include <memory>

// The port name of the built-in simulated handset.
inline constexpr const char *SimulatorPortName = "SIMULATOR";

// The link for a port name as the operator types it: SIMULATOR, COMn, a device path or a
// by-id name. The window and the command-line program choose alike.
std::unique_ptr<ByteLink> makeByteLink(const QString &portName);
