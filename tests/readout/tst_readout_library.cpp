// The library of kept read-outs: what a kept read-out says about itself, names
// that stay apart, a full disk that loses nothing, the listing's choice of
// files, and the window's table: sorting, filtering, the comment saved,
// deleting after the question.

#include "file_size_limit.h"
#include "readout/readout_library.h"
#include "readout/ui/kept_readout_model.h"
#include "readout/ui/readout_library_window.h"
#include "scripted_prompts.h"
#include "serial/protocol.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace vemtra;
using namespace vemtra::readout;
using vemtra::testing::readFile;
using vemtra::testing::writeFile;

namespace {

// The read-back of a header as the board keeps it after logging up to `end`.
HeaderReadBack readBackOf(std::uint8_t configuration, std::uint32_t interval, int lastAddress,
                          int end = 100)
{
    protocol::LogHeader header;
    header.configuration = configuration;
    header.intervalCount = interval;
    header.lastAddress = lastAddress;
    header.loggedEnd = end;
    const protocol::HeaderBytes bytes = header.encode();
    HeaderReadBack readBack{};
    for (int k = 0; k + 1 < protocol::kHeaderSize; ++k)
        readBack[std::size_t(k)] = bytes[std::size_t(k + 1)];
    readBack[15] = 0xA5; // the first data byte comes with the header
    return readBack;
}

QDateTime at(int hour, int minute, int second, int offsetHours = 9)
{
    return QDateTime(QDate(2026, 12, 7), QTime(hour, minute, second),
                     QTimeZone(offsetHours * 3600));
}

KeepRequest request(const QDateTime &time, int records = 3, int lastAddress = 0x1FFF)
{
    KeepRequest r;
    r.data = "ch1\t\r\n" + QByteArray("1\t:0\r\n").repeated(records);
    r.header = readBackOf(0x8C, 20000, lastAddress);
    r.records = records;
    r.time = time;
    r.version = QStringLiteral("9.8.7");
    r.port = QStringLiteral("/dev/ttyUSB0");
    return r;
}

QJsonObject jsonOf(const QString &path)
{
    return QJsonDocument::fromJson(readFile(path)).object();
}

// The rows as the window shows them, one column's texts.
QStringList column(const QAbstractItemModel &model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
}

} // namespace

class TestReadoutLibrary : public QObject {
    Q_OBJECT

private slots:
    void init();
    void keepsWhatTheHeaderSays_data();
    void keepsWhatTheHeaderSays();
    void fullDiskLosesNothingKept();
    void findsOnlyCompleteReadouts_data();
    void findsOnlyCompleteReadouts();
    void tableSortsAndFilters_data();
    void tableSortsAndFilters();
    void commentIsSavedToItsFile();
    void deleteAsksFirst_data();
    void deleteAsksFirst();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString folder_;
};

void TestReadoutLibrary::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    folder_ = dir_->filePath(QStringLiteral("logs"));
    // The desktop's trash lives there; a missing one sends deleted files elsewhere.
    QDir().mkpath(qEnvironmentVariable("XDG_DATA_HOME"));
}

void TestReadoutLibrary::keepsWhatTheHeaderSays_data()
{
    QTest::addColumn<int>("configuration");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("lastAddress");
    QTest::addColumn<int>("records");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("eeprom");
    QTest::addColumn<QString>("channels");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("intervalText");
    QTest::addColumn<double>("span");

    QTest::newRow("24C64, four channels against Vdd, 1 s")
        << 0xFC << 20000 << 0x1FFF << 5 << "2026-12-07_101530_24C64"
        << "24C64"
        << "CH1,CH2,CH3,CH4"
        << "Vdd"
        << "1" << 4.0;
    QTest::newRow("24C256, CH1 and CH3 against CH4, 50 us")
        << 0xAD << 1 << 0x7FFF << 3 << "2026-12-07_101530_24C256"
        << "24C256"
        << "CH1,CH3"
        << "CH4"
        << "0.00005" << 0.0001;
    QTest::newRow("24C128, one record of CH2")
        << 0x4C << 10000 << 0x3FFF << 1 << "2026-12-07_101530_24C128"
        << "24C128"
        << "CH2"
        << "Vdd"
        << "0.5" << 0.0;
    QTest::newRow("a chip no board has") << 0x8C << 20000 << 0x1234 << 2 << "2026-12-07_101530"
                                         << ""
                                         << "CH1"
                                         << "Vdd"
                                         << "1" << 1.0;
}

