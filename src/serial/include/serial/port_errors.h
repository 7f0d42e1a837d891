#pragma once

#include <QSerialPort>
#include <QString>

namespace vemtra::serial {

// Why a port did not open, told apart so the user knows what to do.
enum class PortOpenFault { Missing, Busy, Permission, Other };

// Judged from Qt's error code and a look at the device file: Qt reports a
// port held by another program (its lock or the exclusive flag) and a device
// the user may not open as the same permission error.
PortOpenFault classifyOpenFailure(const QString &device, QSerialPort::SerialPortError error);

// One line naming the device and the cause, e.g. "/dev/ttyUSB0 is in use by
// another program". `detail` is the system's own text, used for Other.
QString openFailureText(const QString &device, PortOpenFault fault, const QString &detail);

} // namespace vemtra::serial
