#include "file_size_limit.h"
#include "log_image.h"
#include "readout/csv_export.h"
#include "readout/readout_exchange.h"
#include "readout/ui/readout_texts.h"
#include "simulated_line.h"
#include "test_files.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace vemtra;
using namespace vemtra::readout;
using readout_test::loadLog;
using readout_test::pattern;
using testing::SimulatedLine;

using Setup = std::function<void(SimulatedLine &)>;
Q_DECLARE_METATYPE(Setup)

namespace {

using F = board::Faults;
using vemtra::testing::readFile;
using vemtra::testing::writeFile;

std::unique_ptr<SimulatedLine> boardAt19200(int eepromBytes = 8192)
{
    return std::make_unique<SimulatedLine>(
        board::BoardEngine::Options{.eepromBytes = eepromBytes, .startBaud = 19200}, 19200);
}

// What the window's Label9 says of a read-out from COM1.
QString label9(const ReadoutResult &result)
{
    return texts::readoutFailure(result, 1);
}

// The bytes after the n-th "r" sent to the board: its five request bytes.
QByteArray requestAfter(const QByteArray &sent, int nth)
{
    int from = -1;
    for (int i = 0; i < nth; ++i)
        from = sent.indexOf('r', from + 1);
    return from < 0 ? QByteArray() : sent.mid(from + 1, 5);
}

Setup faults(std::function<void(F &)> set)
{
    return [set](SimulatedLine &line) { set(line.engine().faults()); };
}

// Transfer byte `at` (0 comes with "R", at address 16) goes out as `value`.
Setup corrupt(int at, std::uint8_t value, F::WrongEcho kind = F::WrongEcho::Command)
{
    return faults([=](F &f) {
        f.corruptByte = F::Corruption{at, value};
        f.wrongEchoAs = kind;
    });
}

// The standard log below: CH1 and CH2, data at 17..64, so byte 48 is the last.
constexpr int kEnd = 64;

} // namespace

class TestReadoutExchange : public QObject {
    Q_OBJECT

private slots:
    void init();
    void writesTheLog_data();
    void writesTheLog();
    void failureLeavesEarlierFile_data();
    void failureLeavesEarlierFile();
    void unwritableFileIsReported();
    void fullDiskLeavesEarlierFile();
    void fullDiskLeavesNoCsv();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString path_;
};

void TestReadoutExchange::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    path_ = dir_->filePath(texts::kDataFileName);
}

void TestReadoutExchange::writesTheLog_data()
{
    QTest::addColumn<int>("configuration");
    QTest::addColumn<int>("endAddress");
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QByteArray>("expected"); // empty: one record per pattern byte

    const Setup healthy = [](SimulatedLine &) {};
    QTest::newRow("CH1 and CH2, four bytes")
        << 0xCC << 20 << healthy << QByteArray("ch2\tch1\t\r\n3\t10\t:0\r\n17\t24\t:1\r\n");
    QTest::newRow("all four, CH1 last")
        << 0xFC << 24 << healthy
        << QByteArray("ch2\tch3\tch4\tch1\t\r\n3\t10\t17\t24\t:0\r\n31\t38\t45\t52\t:1\r\n");
    QTest::newRow("CH2 and CH3, last record cut short")
        << 0x6C << 21 << healthy << QByteArray("ch2\tch3\t\r\n3\t10\t:0\r\n17\t24\t:1\r\n");
    QTest::newRow("empty log") << 0xCC << 16 << healthy << QByteArray("ch2\tch1\t\r\n");
    QTest::newRow("end address 15") << 0x8C << 15 << healthy << QByteArray("ch1\t\r\n");
    // The board still waits for the echo of the byte past the end when the
    // verify's "r" comes: it takes an "r" there as that echo, so the verify
    // goes unanswered once.
    const auto rPastTheEnd = [](F::WrongEcho kind) {
        return Setup([kind](SimulatedLine &line) {
            line.engine().eeprom()[41] = 'r';
            line.engine().faults().wrongEchoAs = kind;
        });
    };
    QTest::newRow("r past the end, board takes it as echo")
        << 0x8C << 40 << rPastTheEnd(F::WrongEcho::Command) << QByteArray();
    QTest::newRow("r past the end, board swallowing wrong echoes")
        << 0x8C << 40 << rPastTheEnd(F::WrongEcho::Swallow) << QByteArray();
    QTest::newRow("board swallowing wrong echoes")
        << 0x8C << 40 << faults([](F &f) { f.wrongEchoAs = F::WrongEcho::Swallow; })
        << QByteArray();
}

