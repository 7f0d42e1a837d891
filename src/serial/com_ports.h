#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace vemtra::serial {

// The device behind the port dialog's COMn (n = 1..6). On Windows it is "COMn";
// elsewhere the environment variable VEMTRA_COM<n> names it when set and not
// empty (a USB adapter, or the pty the board simulator prints), otherwise it is
// the n-th standard serial port, /dev/ttyS<n-1>.
QString comPortDevice(int n);
QString comPortDevice(int n, const QProcessEnvironment &environment);

} // namespace vemtra::serial
