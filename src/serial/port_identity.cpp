#include "serial/port_identity.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace vemtra::serial {

namespace {

// A by-path link is named after the socket the adapter sits in, so any
// adapter plugged in there gets it; every other link is made for the device.
bool namedForTheDevice(const PortIdentity &port)
{
    return port.isLink && !port.path.startsWith(QLatin1String("/dev/serial/by-path/"));
}

bool hasUsbIdentity(const PortIdentity &port)
{
    // Without a serial number two adapters of one make look the same.
    return port.vendorId != 0 && port.productId != 0 && !port.serialNumber.isEmpty();
}

} // namespace

PortIdentity identifyPort(const QString &path)
{
    PortIdentity id;
    id.path = path;
    const QFileInfo info(path);
    id.isLink = info.isSymLink();
    if (info.exists())
        id.device = info.canonicalFilePath();
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts()) {
        // Windows names a port COMn, which is no file.
        const bool same = id.device.isEmpty()
                              ? port.portName() == path
                              : QFileInfo(port.systemLocation()).canonicalFilePath() == id.device;
        if (!same)
            continue;
        if (id.device.isEmpty())
            id.device = port.systemLocation();
        if (port.hasVendorIdentifier() && port.hasProductIdentifier()) {
            id.vendorId = port.vendorIdentifier();
            id.productId = port.productIdentifier();
            id.serialNumber = port.serialNumber();
        }
        break;
    }
    return id;
}

bool mayComeBackByItself(const PortIdentity &lost)
{
    return namedForTheDevice(lost) || hasUsbIdentity(lost);
}

bool mayReopenByItself(const PortIdentity &lost, const PortIdentity &found)
{
    if (found.device.isEmpty() || found.path != lost.path)
        return false;
    if (namedForTheDevice(lost) && namedForTheDevice(found))
        return true;
    return hasUsbIdentity(lost) && found.vendorId == lost.vendorId &&
           found.productId == lost.productId && found.serialNumber == lost.serialNumber;
}

} // namespace vemtra::serial
