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
        for (const auto &out : board.takeOutput())
            r.append(char(out.value));
        return r;
    }

    void wait(Micros d)
    {
        t += d;
        board.advance(t);
    }

    // A lock-step read as the read-out does it: "r", the block, then each byte received
    // echoed until `echoes` were sent or the board stops offering.
    QByteArray read(int address, int count, int echoes)
    {
        QByteArray got = send("r" + transferBlock(address, count));
        QByteArray data = got.mid(2); // after "r" and "R" comes the first byte
        for (int i = 0; i < echoes && !data.isEmpty(); ++i) {
            const QByteArray next = send(data.right(1));
            if (next.isEmpty())
                break;
            data += next;
        }
        return got.left(2) + data;
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
    void probe_data()
    {
        QTest::addColumn<int>("boardBaud");
        QTest::addColumn<int>("pcBaud");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("sender speed unknown") << 9600 << 0 << QByteArray("t");
        QTest::newRow("PC at 19200, board at 9600") << 9600 << 19200 << QByteArray();
        QTest::newRow("PC at 9600, board at 19200") << 19200 << 9600 << QByteArray();
    }
    void probe()
    {
        QFETCH(int, boardBaud);
        QFETCH(int, pcBaud);
        QFETCH(QByteArray, answer);
        BoardEngine board({.startBaud = boardBaud});
        board.receive('t', pcBaud, 0us);
        QByteArray got;
        for (const auto &out : board.takeOutput()) {
            got.append(char(out.value));
            QCOMPARE(out.baud, boardBaud); // the echo goes out at the board's own speed
        }
        QCOMPARE(got, answer);
    }

    // Every answer to "s" goes out at the old speed; only a sound block switches.
    void speedBlock_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("baud");
        QTest::newRow("accepted") << kSpeedBlock << QByteArray("sS") << 19200;
        QTest::newRow("bad checksum")
            << bytes({0x27, 0x55, 0x2A, 0x55, 0x55, 0x55, 0x5C}) << QByteArray("s?") << 9600;
        QTest::newRow("other bytes summing to zero")
            << bytes({0x28, 0x55, 0x2A, 0x55, 0x55, 0x55, 0x5A}) << QByteArray("s?") << 9600;
        QTest::newRow("block cut short") << kSpeedBlock.left(4) << QByteArray("s") << 9600;
    }
    void speedBlock()
    {
        QFETCH(QByteArray, block);
        QFETCH(QByteArray, answer);
        QFETCH(int, baud);
        Pc pc;
        pc.board.receive('s', 9600, pc.t);
        for (char c : block)
            pc.board.receive(quint8(c), 9600, pc.t += 100ms);
        QByteArray got;
        for (const auto &out : pc.board.takeOutput()) {
            got.append(char(out.value));
            QCOMPARE(out.baud, 9600);
        }
        QCOMPARE(got, answer);
        pc.wait(1100ms);
        QCOMPARE(pc.board.baud(), baud);
        QCOMPARE(pc.send("t", 9600), baud == 9600 ? QByteArray("t") : QByteArray());
        QCOMPARE(pc.send("t", baud), QByteArray("t"));
    }

    void channelRead_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<double>("volts");
        QTest::addColumn<int>("raw");
        QTest::newRow("CH1 0 V") << 0 << 0.0 << 0;
        QTest::newRow("CH2 2.5 V") << 1 << 2.5 << 128;
        QTest::newRow("CH3 1 V rounds") << 2 << 1.0 << 51;
        QTest::newRow("CH4 5 V clamps") << 3 << 5.0 << 255;
        QTest::newRow("CH1 below 0 V clamps") << 0 << -0.5 << 0;
    }
    void channelRead()
    {
        QFETCH(int, channel);
        QFETCH(double, volts);
        QFETCH(int, raw);
        Pc pc;
        for (int ch = 0; ch < 4; ++ch)
            pc.board.setInput(ch, Input::constant(ch == channel ? volts : 3.0));
        QCOMPARE(pc.send("g" + bytes({0xC4 + 8 * channel})), "g" + bytes({raw}));
    }

    void writeThenReadBack_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("size");
        QTest::newRow("header area") << 0 << 16;
        QTest::newRow("middle") << 1000 << 16;
        QTest::newRow("wraps at the end of a 24C64") << 8190 << 6;
    }
    void writeThenReadBack()
    {
        QFETCH(int, address);
        QFETCH(int, size);
        Pc pc;
        QByteArray data;
        for (int i = 0; i < size; ++i)
            data.append(char(0x30 + i));

        QCOMPARE(pc.send("w" + transferBlock(address, size - 1)), QByteArray("wW"));
        for (char c : data)
            QCOMPARE(pc.send(QByteArray(1, c)), QByteArray(1, c)); // each byte echoed
        for (int i = 0; i < size; ++i)
            QCOMPARE(pc.board.eeprom()[std::size_t((address + i) % 8192)], quint8(data[i]));

        // Echo every byte: count + 1 bytes come back and nothing more.
        QCOMPARE(pc.read(address, size - 1, size), "rR" + data);
        QCOMPARE(pc.send("t"), QByteArray("t"));
    }

    void readOffersNextByteOnlyAfterEcho()
    {
        Pc pc;
        pc.board.eeprom()[20] = 'x';
        pc.board.eeprom()[21] = 'y';
        QCOMPARE(pc.send("r" + transferBlock(20, 1)), QByteArray("rRx"));
        pc.wait(500ms);
        QCOMPARE(pc.take(), QByteArray());
        QCOMPARE(pc.send("x"), QByteArray("y"));
    }

    // The read-out echoes every byte it is offered but the last, then goes on with its
    // next command; a wrong byte on the line must reach the board as a wrong echo.
    void readOut_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QByteArray>("eeprom"); // at 16..20
        QTest::addColumn<QByteArray>("data");   // as the PC receives it
        QTest::addColumn<QByteArray>("after");  // sent once the data is in
        QTest::addColumn<QByteArray>("answer");
        const QStringList healthy;
        const QStringList swallow{"wrong-echo-as swallow"};
        QTest::newRow("next command instead of the last echo")
            << healthy << QByteArray("abcde") << QByteArray("abcde") << QByteArray("t")
            << QByteArray("t");
        QTest::newRow("swallowing board drops that command")
            << swallow << QByteArray("abcde") << QByteArray("abcde") << QByteArray("tt")
            << QByteArray("t");
        QTest::newRow("a command equal to the last byte is its echo")
            << healthy << QByteArray("abcdt") << QByteArray("abcdt") << QByteArray("tt")
            << QByteArray("t");
        QTest::newRow("corrupt t: the board answers each echo as a probe")
            << QStringList{"corrupt-byte 1:t"} << QByteArray("abcde") << QByteArray("atttt")
            << QByteArray("t") << QByteArray("t");
        QTest::newRow("corrupt t: swallowing board goes quiet")
            << QStringList{"wrong-echo-as swallow", "corrupt-byte 1:t"} << QByteArray("abcde")
            << QByteArray("at") << QByteArray("t") << QByteArray("t");
        QTest::newRow("corrupt last byte passes unseen")
            << QStringList{"corrupt-byte 4:0x00"} << QByteArray("abcde") << QByteArray("abcd\0", 5)
            << QByteArray("t") << QByteArray("t");
        QTest::newRow("corruption beyond the transfer")
            << QStringList{"corrupt-byte 5:t"} << QByteArray("abcde") << QByteArray("abcde")
            << QByteArray("t") << QByteArray("t");
    }
    void readOut()
    {
        QFETCH(QStringList, faults);
        QFETCH(QByteArray, eeprom);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, answer);
        Pc pc;
        pc.setFaults(faults);
        std::copy(eeprom.begin(), eeprom.end(), pc.board.eeprom().begin() + 16);
        QCOMPARE(pc.read(16, 4, 4), "rR" + data);
        QCOMPARE(pc.send(after), answer);
        QCOMPARE(pc.send("\xFF"), QByteArray()); // no longer in the transfer
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(&pc.board.eeprom()[16]), 5), eeprom);
    }

    void timeOutsReturnToCommandMode_data()
    {
        QTest::addColumn<QByteArray>("started");
        QTest::newRow("r without echo") << "r" + transferBlock(16, 4);
        QTest::newRow("w waiting for data") << "w" + transferBlock(16, 4);
        QTest::newRow("w parameters cut short") << QByteArray("w\x10", 2);
        QTest::newRow("g without select byte") << QByteArray("g");
    }
    void timeOutsReturnToCommandMode()
    {
        QFETCH(QByteArray, started);
        Pc pc;
        pc.send(started);
        QVERIFY(pc.board.nextEventTime().has_value());
        pc.wait(1100ms);
        QVERIFY(!pc.board.nextEventTime().has_value());
        // 't' would have been taken as data, an echo or a select byte before the time-out.
        QCOMPARE(pc.send("t"), QByteArray("t"));
    }

    // Requests the board refuses or drops, and the faults it can be told to show.
    void answers_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("answer");
        const QByteArray w4 = "w" + transferBlock(16, 3);
        const QByteArray r3 = "r" + transferBlock(16, 3);
        QTest::newRow("unknown select bytes")
            << QStringList() << bytes({'g', 0xC5, 'g', 0xE4, 't'}) << QByteArray("ggt");
        QTest::newRow("w bad checksum, nothing taken as data")
            << QStringList() << "w" + transferBlock(0, 3, 1) + "ABCD" << QByteArray("w?");
        QTest::newRow("r bad checksum, nothing taken as an echo")
            << QStringList() << "r" + transferBlock(0, 3, 1) + "\xFF\xFF" << QByteArray("r?");
        QTest::newRow("silent") << QStringList{"silent"} << QByteArray("tg\xC4", 3) << QByteArray();
        QTest::newRow("wrong echo for all")
            << QStringList{"wrong-echo ?"} << QByteArray("t") << QByteArray("?");
        QTest::newRow("wrong echo for s only, t")
            << QStringList{"wrong-echo ?:s"} << QByteArray("t") << QByteArray("t");
        QTest::newRow("wrong echo for s only, s")
            << QStringList{"wrong-echo ?:s"} << "s" + kSpeedBlock << QByteArray("?");
        QTest::newRow("noise before echo")
            << QStringList{"noise 0x00,0xAA"} << QByteArray("t") << bytes({0x00, 0xAA, 't'});
        QTest::newRow("extra after echo")
            << QStringList{"extra 0x55"} << QByteArray("t") << bytes({'t', 0x55});
        QTest::newRow("speed change refused")
            << QStringList{"refuse-speed-change"} << "s" + kSpeedBlock << QByteArray("s");
        QTest::newRow("W replaced")
            << QStringList{"wrong-ack ?:w"} << w4 + "AB" << QByteArray("w?");
        QTest::newRow("wrong echo at byte 2")
            << QStringList{"wrong-echo-at 2"} << w4 + "ABCD" << bytes({'w', 'W', 'A', 'B', 0xBC});
        QTest::newRow("w stops after 1 byte")
            << QStringList{"stop-after 1"} << w4 + "ABt" << QByteArray("wWAt");
        QTest::newRow("r stops after 2 bytes")
            << QStringList{"stop-after 2"} << r3 + "\xFF\xFF\xFF" << QByteArray("rR\xFF\xFF");
        QTest::newRow("r answers R alone")
            << QStringList{"stop-after 0"} << r3 + "\xFF" << QByteArray("rR");
        QTest::newRow("faults cleared")
            << QStringList{"silent", "silent off"} << QByteArray("t") << QByteArray("t");
    }
    void answers()
    {
        QFETCH(QStringList, faults);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, answer);
        Pc pc;
        pc.setFaults(faults);
        QCOMPARE(pc.send(input), answer);
        QCOMPARE(pc.board.baud(), 9600);
    }

    void waveforms_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<double>("phase");
        QTest::addColumn<double>("volts");
        const int sine = int(Input::Shape::Sine), tri = int(Input::Shape::Triangle),
                  sq = int(Input::Shape::Square);
        QTest::newRow("sine at 1/4") << sine << 0.25 << 4.5;
        QTest::newRow("triangle at 0") << tri << 0.0 << 0.5;
        QTest::newRow("triangle at 1/2") << tri << 0.5 << 4.5;
        QTest::newRow("triangle one period on") << tri << 1.25 << 2.5;
        QTest::newRow("square second half") << sq << 0.75 << 0.5;
    }
    void waveforms()
    {
        QFETCH(int, shape);
        QFETCH(double, phase);
        QFETCH(double, volts);
        const Input in{Input::Shape(shape), 2.5, 2.0, 4.0};
        const auto t = Micros(std::llround(phase * 4e6));
        QVERIFY2(std::abs(in.at(t) - volts) < 1e-9, qPrintable(QString::number(in.at(t))));
    }

    // ---- logging ----------------------------------------------------------------------

    void logsInChannelOrderFrom17()
    {
        Pc pc({.timeFactor = 10});
        pc.program({.configuration = 0xCC, .intervalUnits = 20000, .lastAddress = 0x1FFF});
        pc.board.powerCycle(0us);
        QVERIFY(pc.board.isLogging());
        pc.board.advance(350ms); // samples at 0, 100, 200 and 300 ms
        const auto &e = pc.board.eeprom();
        // CH2 (2.0 V) before CH1 (1.0 V) in every sample
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(e[std::size_t(17 + 2 * i)], quint8(102));
            QCOMPARE(e[std::size_t(18 + 2 * i)], quint8(51));
        }
        QCOMPARE(e[25], quint8(0xFF));
        QCOMPARE(pc.board.lastLoggedAddress(), 24);
        QCOMPARE(e[12] | e[13] << 8, 24);
        QCOMPARE(*pc.board.nextEventTime(), Micros(400ms));
    }

    void logStopsAtLastAddress_data()
    {
        QTest::addColumn<int>("lastAddress");
        QTest::addColumn<int>("expectedLast");
        QTest::newRow("mid-sample") << 21 << 21;
        QTest::newRow("end of a 24C64") << 0x1FFF << 0x1FFF;
        QTest::newRow("header claims a bigger chip") << 0x7FFF << 0x1FFF;
        QTest::newRow("no room at all") << 16 << 16;
    }
    void logStopsAtLastAddress()
    {
        QFETCH(int, lastAddress);
        QFETCH(int, expectedLast);
        Pc pc({.timeFactor = 1000});
        pc.program({.configuration = 0xF0, .intervalUnits = 20, .lastAddress = lastAddress});
        pc.board.powerCycle(0us);
        pc.board.advance(100s);
        QVERIFY(!pc.board.isLogging());
        QCOMPARE(pc.board.lastLoggedAddress(), expectedLast);
        const auto &e = pc.board.eeprom();
        QCOMPARE(e[0], quint8(0x41)); // the header survives a full log
        QCOMPARE(e[16], quint8(0xFF));
        if (expectedLast < 0x1FFF)
            QCOMPARE(e[std::size_t(expectedLast + 1)], quint8(0xFF));
    }

    void logAgainstCh4_data()
    {
        QTest::addColumn<double>("ch1");
        QTest::addColumn<double>("ch4");
        QTest::addColumn<int>("raw");
        QTest::newRow("a quarter of CH4") << 1.0 << 4.0 << 64;
        QTest::newRow("equal to CH4 clamps") << 3.0 << 3.0 << 255;
        QTest::newRow("CH4 at 0 V") << 1.0 << 0.0 << 255;
    }
    void logAgainstCh4()
    {
        QFETCH(double, ch1);
        QFETCH(double, ch4);
        QFETCH(int, raw);
        Pc pc;
        pc.board.setInput(0, Input::constant(ch1));
        pc.board.setInput(3, Input::constant(ch4));
        pc.program({.configuration = 0x8D, .intervalUnits = 20000, .lastAddress = 0x1FFF});
        pc.board.powerCycle(0us);
        QCOMPARE(pc.board.eeprom()[17], quint8(raw));
    }

    // With a time factor the log must look as if it ran in real time.
    void logTakesInputsAtBoardTime()
    {
        Pc pc({.timeFactor = 100});
        pc.board.setInput(0, {Input::Shape::Square, 2.5, 2.5, 2.0});
        pc.program({.configuration = 0x8C, .intervalUnits = 20000, .lastAddress = 0x1FFF});
        pc.board.powerCycle(0us);
        pc.board.advance(35ms); // four samples, one board second apart
        const auto &e = pc.board.eeprom();
        QCOMPARE(QList<int>({e[17], e[18], e[19], e[20]}), QList<int>({255, 0, 255, 0}));
    }

    void powerCycle()
    {
        Pc pc;
        pc.send("s" + kSpeedBlock);
        pc.board.receive('t', 19200, pc.t);
        pc.board.powerCycle(pc.t);
        QVERIFY(pc.board.takeOutput().empty()); // the pending echo died with the power
        QCOMPARE(pc.board.baud(), 9600);
        QVERIFY(!pc.board.isLogging()); // erased EEPROM: nothing to log
        QCOMPARE(pc.board.lastLoggedAddress(), 16);

        // A header written over the line starts a log at the next power-up.
        const auto header = LogSettings{0x8C, 20000, 0x1FFF}.headerBytes();
        QCOMPARE(pc.send("w" + transferBlock(0, 15)), QByteArray("wW"));
        for (auto b : header)
            pc.send(QByteArray(1, char(b)));
        pc.board.powerCycle(pc.t);
        QVERIFY(pc.board.isLogging());
        QCOMPARE(pc.board.lastLoggedAddress(), 17); // the first sample comes at once
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
