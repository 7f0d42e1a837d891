#pragma once

#include <QByteArray>
#include <QString>

namespace vemtra::testing {

// The whole file, or "<missing>" where it cannot be read, so a comparison with
// what a file should hold fails rather than matching an empty file.
QByteArray readFile(const QString &path);
// Makes the file hold exactly `bytes`.
bool writeFile(const QString &path, const QByteArray &bytes);

} // namespace vemtra::testing
