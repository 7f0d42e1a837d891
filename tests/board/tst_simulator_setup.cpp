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

    // Every stdin command answers exactly one line, so a harness can wait for it: the
    // status, "ok ..." or "error: ...".
    void commands_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("reply"); // how the last reply starts
        QTest::addColumn<int>("action");
        using Action = CommandOutcome::Action;
        const auto row = [](const char *name, const QString &lines, const QString &reply,
                            Action action = Action::None) {
            QTest::newRow(name) << lines.split(';') << reply << int(action);
        };
        const QString idle = "baud=9600 logging=off last-logged=16 eeprom=8192 faults=";
        row("fault then status", "fault wrong-echo ?:s;fault stop-after 3;status",
            idle + "wrong-echo=?:s stop-after=3");
        row("clear-faults", "fault silent;clear-faults;status", idle + "none");
        row("power", "power", "ok power not logging", Action::PowerCycled);
        row("quit", "quit", "ok quit", Action::Quit);
        row("bad channel", "set ch5 1", "error: ");
        row("bad fault", "fault loud", "error: ");
        row("unknown", "reboot", "error: ");
    }
    void commands()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, reply);
        QFETCH(int, action);
        BoardEngine board;
        CommandOutcome outcome;
        for (const auto &line : lines)
            outcome = runCommand(board, line.toStdString(), 0us);
        QVERIFY2(QString::fromStdString(outcome.reply).startsWith(reply), outcome.reply.c_str());
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

};

QTEST_GUILESS_MAIN(TestSimulatorSetup)
#include "tst_simulator_setup.moc"
