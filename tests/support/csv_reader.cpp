#include "csv_reader.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

namespace vemtra::test {

QList<QStringList> readCsvAsTools(const QString &path)
{
    QList<QStringList> rows;
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (!python.isEmpty()) {
        QProcess p;
        p.start(python, {QStringLiteral("-c"),
                         QStringLiteral("import csv, json, sys\n"
                                        "with open(sys.argv[1], newline='') as f:\n"
                                        "    print(json.dumps(list(csv.reader(f))))"),
                         path});
        if (!p.waitForFinished(30000) || p.exitCode() != 0)
            return rows;
        const QJsonArray table = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
        for (const auto &row : table) {
            QStringList fields;
            for (const auto &field : row.toArray())
                fields << field.toString();
            rows << fields;
        }
        return rows;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return rows;
    while (!file.atEnd())
        rows << QString::fromUtf8(file.readLine()).trimmed().split(QLatin1Char(','));
    return rows;
}

} // namespace vemtra::test
