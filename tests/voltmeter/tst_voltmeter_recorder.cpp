// The voltmeter recorder's files: what an existing file is taken for, where
// time_s goes on from when a recording is added to one, and that the chart
// reads every file the recorder leaves.

#include "chart/log_chart.h"
#include "test_files.h"
#include "voltmeter/voltmeter_recorder.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>

using namespace vemtra;
using voltmeter::VoltmeterRecorder;
using vemtra::testing::readFile;
using vemtra::testing::writeFile;

namespace {

const QByteArray kColumns = "time,time_s,ch1_raw,ch1_V,ch2_raw,ch2_V,ch3_raw,ch3_V,ch4_raw,ch4_V";
// The last row of the files below was taken at 10:00:05; the new one comes at 10:00:10.
const QByteArray kRows = "2026-12-07T10:00:04.000+09:00,11.500,51,0.996,102,1.992,154,3.008,"
                         "205,4.004\n"
                         "2026-12-07T10:00:05.000+09:00,12.500,51,0.996,,,154,3.008,205,4.004\n";
const QDateTime kNow = QDateTime::fromString("2026-12-07T10:00:10.000+09:00", Qt::ISODateWithMs);
const voltmeter::ChannelReadings kReading{std::uint8_t(51), std::uint8_t(102), std::uint8_t(154),
                                          std::uint8_t(205)};

QByteArray crlf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

// time_s of each row the chart reads from the file; empty when it refuses it.
QList<double> chartSeconds(const QString &path)
{
    const chart::LoadResult loaded = chart::loadLogFile(path);
    if (!loaded.ok())
        qWarning("%s", qPrintable(chart::describe(loaded)));
    return loaded.ok() ? loaded.log.seconds : QList<double>{};
}

} // namespace

class TestVoltmeterRecorder : public QObject {
    Q_OBJECT
private slots:
    void refusesOtherFiles_data();
    void refusesOtherFiles();
    void fullDiskLeavesWholeRows();
};

void TestVoltmeterRecorder::refusesOtherFiles_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::newRow("another table") << crlf("index,time_s,ch1_raw,ch1_V\n0,0,1,0.020\n");
    QTest::newRow("blank line after the rows") << crlf(kColumns + "\n" + kRows + "\n");
    QTest::newRow("last row cut short") << crlf(kColumns + "\n" + kRows).chopped(30);
    QTest::newRow("a second column row") << crlf(kColumns + "\n" + kRows + kColumns + "\n");
}

void TestVoltmeterRecorder::refusesOtherFiles()
{
    QFETCH(QByteArray, before);
    QTemporaryDir dir;
    const QString path = dir.filePath("volts.csv");
    QVERIFY(writeFile(path, before));
    QCOMPARE(voltmeter::lookAtRecordingFile(path).kind, voltmeter::RecordingFile::Kind::Other);
    VoltmeterRecorder recorder;
    QVERIFY(!recorder.start(path));
    QVERIFY(!recorder.error().isEmpty());
    QCOMPARE(readFile(path), before);
}

void TestVoltmeterRecorder::fullDiskLeavesWholeRows()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("volts.csv");
    VoltmeterRecorder recorder;
    QVERIFY(recorder.start(path));
    // The file may grow by a row and a half: the second row is cut short, as on a full disk.
    rlimit before{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto ignored = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = before;
    limit.rlim_cur = rlim_t(QFileInfo(path).size() + 110);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    int written = 0;
    while (written < 5 && recorder.addRow(kReading, kNow))
        ++written;
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, ignored);

    QCOMPARE(written, 1);
    QVERIFY(!recorder.isRecording());
    QCOMPARE(chartSeconds(path).size(), 1);
}

QTEST_APPLESS_MAIN(TestVoltmeterRecorder)
#include "tst_voltmeter_recorder.moc"
