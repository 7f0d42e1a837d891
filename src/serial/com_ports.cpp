#include "com_ports.h"

namespace vemtra::serial {

QString comPortDevice(int n)
{
    return comPortDevice(n, QProcessEnvironment::systemEnvironment());
}

QString comPortDevice(int n, const QProcessEnvironment &environment)
{
#ifdef Q_OS_WIN
    Q_UNUSED(environment);
    return QStringLiteral("COM%1").arg(n);
#else
    const QString named = environment.value(QStringLiteral("VEMTRA_COM%1").arg(n));
    if (!named.isEmpty())
        return named;
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

} // namespace vemtra::serial
