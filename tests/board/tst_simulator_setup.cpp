// The simulator's command line, its stdin commands and the pacing of its bytes:
// the parts of vemtra-board that run without a pseudo-terminal.

#include "board/output_pacer.h"
#include "board/simulator_commands.h"
#include "board/simulator_options.h"

#include <QtTest>

using namespace std::chrono_literals;
using namespace vemtra::board;

constexpr char kConst[] = "1 V,2 V,3 V,4 V";

namespace {

// What the command line decides that a table row can compare in one go.
QString summary(const SimulatorConfig &c)
{
    QStringList inputs;
    for (const auto &in : c.inputs)
        inputs << QString::fromStdString(describeInput(in));
    return QStringLiteral("eeprom=%1 baud=%2 log=%3 faults=%4 in=%5")
        .arg(c.engine.eepromBytes)
        .arg(c.engine.startBaud)
        .arg(int(c.engine.logAtPowerUp))
        .arg(QString::fromStdString(describeFaults(c.faults)))
        .arg(inputs.join(','));
}

std::vector<std::string> toArgs(const QStringList &list)
{
    std::vector<std::string> args;
    for (const auto &s : list)
        args.push_back(s.toStdString());
    return args;
}

} // namespace

class TestSimulatorSetup : public QObject {
    Q_OBJECT

private slots:
    void arguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected"); // a summary, or "error" when refused
        QTest::newRow("both forms, later wins")
            << QStringList{"--eeprom",           "24C256",   "--baud=19200", "--baud", "9600",
                           "--powered-with-log", "--inputs", "const"}
            << "eeprom=32768 baud=9600 log=1 faults=none in=" + QString(kConst);
        QTest::newRow("one channel over const inputs")
            << QStringList{"--inputs", "const", "--ch3", "square:1:0.5:2"}
            << "eeprom=8192 baud=9600 log=0 faults=none in=1 V,2 V,square:1:0.5:2,4 V";
        QTest::newRow("faults, a colon as the byte")
            << QStringList{"--inputs=const", "--silent", "--wrong-echo",    "::s",
                           "--corrupt-byte", "3::",      "--wrong-echo-as", "swallow"}
            << "eeprom=8192 baud=9600 log=0 faults=silent wrong-echo=0x3A:s "
               "corrupt-byte=3:0x3A wrong-echo-as=swallow in=" +
                   QString(kConst);
        const char *refused[][2] = {
            {"--fast", nullptr},      {"--baud", "38400"},        {"--eeprom", "24C512"},
            {"--time-factor", "0"},   {"--ch1", "sine:2.5:2"},    {"--wrong-ack", "?:t"},
            {"--corrupt-byte", "3"},  {"--corrupt-byte", "-1:0"}, {"--wrong-echo-as", "maybe"},
            {"--version=1", nullptr}, {"24C64", nullptr},         {"--link", nullptr},
        };
        for (const auto &r : refused) {
            QStringList args{r[0]};
            if (r[1])
                args << r[1];
            QTest::newRow(qPrintable(args.join(' '))) << args << "error";
        }
    }
    void arguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        const auto parsed = parseArguments(toArgs(args));
        if (expected == "error") {
            QVERIFY(!parsed.error.empty());
            return;
        }
        QVERIFY2(parsed.error.empty(), parsed.error.c_str());
        QCOMPARE(summary(parsed.config), expected);
    }

    // Every stdin command answers exactly one line, so a harness can wait for it.
    void commands_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("lastReply");
        QTest::addColumn<int>("action");
        const int none = int(CommandOutcome::Action::None);
        QTest::newRow("status") << QStringList{"status"}
                                << "baud=9600 logging=off last-logged=16 eeprom=8192 faults=none"
                                << none;
        QTest::newRow("fault then status")
            << QStringList{"fault wrong-echo ?:s", "fault stop-after 3", "status"}
            << "baud=9600 logging=off last-logged=16 eeprom=8192 faults=wrong-echo=?:s stop-after=3"
            << none;
        QTest::newRow("clear-faults")
            << QStringList{"fault silent", "clear-faults", "status"}
            << "baud=9600 logging=off last-logged=16 eeprom=8192 faults=none" << none;
        QTest::newRow("power") << QStringList{"power"} << "ok power not logging"
                               << int(CommandOutcome::Action::PowerCycled);
        QTest::newRow("quit") << QStringList{"quit"} << "ok quit"
                              << int(CommandOutcome::Action::Quit);
        QTest::newRow("unplug") << QStringList{"unplug"} << "ok unplug"
                                << int(CommandOutcome::Action::Unplug);
        QTest::newRow("bad channel")
            << QStringList{"set ch5 1"} << "error: usage: set chN INPUT" << none;
        QTest::newRow("bad fault")
            << QStringList{"fault loud"} << "error: no such fault: loud" << none;
        QTest::newRow("unknown") << QStringList{"reboot"}
                                 << "error: unknown command: reboot (see --help)" << none;
    }
    void commands()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, lastReply);
        QFETCH(int, action);
        BoardEngine board;
        CommandOutcome outcome;
        for (const auto &line : lines)
            outcome = runCommand(board, line.toStdString(), 0us);
        QCOMPARE(QString::fromStdString(outcome.reply), lastReply);
        QCOMPARE(int(outcome.action), action);
    }

    void dumpAndLoad()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::string image = dir.filePath("board.bin").toStdString();
        BoardEngine a;
        a.eeprom()[5] = 0x42;
        QCOMPARE(runCommand(a, "dump " + image, 0us).reply, "ok dump " + image);

        BoardEngine b;
        QCOMPARE(runCommand(b, "load " + image, 0us).reply, "ok load " + image);
        QCOMPARE(b.eeprom(), a.eeprom());
        QCOMPARE(eepromSizeOfFile(image), 8192);

        // An image of another chip is refused and leaves the EEPROM alone.
        BoardEngine big({.eepromBytes = 32768});
        QVERIFY(runCommand(big, "load " + image, 0us).reply.starts_with("error: "));
        QCOMPARE(big.eeprom().size(), 32768u);
        QCOMPARE(big.eeprom()[5], quint8(0xFF));
        QVERIFY(runCommand(b, "load " + image + ".missing", 0us).reply.starts_with("error: "));
    }

    void pacing_data()
    {
        QTest::addColumn<QList<int>>("notBefore"); // microseconds, one per byte
        QTest::addColumn<QList<int>>("baud");
        QTest::addColumn<QList<int>>("due"); // when each byte has fully gone out
        QTest::newRow("back to back at 9600")
            << QList<int>{0, 0, 0} << QList<int>{9600, 9600, 9600} << QList<int>{1042, 2084, 3126};
        QTest::newRow("held back")
            << QList<int>{5000, 0} << QList<int>{9600, 9600} << QList<int>{6042, 7084};
        QTest::newRow("idle line in between")
            << QList<int>{0, 10000} << QList<int>{9600, 9600} << QList<int>{1042, 11042};
        QTest::newRow("S at 9600, then 19200")
            << QList<int>{0, 0} << QList<int>{9600, 19200} << QList<int>{1042, 1563};
    }
    void pacing()
    {
        QFETCH(QList<int>, notBefore);
        QFETCH(QList<int>, baud);
        QFETCH(QList<int>, due);
        OutputPacer pacer;
        std::vector<OutByte> bytes;
        for (int i = 0; i < notBefore.size(); ++i)
            bytes.push_back({quint8(i), Micros(notBefore[i]), baud[i]});
        pacer.push(bytes);
        for (int i = 0; i < due.size(); ++i) {
            QCOMPARE(pacer.nextDue(), std::optional(Micros(due[i])));
            QVERIFY(pacer.takeDue(Micros(due[i] - 1)).empty()); // not a microsecond early
            const auto out = pacer.takeDue(Micros(due[i]));
            QCOMPARE(out.size(), 1u);
            QCOMPARE(out[0].value, quint8(i));
        }
        QVERIFY(!pacer.nextDue());
    }

    void pacingCatchesUpAfterALateLook()
    {
        OutputPacer pacer;
        pacer.push({{1, 0us, 9600}, {2, 0us, 9600}, {3, 0us, 9600}});
        QCOMPARE(pacer.takeDue(2500us).size(), 2u); // the third is still on the line
        QCOMPARE(pacer.takeDue(3126us).size(), 1u);
    }
};

QTEST_GUILESS_MAIN(TestSimulatorSetup)
#include "tst_simulator_setup.moc"
