#pragma once

// Straight-line board exchanges for tests and benchmarks of the line itself,
// built from the common exchange steps. The program's own commands live with
// their features (connection, voltmeter, log programming, read-out).

#include "serial/line.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace vemtra::testing {

// "t": true when the board echoes it at the line's speed.
bool scriptedProbe(serial::Line &line);

// "r" of `count` bytes from EEPROM `address`, lock-step: the first comes with
// "R", each is echoed before the next. Empty with the step that failed in *why.
std::optional<QByteArray> scriptedRead(serial::Line &line, int address, int count,
                                       QString *why = nullptr);

} // namespace vemtra::testing
