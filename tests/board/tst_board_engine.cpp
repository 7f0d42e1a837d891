// The board engine in-process: the command protocol as the PC sees it, the EEPROM
// transfers, faults and logging, all on a clock the test moves by hand.

#include "board/board_engine.h"
#include "board/simulator_options.h"

#include <QtTest>

using namespace std::chrono_literals;
using vemtra::board::BoardEngine;
using vemtra::board::Input;
using vemtra::board::LogSettings;
using vemtra::board::Micros;

namespace {

const QByteArray kSpeedBlock("\x27\x55\x2A\x55\x55\x55\x5B", 7);

// Address lo, address hi, count lo, count hi and the checksum that zeroes the sum.
QByteArray transferBlock(int address, int count, int checksumError = 0)
{
    QByteArray b;
    b.append(char(address & 0xFF)).append(char(address >> 8));
    b.append(char(count & 0xFF)).append(char(count >> 8));
    int sum = 0;
    for (char c : b)
        sum += quint8(c);
    b.append(char((256 - sum % 256) % 256 + checksumError));
    return b;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

// The PC's side of the line: bytes go in a millisecond apart, answers come back.
struct Pc {
    BoardEngine board;
    Micros t{0};
    QList<int> bauds; // of the bytes last taken

    Pc() = default;
    explicit Pc(BoardEngine::Options o) : board(o) {}

    QByteArray send(const QByteArray &data, int baud = 9600)
    {
        for (char c : data) {
            board.receive(quint8(c), baud, t);
            t += 1ms;
        }
        return take();
    }

    QByteArray take()
    {
        QByteArray r;
        bauds.clear();
        for (const auto &out : board.takeOutput()) {
            r.append(char(out.value));
            bauds.append(out.baud);
        }
        return r;
    }

    void wait(Micros d)
    {
        t += d;
        board.advance(t);
    }

    // Sets faults by their option names, "NAME VALUE" each.
    void setFaults(const QStringList &faults)
    {
        for (const auto &f : faults) {
            const auto name = f.section(' ', 0, 0).toStdString();
            const auto value = f.section(' ', 1).toStdString();
            const auto error = vemtra::board::applyFault(board.faults(), name, value);
            QVERIFY2(error.empty(), error.c_str());
        }
    }

    void program(const LogSettings &settings)
    {
        const auto header = settings.headerBytes();
        std::copy(header.begin(), header.end(), board.eeprom().begin());
    }
};

} // namespace

class TestBoardEngine : public QObject {
    Q_OBJECT

private slots:
    // "S" goes out at the old speed; from then on only bytes at 19200 bps read right.
    void speedChange()
    {
        Pc pc;
        QCOMPARE(pc.send("s" + kSpeedBlock), QByteArray("sS"));
        QCOMPARE(pc.bauds, QList<int>(2, 9600));
        QCOMPARE(pc.send("t", 9600), QByteArray()); // garbled at the new speed
        QCOMPARE(pc.send("t", 0), QByteArray("t")); // a speed the line cannot tell counts as right
        QCOMPARE(pc.send("t", 19200), QByteArray("t"));
        QCOMPARE(pc.bauds, QList<int>{19200});
    }

