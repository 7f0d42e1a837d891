#include "readout/readout_library.h"

#include "readout/csv_export.h"
#include "readout/readout_exchange.h"
#include "serial/protocol.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

namespace vemtra::readout {

namespace {

const QString kData = QStringLiteral(".txt");
const QString kMeta = QStringLiteral(".json");

QString channelNames(const HeaderReadBack &header)
{
    const protocol::LogHeader decoded = protocol::LogHeader::decode(header);
    QStringList names;
    for (int chx = 0; chx < 4; ++chx)
        if (decoded.configuration & protocol::channelBit(chx))
            names << QStringLiteral("CH%1").arg(chx + 1);
    return names.join(QLatin1Char(','));
}

// The time with its offset spelled out, also for local time, so a reader in
// another zone knows when it was.
QString isoWithOffset(const QDateTime &time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

bool writeWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    // Unbuffered: a write the disk refuses fails here. Buffered, it would fail
    // only in commit's flush, which does not stop the file from being committed.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
        file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = QStringLiteral("cannot write %1: %2")
                     .arg(QDir::toNativeSeparators(path), writeFailureReason(file, path));
    return false;
}

QJsonObject metaOf(const KeptReadout &kept)
{
    QJsonObject meta;
    meta[QLatin1String("time")] = kept.timeText();
    meta[QLatin1String("header")] =
        QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(kept.header.data()),
                                       qsizetype(kept.header.size()))
                                .toHex());
    meta[QLatin1String("eeprom")] = kept.eeprom;
    meta[QLatin1String("channels")] = kept.channels;
    meta[QLatin1String("reference")] = kept.reference;
    meta[QLatin1String("interval_s")] = kept.intervalSeconds;
    meta[QLatin1String("records")] = kept.records;
    meta[QLatin1String("span_s")] = kept.spanSeconds;
    meta[QLatin1String("version")] = kept.version;
    meta[QLatin1String("port")] = kept.port;
    meta[QLatin1String("comment")] = kept.comment;
    return meta;
}

std::optional<KeptReadout> readMeta(const QString &folder, const QString &id)
{
    QFile file(QDir(folder).filePath(id + kMeta));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject meta = QJsonDocument::fromJson(file.readAll()).object();
    const QByteArray header =
        QByteArray::fromHex(meta.value(QLatin1String("header")).toString().toLatin1());
    const QDateTime time =
        QDateTime::fromString(meta.value(QLatin1String("time")).toString(), Qt::ISODate);
    // A name being reserved, or a file that is not ours.
    if (header.size() != protocol::kHeaderSize || !time.isValid())
        return std::nullopt;
    KeptReadout kept;
    kept.id = id;
    kept.folder = folder;
    kept.time = time;
    std::copy(header.begin(), header.end(), kept.header.begin());
    const auto text = [&](const char *key) { return meta.value(QLatin1String(key)).toString(); };
    kept.eeprom = text("eeprom");
    kept.channels = text("channels");
    kept.reference = text("reference");
    kept.intervalSeconds = meta.value(QLatin1String("interval_s")).toDouble();
    kept.records = meta.value(QLatin1String("records")).toInt();
    kept.spanSeconds = meta.value(QLatin1String("span_s")).toDouble();
    kept.version = text("version");
    kept.port = text("port");
    kept.comment = text("comment");
    return kept;
}

// A name the user gives on a command line must stay inside the folder.
bool plainName(const QString &id)
{
    return !id.isEmpty() && !id.startsWith(QLatin1Char('.')) && !id.contains(QLatin1Char('/')) &&
           !id.contains(QLatin1Char('\\'));
}

} // namespace

QString KeptReadout::dataPath() const
{
    return QDir(folder).filePath(id + kData);
}

QString KeptReadout::metaPath() const
{
    return QDir(folder).filePath(id + kMeta);
}

QString KeptReadout::timeText() const
{
    return isoWithOffset(time);
}

QString KeptReadout::intervalText() const
{
    if (const auto count = logIntervalCount(header))
        return recordTimeText(1, *count);
    return QString::number(intervalSeconds);
}

QString eepromName(const HeaderReadBack &header)
{
    const protocol::LogHeader decoded = protocol::LogHeader::decode(header);
    for (const protocol::ChipSize &chip : protocol::kChips)
        if (chip.lastAddress == decoded.lastAddress)
            return QStringLiteral("24C%1").arg(chip.capacity / 128);
    return {};
}

