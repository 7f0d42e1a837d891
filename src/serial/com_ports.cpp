#include "serial/com_ports.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>
#include <QSettings>

#include <algorithm>
#include <memory>

namespace vemtra::serial {

namespace {

const char *const applicationName = "QEL-Vemtra";

QString keyOf(int n)
{
    return QStringLiteral("Ports/COM%1").arg(n);
}

std::unique_ptr<QSettings> programStore()
{
    return std::make_unique<QSettings>(QSettings::UserScope, QString::fromUtf8(applicationName),
                                       QString::fromUtf8(applicationName));
}

QString canonical(const QString &path)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? path : real;
}

} // namespace

QString defaultComPortDevice(int n)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

QString comPortDevice(int n)
{
    return comPortDevice(n, QProcessEnvironment::systemEnvironment());
}

QString comPortDevice(int n, const QProcessEnvironment &environment)
{
    return comPortDevice(n, environment, *programStore());
}

QString comPortDevice(int n, const QProcessEnvironment &environment, const QSettings &store)
{
    const QString named = environment.value(QStringLiteral("VEMTRA_COM%1").arg(n));
    if (!named.isEmpty())
        return named;
    const QString assigned = PortAssignments(store).device(n);
    return assigned.isEmpty() ? defaultComPortDevice(n) : assigned;
}

PortAssignments::PortAssignments() : PortAssignments(*programStore())
{
}

PortAssignments::PortAssignments(const QSettings &store)
{
    for (int n = 1; n <= kPorts; ++n)
        devices_[n - 1] = store.value(keyOf(n)).toString().trimmed();
}

QString PortAssignments::device(int n) const
{
    return n >= 1 && n <= kPorts ? devices_[n - 1] : QString();
}

void PortAssignments::setDevice(int n, const QString &device)
{
    if (n >= 1 && n <= kPorts)
        devices_[n - 1] = device.trimmed();
}

bool PortAssignments::save() const
{
    return save(*programStore());
}

bool PortAssignments::save(QSettings &store) const
{
    for (int n = 1; n <= kPorts; ++n) {
        // "Standard" leaves no key behind, so the file says only what was chosen.
        if (devices_[n - 1].isEmpty())
            store.remove(keyOf(n));
        else
            store.setValue(keyOf(n), devices_[n - 1]);
    }
    store.sync();
    return store.status() == QSettings::NoError;
}

QList<int> PortAssignments::comNumbersOf(const QString &device) const
{
    QList<int> numbers;
    const QString target = canonical(device);
    for (int n = 1; n <= kPorts; ++n)
        if (!devices_[n - 1].isEmpty() &&
            (devices_[n - 1] == device || canonical(devices_[n - 1]) == target))
            numbers << n;
    return numbers;
}

QList<SerialDevice> availableSerialDevices()
{
    // USB adapters get a new ttyUSBn on every plug; their by-id link stays.
    QHash<QString, QString> byId;
    const QDir links(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo &link :
         links.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        byId.insert(link.canonicalFilePath(), link.absoluteFilePath());

    QList<SerialDevice> devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SerialDevice d;
        d.systemPath = info.systemLocation();
        d.path = byId.value(canonical(d.systemPath), d.systemPath);
        d.description = info.description();
        d.manufacturer = info.manufacturer();
        d.serialNumber = info.serialNumber();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            d.usbIds = QStringLiteral("%1:%2")
                           .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                           .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
        devices << d;
    }
    std::sort(devices.begin(), devices.end(),
              [](const SerialDevice &a, const SerialDevice &b) { return a.path < b.path; });
    return devices;
}

} // namespace vemtra::serial
