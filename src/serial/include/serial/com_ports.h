#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QString>

class QSettings;

namespace vemtra::serial {

// The device behind the port dialog's COMn (n = 1..6), first found of:
// VEMTRA_COM<n> from the environment (when not empty); the device the user
// assigned to COMn (settings "QEL-Vemtra", section "Ports", key "COMn");
// the n-th standard serial port, /dev/ttyS<n-1> (Windows: "COMn").
QString comPortDevice(int n);
QString comPortDevice(int n, const QProcessEnvironment &environment);
QString comPortDevice(int n, const QProcessEnvironment &environment, const QSettings &store);

// The standard device of COMn, used when nothing else names one.
QString defaultComPortDevice(int n);

// The user's assignments of devices to COM1..COM6, kept in the program's
// per-user settings under "Ports/COM1".."Ports/COM6". An empty device means
// the standard one.
class PortAssignments {
public:
    static constexpr int kPorts = 6;

    // Reads the program's own store, or `store` (tests pass their own).
    PortAssignments();
    explicit PortAssignments(const QSettings &store);

    QString device(int n) const;
    void setDevice(int n, const QString &device);
    // Writes all six; false when the store could not be written.
    bool save() const;
    bool save(QSettings &store) const;
    // The COM numbers a device is assigned to (by path or by the file it names).
    QList<int> comNumbersOf(const QString &device) const;

private:
    QString devices_[kPorts];
};

// A serial device present now, as the port assignment and `vemtra-cli ports`
// list it.
struct SerialDevice {
    QString path;       // /dev/serial/by-id/... when such a link names it
    QString systemPath; // the kernel's name, /dev/ttyUSB0
    QString description;
    QString manufacturer;
    QString serialNumber;
    QString usbIds; // "VID:PID" in hex, empty for a non-USB port
};

// The devices Qt Serial Port finds now, ordered by path.
QList<SerialDevice> availableSerialDevices();

} // namespace vemtra::serial
