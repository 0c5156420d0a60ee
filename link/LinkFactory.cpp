#include "LinkFactory.h"

#include "SerialPortLink.h"
#include "SimulatorLink.h"

std::unique_ptr<ByteLink> makeByteLink(const QString &portName)
{
    if (portName.compare(QLatin1String(SimulatorPortName), Qt::CaseInsensitive) == 0)
        return std::make_unique<SimulatorLink>();
    return std::make_unique<SerialPortLink>(portName);
}
