#include "voltmeter/graph_plot.h"
#include "voltmeter/read_chx.h"
#include "voltmeter/reading_text.h"
#include "voltmeter/voltmeter_recorder.h"

#include "simulated_line.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace vemtra::voltmeter;
using vemtra::testing::SimulatedLine;

class TestVoltmeterLogic : public QObject {
    Q_OBJECT
private slots:
    void readChxReplies_data();
    void readChxReplies();
    void recordsIntoANamedPipe_data();
    void recordsIntoANamedPipe();
    void cycleOnNoisyLine_data();
    void cycleOnNoisyLine();
};

void TestVoltmeterLogic::readChxReplies_data()
{
    // A silent board, and the replies put on the line by hand at set times (ms
    // after the call), so several bytes can arrive in one read.
    QTest::addColumn<QList<int>>("at");
    QTest::addColumn<QByteArrayList>("bytes");
    QTest::addColumn<int>("reading");
    QTest::addColumn<QByteArray>("sent");

    const QByteArray both = QByteArray::fromHex("67cc");
    QTest::newRow("noise, then the echo")
        << QList<int>{10, 20, 40} << QByteArrayList{"\xee", "g", "\x07"} << 7 << both;
    // The board sends nothing but its echo and one answer: a third byte makes
    // the cycle no reading, whichever of the bytes it was.
    QTest::newRow("echo with a byte behind it")
        << QList<int>{10, 40} << QByteArrayList{"g\x99", "\x33"} << -1 << both;
    QTest::newRow("answer with a byte behind it")
        << QList<int>{10, 40} << QByteArrayList{"g", "\x33\x99"} << -1 << both;
    QTest::newRow("read led by noise is dropped whole")
        << QList<int>{10, 40} << QByteArrayList{"\xeeg", "\x07"} << -1 << QByteArray("g");
    QTest::newRow("silent board") << QList<int>{} << QByteArrayList{} << -1 << QByteArray("g");
    QTest::newRow("echo 1.1 s late is too late")
        << QList<int>{1100} << QByteArrayList{"g"} << -1 << QByteArray("g");
}

void TestVoltmeterLogic::readChxReplies()
{
    QFETCH(QList<int>, at);
    QFETCH(QByteArrayList, bytes);
    QFETCH(int, reading);
    QFETCH(QByteArray, sent);
    SimulatedLine line;
    line.engine().faults().silent = true;
    const auto t0 = line.now();
    for (int i = 0; i < at.size(); ++i)
        line.inject(bytes[i], t0 + std::chrono::milliseconds(at[i]));

    const auto r = read_chx(line, 1).reading;
    QCOMPARE(r ? int(*r) : -1, reading);
    QCOMPARE(line.sentBytes(), sent);
    QCOMPARE(line.bytesWaiting(), 0);
    // Gives up not long after one second, on the line's own clock.
    QVERIFY(line.now() - t0 < 1500ms);
}

void TestVoltmeterLogic::cycleOnNoisyLine_data()
{
    QTest::addColumn<QByteArray>("extra"); // sent by the board after every echo
    QTest::addColumn<int>("lateChannel");  // -1: none; it reads 0x67, like the echo, 1.1 s late
    QTest::addColumn<QList<int>>("readings");

    const QList<int> none{-1, -1, -1, -1};
    QTest::newRow("healthy") << QByteArray() << -1 << QList<int>{0x20, 0x40, 0x80, 0xC0};
    QTest::newRow("a byte after each echo") << QByteArray("\x55") << -1 << none;
    QTest::newRow("echo doubled") << QByteArray("g") << -1 << none;
    QTest::newRow("CH1 answers after its time-out")
        << QByteArray() << 0 << QList<int>{-1, 0x40, 0x80, 0xC0};
    QTest::newRow("CH4 answers after its time-out")
        << QByteArray() << 3 << QList<int>{0x20, 0x40, 0x80, -1};
}

void TestVoltmeterLogic::cycleOnNoisyLine()
{
    QFETCH(QByteArray, extra);
    QFETCH(int, lateChannel);
    QFETCH(QList<int>, readings);
    SimulatedLine line;
    auto &board = line.engine();
    const int raw[4] = {0x20, 0x40, 0x80, 0xC0};
    for (int ch = 0; ch < 4; ++ch)
        board.setInput(ch, vemtra::board::Input::constant((ch == lateChannel ? 0x67 : raw[ch]) *
                                                          5.0 / 256));
    board.faults().extraBytes.assign(extra.begin(), extra.end());
    if (lateChannel >= 0)
        board.faults().lateReading = vemtra::board::Faults::LateReading{lateChannel, 1100ms};

    // The second cycle shows that nothing of the first is left on the line.
    for (int cycle = 0; cycle < 2; ++cycle) {
        const auto t0 = line.now();
        QList<int> shown;
        for (const auto &r : readAllChannels(line))
            shown << (r ? int(*r) : -1);
        QCOMPARE(shown, readings);
        // A healthy line costs nothing beyond its bytes.
        if (extra.isEmpty() && lateChannel < 0)
            QVERIFY(line.now() - t0 < 50ms);
    }
}

// A recording into a named pipe goes into it row by row, and the pipe stays
// one. A pipe that no program reads is refused: the recorder would fill it
// and then hang the window on the next row.
void TestVoltmeterLogic::recordsIntoANamedPipe_data()
{
    QTest::addColumn<bool>("read");
    QTest::newRow("a program reads it") << true;
    QTest::newRow("no program reads it") << false;
}

void TestVoltmeterLogic::recordsIntoANamedPipe()
{
    QFETCH(bool, read);
    QTemporaryDir dir;
    const QString fifo = dir.filePath("rows");
    const QByteArray name = QFile::encodeName(fifo);
    QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    const int reader = read ? ::open(name.constData(), O_RDONLY | O_NONBLOCK) : -1;
    VoltmeterRecorder recorder;
    QCOMPARE(recorder.start(fifo), read);
    struct stat info {};
    QVERIFY(::stat(name.constData(), &info) == 0 && S_ISFIFO(info.st_mode));
    if (!read) {
        QVERIFY2(recorder.error().contains("reading"), qPrintable(recorder.error()));
        return;
    }
    QVERIFY(recorder.addRow({51, std::nullopt, 154, 205}, QDateTime::currentDateTime()));
    recorder.stop();
    char buffer[512];
    const ssize_t n = ::read(reader, buffer, sizeof buffer);
    ::close(reader);
    const QList<QByteArray> rows = QByteArray(buffer, int(std::max<ssize_t>(0, n))).split('\n');
    QCOMPARE(rows.size(), 3); // columns, one row, nothing after the last line end
    QCOMPARE(rows[0].trimmed(), readingColumns().toLatin1());
    QVERIFY2(rows[1].endsWith(",51,0.996,,,154,3.008,205,4.004\r"), rows[1].constData());
}

QTEST_APPLESS_MAIN(TestVoltmeterLogic)
#include "tst_voltmeter_logic.moc"