    // Requests the board answers, refuses or drops, and the faults it can be told to show.
    // The inputs stand at 1, 2, 3 and 4 V; the EEPROM holds "abcdet" from address 16.
    void answers_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("answer");
        const auto row = [](const char *name, const QStringList &faults, const QByteArray &input,
                            const QByteArray &answer) {
            QTest::newRow(name) << faults << input << answer;
        };
        const QByteArray w4 = "w" + transferBlock(0x100, 3), r3 = "r" + transferBlock(16, 3),
                         r5 = "r" + transferBlock(16, 4);
        row("speed block with a bad checksum", {}, "s" + kSpeedBlock.left(6) + "\x5C", "s?");
        row("other speed block summing to zero", {},
            bytes({'s', 0x28, 0x55, 0x2A, 0x55, 0x55, 0x55, 0x5A}), "s?");
        row("speed block cut short", {}, "s" + kSpeedBlock.left(4), "s");
        row("each channel read, rounded", {}, bytes({'g', 0xC4, 'g', 0xCC, 'g', 0xD4, 'g', 0xDC}),
            bytes({'g', 51, 'g', 102, 'g', 154, 'g', 205}));
        row("unknown select bytes", {}, bytes({'g', 0xBC, 'g', 0xC5, 'g', 0xE4, 't'}), "gggt");
        row("w bad checksum, nothing taken as data", {}, "w" + transferBlock(0, 3, 1) + "ABCD",
            "w?");
        row("r bad checksum, nothing taken as an echo", {}, "r" + transferBlock(0, 3, 1) + "ab",
            "r?");
        // The read-out echoes every byte it is offered but the last, then goes on with its
        // next command; a wrong byte on the line must reach the board as a wrong echo.
        row("next command instead of the last echo", {}, r5 + "abcdt", "rRabcdet");
        row("swallowing board drops that command", {"wrong-echo-as swallow"}, r5 + "abcdtt",
            "rRabcdet");
        row("a command equal to the last byte is its echo", {},
            "r" + transferBlock(17, 4) + "bcdett", "rRbcdett");
        row("corrupt t: the board answers each echo as a probe", {"corrupt-byte 1:t"}, r5 + "attt",
            "rRatttt");
        row("corrupt t: swallowing board goes quiet", {"wrong-echo-as swallow", "corrupt-byte 1:t"},
            r5 + "att", "rRatt");
        row("corrupt last byte passes unseen", {"corrupt-byte 4:0x00"}, r5 + "abcdt",
            QByteArray("rRabcd\0t", 8));
        row("wrong echo for all", {"wrong-echo ?"}, "t", "?");
        row("wrong echo for s only, t", {"wrong-echo ?:s"}, "t", "t");
        row("noise before echo", {"noise 0x00,0xAA"}, "t", bytes({0x00, 0xAA, 't'}));
        row("extra after echo", {"extra 0x55"}, "t", bytes({'t', 0x55}));
        row("W replaced", {"wrong-ack ?:w"}, w4 + "AB", "w?");
        row("wrong echo at byte 2", {"wrong-echo-at 2"}, w4 + "ABCD",
            bytes({'w', 'W', 'A', 'B', 0xBC}));
        row("w stops after 1 byte", {"stop-after 1"}, w4 + "ABt", "wWAt");
        row("r stops after 2 bytes", {"stop-after 2"}, r3 + "abc", "rRab");
        row("r answers R alone", {"stop-after 0"}, r3 + "a", "rR");
        row("faults cleared", {"silent", "silent off"}, "t", "t");
    }
    void answers()
    {
        QFETCH(QStringList, faults);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, answer);
        Pc pc;
        pc.setFaults(faults);
        const QByteArray stored = "abcdet";
        std::copy(stored.begin(), stored.end(), pc.board.eeprom().begin() + 16);
        QCOMPARE(pc.send(input), answer);
        QCOMPARE(pc.board.baud(), 9600);
        // Reading never changes the EEPROM, not even a byte sent wrong.
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(&pc.board.eeprom()[16]), 6), stored);
    }

    // A log from power-up, one board second a sample, run a thousand times faster:
    // bytes CH2, CH3, CH4, CH1 of each sample from address 17 up to the last address.
    void logging_data()
    {
        QTest::addColumn<QStringList>("inputs"); // CH1..CH4, as --ch1..--ch4 take them
        QTest::addColumn<int>("configuration");
        QTest::addColumn<int>("lastAddress");
        QTest::addColumn<int>("samples");       // sample times that pass
        QTest::addColumn<QList<int>>("logged"); // from address 17
        QTest::addColumn<int>("lastLogged");
        const QStringList steady{"1", "2", "3", "4"};
        QTest::newRow("CH2 before CH1")
            << steady << 0xCC << 0x1FFF << 4 << QList<int>{102, 51, 102, 51, 102, 51, 102, 51, 255}
            << 24;
        QTest::newRow("all four") << steady << 0xF0 << 0x1FFF << 1
                                  << QList<int>{102, 154, 205, 51, 255} << 20;
        QTest::newRow("against CH4: a quarter")
            << steady << 0x8D << 0x1FFF << 1 << QList<int>{64, 255} << 17;
        QTest::newRow("against CH4: equal clamps")
            << QStringList{"3", "2", "3", "3"} << 0x8D << 0x1FFF << 1 << QList<int>{255} << 17;
        QTest::newRow("against CH4 at 0 V")
            << QStringList{"1", "2", "3", "0"} << 0x8D << 0x1FFF << 1 << QList<int>{255} << 17;
        // Sine, triangle and square seen at board seconds 0..4, not at the shortened times.
        QTest::newRow("waveforms at board time")
            << QStringList{"sine:2.5:2:4", "triangle:2.5:2:4", "square:2.5:2.5:2", "4"} << 0xE0
            << 0x1FFF << 5
            << QList<int>{26, 255, 128, 128, 0, 230, 230, 255, 128, 128, 0, 26, 26, 255, 128, 255}
            << 31;
        QTest::newRow("full mid-sample")
            << steady << 0xF0 << 21 << 100 << QList<int>{102, 154, 205, 51, 102, 255} << 21;
        QTest::newRow("full at the end of a 24C64")
            << steady << 0xF0 << 0x1FFF << 3000 << QList<int>{102} << 0x1FFF;
        QTest::newRow("header claims a bigger chip")
            << steady << 0xF0 << 0x7FFF << 3000 << QList<int>{102} << 0x1FFF;
        QTest::newRow("no room at all") << steady << 0xF0 << 16 << 10 << QList<int>{255} << 16;
    }
    void logging()
    {
        QFETCH(QStringList, inputs);
        QFETCH(int, configuration);
        QFETCH(int, lastAddress);
        QFETCH(int, samples);
        QFETCH(QList<int>, logged);
        QFETCH(int, lastLogged);
        Pc pc({.timeFactor = 1000});
        for (int ch = 0; ch < 4; ++ch)
            pc.board.setInput(ch, *vemtra::board::parseInput(inputs[ch].toStdString()));
        pc.program({quint8(configuration), 20000, lastAddress});
        pc.board.powerCycle(0us);
        pc.board.advance(Micros(samples * 1000 - 500));
        const auto &e = pc.board.eeprom();
        QList<int> got;
        for (int i = 0; i < logged.size(); ++i)
            got << e[std::size_t(17 + i)];
        QCOMPARE(got, logged);
        QCOMPARE(pc.board.lastLoggedAddress(), lastLogged);
        QCOMPARE(e[12] | e[13] << 8, lastLogged);
        QCOMPARE(e[0], quint8(0x41)); // the header survives a full log
        QCOMPARE(e[16], quint8(0xFF));
        const bool full = lastLogged >= std::min(lastAddress, 0x1FFF);
        QCOMPARE(pc.board.isLogging(), !full);
        if (!full)
            QCOMPARE(*pc.board.nextEventTime(), Micros(samples * 1ms));
        else if (lastLogged < 0x1FFF)
            QCOMPARE(e[std::size_t(lastLogged + 1)], quint8(0xFF));
    }

    void logAtPowerUp()
    {
        BoardEngine board({.eepromBytes = 16384, .timeFactor = 1e6, .logAtPowerUp = true});
        board.advance(1s);
        QCOMPARE(board.eeprom()[3], quint8(0xFC));
        QCOMPARE(board.lastLoggedAddress(), 16383); // all four channels, to the chip's end
    }
};

QTEST_GUILESS_MAIN(TestBoardEngine)
#include "tst_board_engine.moc"