QString libraryFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("logs"));
}

KeepResult keepReadOut(const QString &folder, const KeepRequest &request)
{
    KeepResult result;
    if (!QDir().mkpath(folder)) {
        result.error =
            QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(folder));
        return result;
    }

    KeptReadout kept;
    kept.folder = folder;
    kept.time = request.time;
    kept.header = request.header;
    kept.eeprom = eepromName(request.header);
    kept.channels = channelNames(request.header);
    kept.reference = protocol::LogHeader::decode(request.header).referenceCh4()
                         ? QStringLiteral("CH4")
                         : QStringLiteral("Vdd");
    const auto interval = logIntervalCount(request.header);
    kept.intervalSeconds = interval ? double(*interval) / protocol::kStepsPerSecond : 0;
    kept.records = request.records;
    kept.spanSeconds = kept.intervalSeconds * std::max(0, request.records - 1);
    kept.version = request.version;
    kept.port = request.port;

    // The JSON name is claimed first, empty, so two programs keeping in the
    // same second cannot take one name; an empty JSON is never listed.
    QString base = request.time.toString(QStringLiteral("yyyy-MM-dd_HHmmss"));
    if (!kept.eeprom.isEmpty())
        base += QLatin1Char('_') + kept.eeprom;
    for (int n = 1;; ++n) {
        kept.id = n == 1 ? base : QStringLiteral("%1_%2").arg(base).arg(n);
        if (QFileInfo::exists(kept.dataPath()))
            continue;
        QFile claim(kept.metaPath());
        if (claim.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;
        if (!QFileInfo::exists(kept.metaPath()) || n > 1000) {
            result.error = QStringLiteral("cannot write %1: %2")
                               .arg(QDir::toNativeSeparators(kept.metaPath()), claim.errorString());
            return result;
        }
    }

    const QByteArray meta = QJsonDocument(metaOf(kept)).toJson();
    if (!writeWhole(kept.dataPath(), request.data, &result.error) ||
        !writeWhole(kept.metaPath(), meta, &result.error)) {
        QFile::remove(kept.dataPath());
        QFile::remove(kept.metaPath());
        return result;
    }
    result.ok = true;
    result.id = kept.id;
    return result;
}

QList<KeptReadout> listKeptReadouts(const QString &folder)
{
    QList<KeptReadout> list;
    const QDir dir(folder);
    const QStringList metas = dir.entryList({QStringLiteral("*.json")}, QDir::Files);
    const QStringList dataList = dir.entryList({QStringLiteral("*.txt")}, QDir::Files);
    const QSet<QString> datas(dataList.begin(), dataList.end());
    for (const QString &meta : metas) {
        const QString id = meta.chopped(kMeta.size());
        if (!datas.contains(id + kData))
            continue;
        if (auto kept = readMeta(folder, id))
            list << *kept;
    }
    std::sort(list.begin(), list.end(), [](const KeptReadout &a, const KeptReadout &b) {
        return a.time != b.time ? a.time > b.time : a.id > b.id;
    });
    return list;
}

std::optional<KeptReadout> findKeptReadout(const QString &folder, const QString &id)
{
    if (!plainName(id))
        return std::nullopt;
    auto kept = readMeta(folder, id);
    if (!kept || !QFileInfo(kept->dataPath()).isFile())
        return std::nullopt;
    return kept;
}

std::optional<KeptReadout> keptReadoutOf(const QString &dataPath)
{
    const QFileInfo info(dataPath);
    if (info.suffix() != kData.mid(1))
        return std::nullopt;
    return findKeptReadout(info.absolutePath(), info.completeBaseName());
}

bool saveComment(const KeptReadout &kept, const QString &comment, QString *error)
{
    // Everything else in the file is kept as it is, also what a later
    // version may have added.
    QFile file(kept.metaPath());
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2")
                         .arg(QDir::toNativeSeparators(kept.metaPath()), file.errorString());
        return false;
    }
    QJsonObject meta = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    meta[QLatin1String("comment")] = comment;
    return writeWhole(kept.metaPath(), QJsonDocument(meta).toJson(), error);
}

} // namespace vemtra::readout
