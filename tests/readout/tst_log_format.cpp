// The log's formats: the header's limits, the record of logs read out, and
// the CSV export with the logger's own time.

#include "csv_reader.h"
#include "readout/csv_export.h"
#include "readout/log_header_decode.h"
#include "readout/unread_log.h"
#include "test_files.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace vemtra::readout;
using vemtra::testing::writeFile;

Q_DECLARE_METATYPE(vemtra::readout::HeaderReadBack)
Q_DECLARE_METATYPE(vemtra::readout::HeaderFault)
Q_DECLARE_METATYPE(vemtra::readout::ProgrammingVerdict)

namespace {

// What the header transfer gives for an EEPROM header: bytes 1..16.
HeaderReadBack readBackOf(std::uint8_t configuration, std::uint32_t interval, int endAddress,
                          int lastAddress = 0x1FFF, std::uint8_t marker1 = 0x44,
                          std::uint8_t marker2 = 0x80)
{
    const std::uint8_t end[2] = {std::uint8_t(endAddress & 0xFF), std::uint8_t(endAddress >> 8)};
    HeaderReadBack r{marker1, marker2, configuration};
    for (int k = 0; k < 4; ++k)
        r[3 + k] = std::uint8_t(interval >> (8 * k));
    const std::uint8_t last[2] = {std::uint8_t(lastAddress & 0xFF), std::uint8_t(lastAddress >> 8)};
    const std::uint8_t rest[9] = {0x10, 0x00, last[0], last[1], end[0], end[1], 0xFF, 0xFF, 0xA5};
    std::copy(std::begin(rest), std::end(rest), r.begin() + 7);
    return r;
}

QByteArray hexOf(const HeaderReadBack &readBack)
{
    return QByteArray(reinterpret_cast<const char *>(readBack.data()), 16).toHex();
}

// A line of readouts.txt as an earlier read-out left it.
QByteArray recordLine(const HeaderReadBack &readBack, const QByteArray &tail)
{
    return hexOf(readBack) + " 2026-12-01T10:00:00Z " + tail.toHex();
}

// The last logged bytes of the log that was read out.
const QByteArray kReadTail = QByteArray::fromHex("0102030405060708090a0b0c0d0e0f10");

QByteArray crlf(const QByteArray &lines)
{
    QByteArray text = lines;
    text.replace("\n", "\r\n");
    return text;
}

struct Export {
    CsvExportResult result;
    QByteArray csv;
};

Export run(const QByteArray &dataFile, const HeaderReadBack &readBack)
{
    QBuffer in;
    in.setData(dataFile);
    in.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    Export e;
    e.result = exportCsv(in, readBack, out);
    e.csv = out.data();
    return e;
}

} // namespace

class TestLogFormat : public QObject {
    Q_OBJECT

private slots:
    void headerLimits_data();
    void headerLimits();
    void mayProgramOver_data();
    void mayProgramOver();
    void recordTime_data();
    void recordTime();
    void rows_data();
    void rows();
    void refusedDataFiles_data();
    void refusedDataFiles();
    void csvFileKeptOnFailure();
};

void TestLogFormat::headerLimits_data()
{
    QTest::addColumn<int>("configuration");
    QTest::addColumn<int>("endAddress");
    QTest::addColumn<int>("lastAddress");
    QTest::addColumn<HeaderFault>("fault");
    QTest::addColumn<int>("logLength");
    QTest::addColumn<int>("dataBytes");

    using F = HeaderFault;
    const auto row = [](const char *tag, int configuration, int endAddress, int lastAddress,
                        HeaderFault fault, int logLength, int dataBytes) {
        QTest::newRow(tag) << configuration << endAddress << lastAddress << fault << logLength
                           << dataBytes;
    };
    row("empty log", 0x8C, 16, 0x1FFF, F::None, 1, 0);
    row("end address 15", 0x8C, 15, 0, F::None, 0, 0);
    row("end address 14", 0x8C, 14, 0, F::EndAddressBelowStart, -1, 0);
    row("full 24C64", 0x8C, 0x1FFF, 0x1FFF, F::None, 8176, 8175);
    row("24C256 log, 24C64 named", 0xFC, 0x7FFF, 0x1FFF, F::EndBeyondChip, 32752, 32751);
    row("longest log, no chip named", 0x8C, 32783, 0, F::None, 32768, 32767);
    row("one byte too long", 0x8C, 32784, 0, F::LogTooLong, 32769, 32768);
    row("high byte 145", 0x8C, 145 * 256, 0x7FFF, F::EndAddressTooHigh, 37105, 37104);
    row("no channel, data", 0x0C, 17, 0x1FFF, F::NoChannels, 2, 1);
}

