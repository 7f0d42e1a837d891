#pragma once

// Straight-line board exchanges for tests and benchmarks of the line itself,
// built from the common exchange steps. The program's own commands live with
// their features (connection, voltmeter, log programming, read-out).

#include "serial/line.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace vemtra::testing {

// "t": true when the board echoes it at the line's speed.
bool scriptedProbe(serial::Line &line);

// "w" of `bytes` to EEPROM `address`, lock-step (each byte echoed). False with
// the step that failed in *why.
bool scriptedWrite(serial::Line &line, int address, const QByteArray &bytes,
                   QString *why = nullptr);

// "r" of `count` bytes from EEPROM `address`, lock-step: the first comes with
// "R", each is echoed before the next.
std::optional<QByteArray> scriptedRead(serial::Line &line, int address, int count,
                                       QString *why = nullptr);

} // namespace vemtra::testing
