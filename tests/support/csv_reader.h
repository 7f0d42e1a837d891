#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace vemtra::test {

// The rows of a CSV file as a tool reads it with no options: Python's csv
// module when python3 is at hand, else a plain split (the program's CSV files
// quote nothing). Empty on a file that cannot be read.
QList<QStringList> readCsvAsTools(const QString &path);

} // namespace vemtra::test