void TestReadoutExchange::writesTheLog()
{
    QFETCH(int, configuration);
    QFETCH(int, endAddress);
    QFETCH(Setup, setup);
    QFETCH(QByteArray, expected);

    auto line = boardAt19200();
    const QByteArray data = pattern(endAddress);
    loadLog(line->engine(), std::uint8_t(configuration), endAddress, data);
    setup(*line);
    int shownLength = -1;
    ReadoutObserver observer;
    observer.logLength = [&](int length) { shownLength = length; };

    const ReadoutResult result = readOutLog(*line, path_, observer);

    QVERIFY2(result.ok(), qPrintable(label9(result)));
    QVERIFY(label9(result).isEmpty());
    const QByteArray file = readFile(path_);
    if (expected.isEmpty()) {
        const QList<QByteArray> lines = file.split('\n');
        QCOMPARE(lines.size(), endAddress - 16 + 2);
        QCOMPARE(lines[lines.size() - 2], QByteArray::number(std::uint8_t(data[endAddress - 17])) +
                                              "\t:" + QByteArray::number(endAddress - 17) + "\r");
    } else {
        QCOMPARE(file, expected);
    }
    QCOMPARE(shownLength, endAddress - 15);
    QCOMPARE(result.logLength.value_or(-1), endAddress - 15);
    const QByteArray sent = line->sentBytes();
    QCOMPARE(requestAfter(sent, 1), QByteArray::fromHex("00001000f0"));
    const int length = endAddress - 15;
    QCOMPARE(requestAfter(sent, 2).left(4),
             QByteArray::fromHex("1000") + char(length & 0xFF) + char(length >> 8));
    QVERIFY(!line->engine().isLogging());
}

void TestReadoutExchange::failureLeavesEarlierFile_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("echoed");
    QTest::addColumn<int>("address"); // first differing address of a verify; -1: none

    const auto row = [](const char *tag, Setup setup, const QString &message, bool echoed = true,
                        int address = -1) {
        QTest::newRow(tag) << setup << message << echoed << address;
    };
    const QString ng = texts::kEchoNg, verify = texts::kVerifyError;

    row("silent board", faults([](F &f) { f.silent = true; }), texts::kEchoTimeout, false);
    row("wrong echo", faults([](F &f) { f.echoOverride = 'x'; }), ng + "120", false);
    row("noise before the echo", faults([](F &f) { f.noiseBeforeReply = {0x3F}; }), ng + "63",
        false);
    // The answer wait needs two bytes, so a stray byte follows the wrong answer.
    row("wrong answer", Setup([](SimulatedLine &line) {
            line.engine().faults().ackOverride = 'Q';
            line.inject(QByteArray(1, 0x01), std::chrono::milliseconds(800));
        }),
        texts::kAnswerNg + "81");
    row("R alone", faults([](F &f) { f.stopAfterBytes = 0; }), texts::kAnswerTimeout);
    row("stops in the data", faults([](F &f) { f.stopAfterBytes = 30; }), texts::kByteTimeout);
    // Each reason a header is not usable is the decoding's own test; any of them stops here.
    row("data but no channel", Setup([](SimulatedLine &line) { loadLog(line.engine(), 0x0C, 40); }),
        texts::kEndAddressError);
    // A changed data byte echoed back ends the board's transfer. A "t" is then
    // echoed as a probe, and every echo after it: the rest reads as 116s.
    row("t mid-log, wrong echo as command", corrupt(30, 't'), verify, true, kEnd - 15);
    row("t mid-log, wrong echo swallowed", corrupt(30, 't', F::WrongEcho::Swallow),
        texts::kByteTimeout);
    row("last byte changed", corrupt(kEnd - 16, 0x01), verify, true, kEnd);
    row("last byte changed into r", corrupt(kEnd - 16, 'r'), verify, true, kEnd);
    // The loss is named, not the time-out it causes.
    row("port lost in the data", Setup([](SimulatedLine &line) {
            line.unplugAfterSending(std::uint8_t(pattern(64).at(20)));
        }),
        texts::lineLost(1));
    row("port lost in the verify",
        Setup([](SimulatedLine &line) { line.unplugAfterSending('r', 3); }), texts::lineLost(1));
}

