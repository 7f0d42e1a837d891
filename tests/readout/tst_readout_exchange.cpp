#include "log_image.h"
#include "readout/data_file.h"
#include "readout/readout_exchange.h"
#include "readout/readout_texts.h"
#include "simulated_line.h"

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

std::unique_ptr<SimulatedLine> boardAt19200(int eepromBytes = 8192)
{
    return std::make_unique<SimulatedLine>(
        board::BoardEngine::Options{.eepromBytes = eepromBytes, .startBaud = 19200}, 19200);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString u(const char *text)
{
    return QString::fromUtf8(text);
}

// The bytes after the n-th "r" sent to the board: its five request bytes.
QByteArray requestAfter(const QByteArray &sent, int nth)
{
    int from = -1;
    for (int i = 0; i < nth; ++i)
        from = sent.indexOf('r', from + 1);
    return from < 0 ? QByteArray() : sent.mid(from + 1, 5);
}

} // namespace

class TestReadoutExchange : public QObject {
    Q_OBJECT

private slots:
    void init();
    void writesTheLog_data();
    void writesTheLog();
    void requestsTheLogLength_data();
    void requestsTheLogLength();
    void failureLeavesEarlierFile_data();
    void failureLeavesEarlierFile();
    void unwritableFileIsReported();
    void reportsProgressWithinRange();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString path_;
};

void TestReadoutExchange::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    path_ = dir_->filePath(u(texts::kDataFileName));
}

void TestReadoutExchange::writesTheLog_data()
{
    QTest::addColumn<int>("configuration");
    QTest::addColumn<int>("endAddress");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("CH1 and CH2, four bytes")
        << 0xCC << 20 << QByteArray("ch2\tch1\t\r\n3\t10\t:0\r\n17\t24\t:1\r\n");
    QTest::newRow("empty log") << 0xCC << 16 << QByteArray("ch2\tch1\t\r\n");
    QTest::newRow("end address 15") << 0x8C << 15 << QByteArray("ch1\t\r\n");
    QTest::newRow("no channel, no data") << 0x0C << 16 << QByteArray("\r\n");
}

void TestReadoutExchange::writesTheLog()
{
    QFETCH(int, configuration);
    QFETCH(int, endAddress);
    QFETCH(QByteArray, expected);

    auto line = boardAt19200();
    loadLog(line->engine(), std::uint8_t(configuration), endAddress, pattern(64));
    int shownLength = -1;
    ReadoutObserver observer;
    observer.logLength = [&](int length) { shownLength = length; };

    const ReadoutResult result = readOutLog(*line, path_, observer);

    QVERIFY2(result.ok, qPrintable(result.message()));
    QVERIFY(result.message().isEmpty());
    QVERIFY(result.echoed);
    QCOMPARE(readFile(path_), expected);
    QCOMPARE(shownLength, endAddress - 15);
    QCOMPARE(result.logLength.value_or(-1), endAddress - 15);
    QCOMPARE(result.header[2], std::uint8_t(configuration));
    // Every byte taken was echoed, and the one the board offers past the end was not.
    QCOMPARE(line->sentBytes().count('r'), 2);
    QVERIFY(!line->engine().isLogging());
}

void TestReadoutExchange::requestsTheLogLength_data()
{
    QTest::addColumn<int>("endAddress");
    QTest::addColumn<QByteArray>("request");

    QTest::newRow("8176") << 8176 + 15 << QByteArray::fromHex("1000f01fe1");
    QTest::newRow("8191") << 8191 + 15 << QByteArray::fromHex("1000ff1fd2");
    QTest::newRow("empty log") << 16 << QByteArray::fromHex("10000100ef");
}

void TestReadoutExchange::requestsTheLogLength()
{
    QFETCH(int, endAddress);
    QFETCH(QByteArray, request);

    auto line = boardAt19200(16384);
    loadLog(line->engine(), 0x8C, endAddress, pattern(endAddress));

    const ReadoutResult result = readOutLog(*line, path_);

    QVERIFY2(result.ok, qPrintable(result.message()));
    const QByteArray sent = line->sentBytes();
    QCOMPARE(requestAfter(sent, 1), QByteArray::fromHex("00001000f0"));
    QCOMPARE(requestAfter(sent, 2), request);
    // One record per data byte with one channel.
    QCOMPARE(result.records, endAddress - 16);
}

