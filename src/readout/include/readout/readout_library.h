#pragma once

// The library of kept read-outs: every read-out that ends verified, in the
// window or in vemtra-cli, leaves a copy of its data file in logs/ of the
// user's data folder, with what the header and the run said about it beside
// it:
//
//     2026-12-07_101530_24C64.txt    the data file, byte for byte
//     2026-12-07_101530_24C64.json   {"time": "2026-12-07T10:15:30+09:00",
//                                     "header": "<16 read-back bytes in hex>",
//                                     "eeprom", "channels", "reference",
//                                     "interval_s", "records", "span_s",
//                                     "version", "port", "comment"}
//
// The names sort by the local time of the read-out; two in one second get
// "_2", "_3" after the chip. A read-out is listed once its JSON is complete:
// the data file is committed first, the JSON last, each in one step, so a
// failure part-way (a full disk) leaves nothing listed and nothing kept
// before it touched.

#include "readout/log_header_decode.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace vemtra::readout {

struct KeptReadout {
    QString id;     // the files' base name
    QString folder; // where both files are
    QDateTime time; // of the read-out, with the offset it was kept with
    HeaderReadBack header{};
    QString eeprom;    // "24C64"; empty when the header names no chip
    QString channels;  // the logged channels, "CH1,CH3"
    QString reference; // "Vdd" or "CH4"
    double intervalSeconds = 0;
    int records = 0;
    double spanSeconds = 0; // from the first record to the last
    QString version;        // of the program that kept it
    QString port;
    QString comment;

    QString dataPath() const;
    QString metaPath() const;
    // The read-out time as ISO 8601 with its offset, as kept.
    QString timeText() const;
    // The interval in seconds, exact as the header gives it ("0.00005").
    QString intervalText() const;
};

// What a verified read-out hands over to be kept.
struct KeepRequest {
    QByteArray data; // the data file's bytes
    HeaderReadBack header{};
    int records = 0;
    QDateTime time = QDateTime::currentDateTime();
    QString version;
    QString port;
};

struct KeepResult {
    bool ok = false;
    QString id;    // of the new read-out
    QString error; // one English line when not ok
};

// logs/ in the user's data folder (QStandardPaths::AppDataLocation), where
// readouts.txt also lives; not created here.
QString libraryFolder();

// Keeps a read-out in `folder`, made when missing.
KeepResult keepReadOut(const QString &folder, const KeepRequest &request);

// Every read-out kept in `folder`, newest first; files that are not a
// complete pair are left out.
QList<KeptReadout> listKeptReadouts(const QString &folder);

// The kept read-out `id`; nothing for an unknown id or one that names no
// plain file in `folder`.
std::optional<KeptReadout> findKeptReadout(const QString &folder, const QString &id);

// Reads the JSON of the data file at `dataPath`, when it is a kept read-out's.
std::optional<KeptReadout> keptReadoutOf(const QString &dataPath);

// Replaces the comment in the read-out's JSON, in one step.
bool saveComment(const KeptReadout &kept, const QString &comment, QString *error = nullptr);

// The chip a header names at offsets 10..11, "24C64"; empty for none.
QString eepromName(const HeaderReadBack &header);

} // namespace vemtra::readout