void TestReadoutLibrary::keepsWhatTheHeaderSays()
{
    QFETCH(int, configuration);
    QFETCH(int, interval);
    QFETCH(int, lastAddress);
    QFETCH(int, records);
    QFETCH(QString, id);
    QFETCH(QString, eeprom);
    QFETCH(QString, channels);
    QFETCH(QString, reference);
    QFETCH(QString, intervalText);
    QFETCH(double, span);

    KeepRequest r = request(at(10, 15, 30), records);
    r.header = readBackOf(std::uint8_t(configuration), std::uint32_t(interval), lastAddress);
    const KeepResult kept = keepReadOut(folder_, r);
    QVERIFY2(kept.ok, qPrintable(kept.error));
    QCOMPARE(kept.id, id);

    QCOMPARE(readFile(QDir(folder_).filePath(id + ".txt")), r.data);
    const QJsonObject json = jsonOf(QDir(folder_).filePath(id + ".json"));
    QCOMPARE(json["time"].toString(), QString("2026-12-07T10:15:30+09:00"));
    QCOMPARE(QByteArray::fromHex(json["header"].toString().toLatin1()),
             QByteArray(reinterpret_cast<const char *>(r.header.data()), 16));
    QCOMPARE(json["eeprom"].toString(), eeprom);
    QCOMPARE(json["channels"].toString(), channels);
    QCOMPARE(json["reference"].toString(), reference);
    QCOMPARE(json["interval_s"].toDouble(), intervalText.toDouble());
    QCOMPARE(json["records"].toInt(), records);
    QCOMPARE(json["span_s"].toDouble(), span);
    QCOMPARE(json["version"].toString(), QString("9.8.7"));
    QCOMPARE(json["port"].toString(), QString("/dev/ttyUSB0"));
    QVERIFY(json.contains("comment") && json["comment"].toString().isEmpty());

    const auto listed = findKeptReadout(folder_, id);
    QVERIFY(listed);
    QCOMPARE(listed->intervalText(), intervalText);
    QCOMPARE(listed->time, r.time);
    QCOMPARE(listed->header, r.header);
}

void TestReadoutLibrary::fullDiskLosesNothingKept()
{
    const KeepResult first = keepReadOut(folder_, request(at(9, 0, 0)));
    QVERIFY(first.ok);
    const QByteArray firstData = readFile(QDir(folder_).filePath(first.id + ".txt"));

    // Files may hold fewer bytes than the new data file: its write fails as on
    // a full disk.
    KeepResult second;
    {
        testing::FileSizeLimit limit(40);
        second = keepReadOut(folder_, request(at(9, 0, 1), 50));
    }
    QVERIFY2(!second.ok, qPrintable(second.id));
    QVERIFY2(second.error.contains("file too large"), qPrintable(second.error));

    const QList<KeptReadout> listed = listKeptReadouts(folder_);
    QCOMPARE(listed.size(), 1);
    QCOMPARE(listed.first().id, first.id);
    QCOMPARE(readFile(listed.first().dataPath()), firstData);
    // No half-written file and no claimed name is left.
    QCOMPARE(QDir(folder_).entryList(QDir::Files | QDir::Hidden),
             (QStringList{first.id + ".json", first.id + ".txt"}));
}

void TestReadoutLibrary::findsOnlyCompleteReadouts_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("found");

    QTest::newRow("complete") << "complete" << true;
    QTest::newRow("data file without its JSON") << "nojson" << false;
    QTest::newRow("JSON without its data file") << "nodata" << false;
    QTest::newRow("a name claimed, nothing written yet") << "claimed" << false;
    QTest::newRow("not a read-out's JSON") << "foreign" << false;
    QTest::newRow("outside the folder") << "../outside/complete" << false;
    QTest::newRow("unknown") << "2026-01-01_000000_24C64" << false;
}

void TestReadoutLibrary::findsOnlyCompleteReadouts()
{
    QFETCH(QString, id);
    QFETCH(bool, found);

    const KeepResult kept = keepReadOut(folder_, request(at(8, 0, 0)));
    QVERIFY(kept.ok);
    QDir dir(folder_);
    const QString json = dir.filePath(kept.id + ".json");
    const QString data = dir.filePath(kept.id + ".txt");
    QVERIFY(QFile::copy(json, dir.filePath("complete.json")));
    QVERIFY(QFile::copy(data, dir.filePath("complete.txt")));
    QVERIFY(QFile::copy(data, dir.filePath("nojson.txt")));
    QVERIFY(QFile::copy(json, dir.filePath("nodata.json")));
    QVERIFY(QFile::copy(data, dir.filePath("claimed.txt")));
    QVERIFY(QFile(dir.filePath("claimed.json")).open(QIODevice::WriteOnly));
    QVERIFY(QFile::copy(data, dir.filePath("foreign.txt")));
    QVERIFY(writeFile(dir.filePath("foreign.json"), R"({"time": "yesterday"})"));
    QVERIFY(QDir().mkpath(dir_->filePath("outside")));
    QVERIFY(QFile::copy(json, dir_->filePath("outside/complete.json")));
    QVERIFY(QFile::copy(data, dir_->filePath("outside/complete.txt")));

    QCOMPARE(bool(findKeptReadout(folder_, id)), found);
    QStringList listed;
    for (const KeptReadout &k : listKeptReadouts(folder_))
        listed << k.id;
    QCOMPARE(listed.contains(id), found);
    QCOMPARE(listed.size(), 2);
}

