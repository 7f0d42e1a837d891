#pragma once

#include <QString>

namespace vemtra::serial {

// What a port name led to, looked at while the device was there, so that a
// device appearing later under the same name can be told from another one.
struct PortIdentity {
    QString path;        // the name the user gave
    QString device;      // the device file it leads to, links followed; empty when missing
    bool isLink = false; // the name is a symbolic link
    // Of a USB serial device, from Qt Serial Port; 0 and empty when not known.
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString serialNumber;
};

// The name now: whether it is a link, the device it leads to and, where Qt
// Serial Port lists that device, its USB identity.
PortIdentity identifyPort(const QString &path);

// Whether a port lost as `lost` could ever be opened again without the user
// asking: only when its name is one that the device's own side makes again (a
// symbolic link such as /dev/serial/by-id/...), or the device carries a USB
// identity with a serial number. A bare /dev/pts/N or /dev/ttyUSBn without one
// may come back as somebody else's device.
bool mayComeBackByItself(const PortIdentity &lost);

// Whether `found`, what the lost port's name leads to now, may be opened
// without the user asking: the link is there again, or the USB identity is
// the lost one's.
bool mayReopenByItself(const PortIdentity &lost, const PortIdentity &found);

} // namespace vemtra::serial