void TestReadoutExchange::failureLeavesEarlierFile()
{
    QFETCH(Setup, setup);
    QFETCH(QString, message);
    QFETCH(bool, echoed);
    QFETCH(int, address);

    const QByteArray earlier("ch1\t\r\n1\t:0\r\n");
    QVERIFY(writeFile(path_, earlier));
    auto line = boardAt19200();
    loadLog(line->engine(), 0xCC, kEnd, pattern(64));
    setup(*line);

    const ReadoutResult result = readOutLog(*line, path_);

    QVERIFY(!result.ok());
    QCOMPARE(label9(result), message);
    QCOMPARE(result.echoed, echoed);
    QCOMPARE(result.address, address);
    QCOMPARE(readFile(path_), earlier);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{texts::kDataFileName});
}

void TestReadoutExchange::unwritableFileIsReported()
{
    const QString path = dir_->filePath(QStringLiteral("missing-folder/") + texts::kDataFileName);
    auto line = boardAt19200();
    loadLog(line->engine(), 0xCC, 40, pattern(64));

    const ReadoutResult result = readOutLog(*line, path);

    QVERIFY(!result.ok());
    QVERIFY(label9(result).startsWith(texts::kFileWriteError));
    QVERIFY(label9(result).contains(QDir::toNativeSeparators(path)));
    QVERIFY(!result.fileError.isEmpty());
}

// A data file smaller than the writes held back before commit, refused by the
// disk: on a full disk or under a file-size limit alike.
void TestReadoutExchange::fullDiskLeavesEarlierFile()
{
    const QByteArray earlier("ch1\t\r\n1\t:0\r\n");
    QVERIFY(writeFile(path_, earlier));
    auto line = boardAt19200();
    loadLog(line->engine(), 0xCC, kEnd, pattern(64));

    ReadoutResult result;
    {
        testing::FileSizeLimit limit(40);
        result = readOutLog(*line, path_);
    }

    QVERIFY(!result.ok());
    QVERIFY(label9(result).startsWith(texts::kFileWriteError));
    QVERIFY2(result.fileError.contains("file too large"), qPrintable(result.fileError));
    QCOMPARE(readFile(path_), earlier);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{texts::kDataFileName});
}

void TestReadoutExchange::fullDiskLeavesNoCsv()
{
    auto line = boardAt19200();
    loadLog(line->engine(), 0xCC, kEnd, pattern(64));
    const ReadoutResult read = readOutLog(*line, path_);
    QVERIFY(read.ok());
    const QString csv = dir_->filePath(QStringLiteral("log.csv"));

    CsvExportResult result;
    {
        testing::FileSizeLimit limit(40);
        result = exportCsv(path_, read.header, csv);
    }
    QVERIFY(!result.ok);
    QVERIFY(!QFile::exists(csv));
}

QTEST_GUILESS_MAIN(TestReadoutExchange)
#include "tst_readout_exchange.moc"