void TestReadoutExchange::failureLeavesEarlierFile_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("echoed");
    QTest::addColumn<int>("logLength"); // -1: not decoded

    using F = board::Faults;
    const auto row = [](const char *tag, Setup setup, const QString &message, bool echoed,
                        int logLength = -1) {
        QTest::newRow(tag) << setup << message << echoed << logLength;
    };
    const auto fault = [](void (*set)(F &)) {
        return Setup([set](SimulatedLine &line) { set(line.engine().faults()); });
    };
    const auto header = [](int configuration, int endAddress) {
        return Setup([=](SimulatedLine &line) {
            loadLog(line.engine(), std::uint8_t(configuration), endAddress);
        });
    };
    const QString ng = u(texts::kEchoNg), answerNg = u(texts::kAnswerNg);

    row("silent board", fault([](F &f) { f.silent = true; }), texts::kEchoTimeout, false);
    row("wrong echo", fault([](F &f) { f.echoOverride = 'x'; }), ng + "120", false);
    row("noise before the echo", fault([](F &f) { f.noiseBeforeReply = {0x3F}; }), ng + "63",
        false);
    // The answer wait needs two bytes, so a stray byte follows the wrong answer.
    row("wrong answer", Setup([](SimulatedLine &line) {
            line.engine().faults().ackOverride = 'Q';
            line.inject(QByteArray(1, 0x01), std::chrono::milliseconds(800));
        }),
        answerNg + "81", true);
    row("R alone", fault([](F &f) { f.stopAfterBytes = 0; }), texts::kAnswerTimeout, true);
    row("stops in the header", fault([](F &f) { f.stopAfterBytes = 5; }), texts::kByteTimeout,
        true);
    row("stops in the data", fault([](F &f) { f.stopAfterBytes = 30; }), texts::kByteTimeout, true,
        49);
    row("end address high byte 145", header(0x8C, 145 * 256), texts::kEndAddressError, true);
    row("high byte 144: longer than any EEPROM", header(0x8C, 144 * 256), texts::kEndAddressError,
        true);
    row("end address below 15", header(0x8C, 14), texts::kEndAddressError, true);
    row("data but no channel", header(0x0C, 40), texts::kEndAddressError, true);
}

void TestReadoutExchange::failureLeavesEarlierFile()
{
    QFETCH(Setup, setup);
    QFETCH(QString, message);
    QFETCH(bool, echoed);
    QFETCH(int, logLength);

    const QByteArray earlier("ch1\t\r\n1\t:0\r\n");
    {
        QFile file(path_);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(earlier);
    }
    auto line = boardAt19200();
    loadLog(line->engine(), 0xCC, 64, pattern(64));
    setup(*line);

    const ReadoutResult result = readOutLog(*line, path_);

    QVERIFY(!result.ok);
    QCOMPARE(result.message(), message);
    QCOMPARE(result.echoed, echoed);
    QCOMPARE(result.logLength.value_or(-1), logLength);
    QCOMPARE(readFile(path_), earlier);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{u(texts::kDataFileName)});
}

void TestReadoutExchange::unwritableFileIsReported()
{
    const QString path =
        dir_->filePath(QStringLiteral("missing-folder/") + u(texts::kDataFileName));
    auto line = boardAt19200();
    loadLog(line->engine(), 0xCC, 40, pattern(64));

    const ReadoutResult result = readOutLog(*line, path);

    QVERIFY(!result.ok);
    QVERIFY(result.message().startsWith(u(texts::kFileWriteError)));
    QVERIFY(result.message().endsWith(QDir::toNativeSeparators(path)));
    QCOMPARE(result.logLength.value_or(-1), 25);
}

void TestReadoutExchange::reportsProgressWithinRange()
{
    auto line = boardAt19200();
    const int endAddress = 8191;
    loadLog(line->engine(), 0x8C, endAddress, pattern(endAddress));
    std::vector<std::pair<int, int>> calls;
    ReadoutObserver observer;
    observer.progress = [&](int position, int maximum) { calls.emplace_back(position, maximum); };

    QVERIFY(readOutLog(*line, path_, observer).ok);

    const int maximum = endAddress - 16;
    QVERIFY(!calls.empty());
    // Throttled to whole percent steps, yet the bar still ends full.
    QVERIFY(calls.size() <= 102);
    QCOMPARE(calls.back(), std::make_pair(maximum, maximum));
    for (std::size_t i = 0; i < calls.size(); ++i) {
        QCOMPARE(calls[i].second, maximum);
        QVERIFY(calls[i].first >= 1 && calls[i].first <= maximum);
        if (i > 0)
            QVERIFY(calls[i].first > calls[i - 1].first);
    }
}

QTEST_GUILESS_MAIN(TestReadoutExchange)
#include "tst_readout_exchange.moc"