void TestLogFormat::headerLimits()
{
    QFETCH(int, configuration);
    QFETCH(int, endAddress);
    QFETCH(int, lastAddress);
    QFETCH(HeaderFault, fault);
    QFETCH(int, logLength);
    QFETCH(int, dataBytes);

    const LogExtent extent = decodeLogHeader(
        readBackOf(static_cast<std::uint8_t>(configuration), 20000, endAddress, lastAddress));
    QCOMPARE(extent.fault, fault);
    QCOMPARE(extent.logLength, logLength);
    QCOMPARE(extent.dataBytes(), dataBytes);
}

void TestLogFormat::mayProgramOver_data()
{
    QTest::addColumn<HeaderReadBack>("header");
    QTest::addColumn<bool>("looked");       // the look at the board succeeded
    QTest::addColumn<QByteArray>("tail");   // the last bytes the look read
    QTest::addColumn<QByteArray>("record"); // a line of readouts.txt about this header
    QTest::addColumn<bool>("readOutHere");  // this run read the log out, unrecorded
    QTest::addColumn<bool>("force");
    QTest::addColumn<ProgrammingVerdict>("verdict");

    using V = ProgrammingVerdict;
    const HeaderReadBack logged = readBackOf(0x8C, 20000, 0x0100, 0x1FFF);
    HeaderReadBack unmarked = logged;
    unmarked[1] = 0xFF;
    const QByteArray tail = kReadTail;
    const QByteArray relogged = QByteArray(kReadTail).replace('\x10', '\x11');
    const QByteArray read = recordLine(logged, kReadTail);
    const QByteArray oldRead = hexOf(logged) + " 2026-12-01T10:00:00Z";
    const QByteArray none;
    const QByteArray noTail;

    QTest::newRow("logged, never read out")
        << logged << true << tail << none << false << false << V::UnreadLog;
    QTest::newRow("logged, read out")
        << logged << true << tail << read << false << false << V::Program;
    QTest::newRow("re-logged: same header, other last bytes")
        << logged << true << relogged << read << false << false << V::UnreadLog;
    QTest::newRow("read out before the last bytes were kept")
        << logged << true << tail << oldRead << false << false << V::UnreadLog;
    QTest::newRow("read out here, the record not written")
        << logged << true << tail << none << true << false << V::Program;
    QTest::newRow("read out here, re-logged since")
        << logged << true << relogged << none << true << false << V::UnreadLog;
    QTest::newRow("unread, forced")
        << logged << true << tail << none << false << true << V::Program;
    QTest::newRow("log not looked at")
        << logged << false << noTail << read << false << false << V::LogNotLookedAt;
    QTest::newRow("log not looked at, forced")
        << logged << false << noTail << none << false << true << V::Program;
    QTest::newRow("nothing logged yet") << readBackOf(0x8C, 20000, 16, 0x1FFF) << true << noTail
                                        << none << false << false << V::Program;
    QTest::newRow("erased chip") << readBackOf(0xFF, 20000, 0xFFFF, 0xFFFF) << true << noTail
                                 << none << false << false << V::Program;
    QTest::newRow("write stopped part-way: end 0xFFFF")
        << readBackOf(0x8C, 20000, 0xFFFF, 0x1FFF) << true << noTail << none << false << false
        << V::Program;
    QTest::newRow("no chip's last address") << readBackOf(0x8C, 20000, 0x0100, 0x2000) << true
                                            << noTail << none << false << false << V::Program;
    QTest::newRow("marker missing")
        << unmarked << true << noTail << none << false << false << V::Program;
}

void TestLogFormat::mayProgramOver()
{
    QFETCH(HeaderReadBack, header);
    QFETCH(bool, looked);
    QFETCH(QByteArray, tail);
    QFETCH(QByteArray, record);
    QFETCH(bool, readOutHere);
    QFETCH(bool, force);
    QFETCH(ProgrammingVerdict, verdict);

    QStandardPaths::setTestModeEnabled(true);
    const QString path = readOutRecordPath();
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    // Another board's read-out and a line no program wrote count for nothing.
    HeaderReadBack otherBoard = header;
    otherBoard[12] ^= 0x01;
    QVERIFY(writeFile(path, "not a record\n" + recordLine(otherBoard, tail) + '\n' + record + '\n'));
    ReadoutResult look;
    look.outcome = looked ? vemtra::serial::Outcome::Ok : vemtra::serial::Outcome::NoEcho;
    look.header = header;
    look.tail = tail;
    std::optional<LogIdentity> here;
    if (readOutHere)
        here = LogIdentity{header, kReadTail};

    QCOMPARE(programmingVerdict(look, force, here), verdict);
    QFile::remove(path);
}

void TestLogFormat::recordTime_data()
{
    QTest::addColumn<qint64>("index");
    QTest::addColumn<uint>("count");
    QTest::addColumn<QString>("text");

    QTest::newRow("half seconds") << qint64(3) << 10000u << "1.5";
    QTest::newRow("one step") << qint64(1) << 1u << "0.00005";
    // 32767 records at the largest interval: beyond what 32 bits of steps hold.
    QTest::newRow("no overflow") << qint64(32767) << 2147483647u << "3518329833.06245";
}

