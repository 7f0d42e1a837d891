#include "serial/port_errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace vemtra::serial {

namespace {

bool userMayOpen(const QString &device)
{
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
#else
    Q_UNUSED(device);
    return true;
#endif
}

} // namespace

PortOpenFault classifyOpenFailure(const QString &device, QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return PortOpenFault::Missing;
    case QSerialPort::PermissionError:
        return userMayOpen(device) ? PortOpenFault::Busy : PortOpenFault::Permission;
    case QSerialPort::OpenError:
        return PortOpenFault::Busy;
    default:
        return QFileInfo::exists(device) ? PortOpenFault::Other : PortOpenFault::Missing;
    }
}

QString openFailureText(const QString &device, PortOpenFault fault, const QString &detail)
{
    switch (fault) {
    case PortOpenFault::Missing:
        return QStringLiteral("%1 does not exist").arg(device);
    case PortOpenFault::Busy:
        return QStringLiteral("%1 is in use by another program").arg(device);
    case PortOpenFault::Permission:
        return QStringLiteral("permission denied on %1; is the user in the dialout group?")
            .arg(device);
    case PortOpenFault::Other:
        break;
    }
    return QStringLiteral("cannot open %1: %2").arg(device, detail);
}

} // namespace vemtra::serial