void TestReadoutLibrary::tableSortsAndFilters_data()
{
    QTest::addColumn<int>("sortColumn");
    QTest::addColumn<int>("order");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("records");

    const int asc = Qt::AscendingOrder;
    const int desc = Qt::DescendingOrder;
    using M = KeptReadoutModel;
    QTest::newRow("newest first") << int(M::Time) << desc << "" << QStringList{"2", "100", "9"};
    QTest::newRow("oldest first") << int(M::Time) << asc << "" << QStringList{"9", "100", "2"};
    // As numbers: 9 before 100, which as text it would not be.
    QTest::newRow("fewest records first")
        << int(M::Records) << asc << "" << QStringList{"2", "9", "100"};
    QTest::newRow("longest span first")
        << int(M::Span) << desc << "" << QStringList{"100", "9", "2"};
    // By size: 24C64 before 24C128, which as text it would not be.
    QTest::newRow("by chip") << int(M::Eeprom) << asc << "ga" << QStringList{"9", "100"};
    QTest::newRow("filtered by chip") << int(M::Time) << desc << "24c64" << QStringList{"2", "9"};
    QTest::newRow("filtered by comment") << int(M::Time) << desc << "SHED" << QStringList{"100"};
    QTest::newRow("nothing matches") << int(M::Time) << desc << "xyz" << QStringList{};
}

void TestReadoutLibrary::tableSortsAndFilters()
{
    QFETCH(int, sortColumn);
    QFETCH(int, order);
    QFETCH(QString, filter);
    QFETCH(QStringList, records);

    const KeepResult gate = keepReadOut(folder_, request(at(8, 0, 0), 9));
    QVERIFY(gate.ok);
    QVERIFY(saveComment(*findKeptReadout(folder_, gate.id), "gate"));
    const KeepResult garden = keepReadOut(folder_, request(at(9, 0, 0), 100, 0x3FFF));
    QVERIFY(garden.ok);
    QVERIFY(saveComment(*findKeptReadout(folder_, garden.id), "Garden shed"));
    // Earlier by the clock, later in fact: a zone further east.
    QVERIFY(keepReadOut(folder_, request(at(2, 0, 0, 0), 2)).ok);

    ReadoutLibraryWindow window(folder_);
    window.txtFilter->setText(filter);
    window.tblReadouts->sortByColumn(sortColumn, Qt::SortOrder(order));
    QCOMPARE(column(*window.proxy(), KeptReadoutModel::Records), records);
}

void TestReadoutLibrary::commentIsSavedToItsFile()
{
    const KeepResult kept = keepReadOut(folder_, request(at(8, 0, 0)));
    QVERIFY(kept.ok);
    const QJsonObject before = jsonOf(QDir(folder_).filePath(kept.id + ".json"));

    ReadoutLibraryWindow window(folder_);
    const QModelIndex comment = window.proxy()->index(0, KeptReadoutModel::Comment);
    QVERIFY(window.proxy()->flags(comment) & Qt::ItemIsEditable);
    QVERIFY(!(window.proxy()->flags(comment.siblingAtColumn(KeptReadoutModel::Records)) &
              Qt::ItemIsEditable));
    QVERIFY(window.proxy()->setData(comment, "Cold night\tno wind"));
    // Edited again, the comment starts from what was saved.
    QCOMPARE(comment.data(Qt::EditRole).toString(), QString("Cold night\tno wind"));

    QJsonObject after = jsonOf(QDir(folder_).filePath(kept.id + ".json"));
    QCOMPARE(after["comment"].toString(), QString("Cold night\tno wind"));
    after["comment"] = before["comment"];
    QCOMPARE(after, before);
    // A fresh look at the folder sees it too.
    KeptReadoutModel again(folder_);
    QCOMPARE(again.index(0, KeptReadoutModel::Comment).data().toString(),
             QString("Cold night\tno wind"));
}

void TestReadoutLibrary::deleteAsksFirst_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestReadoutLibrary::deleteAsksFirst()
{
    QFETCH(bool, yes);
    const KeepResult keptOld = keepReadOut(folder_, request(at(8, 0, 0), 5));
    const KeepResult keptNew = keepReadOut(folder_, request(at(9, 0, 0), 7));
    QVERIFY(keptOld.ok && keptNew.ok);

    testing::ScriptedPrompts prompts;
    QStringList asked;
    prompts.onYesNo = [&](QWidget *, const QString &text) {
        asked << text;
        return yes;
    };
    ReadoutLibraryWindow window(folder_);
    window.setPrompts(prompts);
    QVERIFY(!window.cmdDelete->isEnabled());
    window.tblReadouts->selectRow(1);
    QVERIFY(window.cmdDelete->isEnabled());
    window.cmdDelete->click();

    QCOMPARE(asked.size(), 1);
    const QStringList left = yes ? QStringList{keptNew.id + ".json", keptNew.id + ".txt"}
                                 : QStringList{keptNew.id + ".json", keptNew.id + ".txt",
                                               keptOld.id + ".json", keptOld.id + ".txt"};
    QStringList files = QDir(folder_).entryList(QDir::Files | QDir::Hidden);
    QStringList expected = left;
    files.sort();
    expected.sort();
    QCOMPARE(files, expected);
    QCOMPARE(window.proxy()->rowCount(), yes ? 1 : 2);
}

QTEST_MAIN(TestReadoutLibrary)
#include "tst_readout_library.moc"