void TestLogFormat::recordTime()
{
    QFETCH(qint64, index);
    QFETCH(uint, count);
    QFETCH(QString, text);
    QCOMPARE(recordTimeText(index, count), text);
}

void TestLogFormat::rows_data()
{
    QTest::addColumn<HeaderReadBack>("readBack");
    QTest::addColumn<qint64>("index");
    QTest::addColumn<QByteArray>("values"); // in the data file's order
    QTest::addColumn<QByteArray>("columns");
    QTest::addColumn<QByteArray>("row");

    // The data file puts CH1 last; the CSV puts it first.
    QTest::newRow("all four against the supply")
        << readBackOf(0xFC, 20000, 16) << qint64(2) << QByteArray("\x02\x03\x04\x80", 4)
        << QByteArray("index,time_s,ch1_raw,ch1_V,ch2_raw,ch2_V,ch3_raw,ch3_V,ch4_raw,ch4_V")
        << QByteArray("2,2,128,2.500,2,0.039,3,0.059,4,0.078");
    QTest::newRow("CH1 and CH3, half seconds")
        << readBackOf(0xAC, 10000, 16) << qint64(5) << QByteArray("\x33\x10", 2)
        << QByteArray("index,time_s,ch1_raw,ch1_V,ch3_raw,ch3_V")
        << QByteArray("5,2.5,16,0.313,51,0.996");
    QTest::newRow("against CH4") << readBackOf(0xED, 20000, 16) << qint64(1)
                                 << QByteArray("\x40\x20\x80", 3)
                                 << QByteArray("index,time_s,ch1_raw,ch1_xCH4,ch2_raw,ch2_xCH4,"
                                               "ch3_raw,ch3_xCH4")
                                 << QByteArray("1,1,128,0.5000,64,0.2500,32,0.1250");
    QTest::newRow("no interval known")
        << readBackOf(0x8C, 0, 16) << qint64(4) << QByteArray("\x80", 1)
        << QByteArray("index,time_s,ch1_raw,ch1_V") << QByteArray("4,,128,2.500");
}

void TestLogFormat::rows()
{
    QFETCH(HeaderReadBack, readBack);
    QFETCH(qint64, index);
    QFETCH(QByteArray, values);
    QFETCH(QByteArray, columns);
    QFETCH(QByteArray, row);

    const CsvLayout layout = CsvLayout::fromReadBack(readBack);
    QCOMPARE(csvHeader(layout), columns + "\r\n");

    const std::vector<std::uint8_t> bytes(values.begin(), values.end());
    QCOMPARE(csvRow(layout, index, bytes), row + "\r\n");
}

void TestLogFormat::refusedDataFiles_data()
{
    QTest::addColumn<QByteArray>("dataFile");
    QTest::addColumn<QString>("error");

    QTest::newRow("empty file") << QByteArray() << "empty";
    QTest::newRow("other channels than the header")
        << crlf("ch2\tch3\t\n1\t2\t:0\n") << "not those of the log header";
    QTest::newRow("record with a value missing")
        << crlf("ch2\tch1\t\n1\t2\t:0\n3\t:1\n") << "line 3 of the data file is not record 1";
    QTest::newRow("records out of order")
        << crlf("ch2\tch1\t\n1\t2\t:0\n3\t4\t:2\n") << "line 3 of the data file is not record 1";
    QTest::newRow("value not a number")
        << crlf("ch2\tch1\t\n1\tx\t:0\n") << "line 2 of the data file is not record 0";
}

void TestLogFormat::refusedDataFiles()
{
    QFETCH(QByteArray, dataFile);
    QFETCH(QString, error);
    const Export e = run(dataFile, readBackOf(0xCC, 20000, 20));
    QVERIFY(!e.result.ok);
    QVERIFY2(e.result.error.contains(error), qPrintable(e.result.error));
}

void TestLogFormat::csvFileKeptOnFailure()
{
    QTemporaryDir dir;
    const QString data = dir.filePath("QEL_ADC.txt");
    const QString csv = dir.filePath("log.csv");
    QVERIFY(writeFile(data, crlf("ch1\t\n5\t:0\nbroken\n")));
    QVERIFY(writeFile(csv, "earlier export"));
    const CsvExportResult result = exportCsv(data, readBackOf(0x8C, 20000, 18), csv);
    QVERIFY(!result.ok);
    QFile f(csv);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("earlier export"));

    const CsvExportResult missing =
        exportCsv(dir.filePath("none.txt"), readBackOf(0x8C, 20000, 18), csv);
    QVERIFY(!missing.ok);
    QVERIFY(missing.error.contains("none.txt"));
}

QTEST_GUILESS_MAIN(TestLogFormat)
#include "tst_log_format.moc"
