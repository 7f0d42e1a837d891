// The command line of vemtra-cli: what each command takes, the header that
// program composes, and every kind of input refused before the port is opened.

#include "cli/cli_options.h"

#include <QTest>

using namespace vemtra::cli;

namespace {

QProcessEnvironment environmentWithCom2()
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("VEMTRA_COM2"), QStringLiteral("/dev/pts/9"));
    return env;
}

QByteArray headerBytes(const CliOptions &options)
{
    const auto header = options.logHeader();
    return QByteArray(reinterpret_cast<const char *>(header.data()), qsizetype(header.size()));
}

} // namespace

class TestCliOptions : public QObject {
    Q_OBJECT

private slots:
    void deviceAndCommand_data();
    void deviceAndCommand();
    void programHeader_data();
    void programHeader();
    void refused_data();
    void refused();
    void helpWinsOverErrors();
};

void TestCliOptions::deviceAndCommand_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("device");

    QTest::newRow("port before command")
        << QStringList{"--port", "/dev/ttyUSB0", "probe"} << int(Command::Probe) << "/dev/ttyUSB0";
    QTest::newRow("port after command, with =")
        << QStringList{"probe", "--port=/dev/ttyUSB1"} << int(Command::Probe) << "/dev/ttyUSB1";
    QTest::newRow("COM2 named by the environment")
        << QStringList{"--com", "2", "read"} << int(Command::Read) << "/dev/pts/9";
    QTest::newRow("COM3 is the third standard port")
        << QStringList{"--com", "3", "readout"} << int(Command::Readout) << "/dev/ttyS2";
}

void TestCliOptions::deviceAndCommand()
{
    QFETCH(QStringList, args);
    QFETCH(int, command);
    QFETCH(QString, device);
    const ParsedCommandLine parsed = parseCommandLine(args, environmentWithCom2());
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    QCOMPARE(int(parsed.options.command), command);
    QCOMPARE(parsed.options.device, device);
}

void TestCliOptions::programHeader_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<bool>("force");

    QTest::newRow("24C64, CH1 on the supply, 1 s")
        << QStringList{"--eeprom", "24C64", "--vdd", "1", "--interval", "1"}
        << QByteArray::fromHex("4144808c204e00001000ff1f1000ffff") << false;
    QTest::newRow("24C256, CH2 and CH3 against CH4, 2 s")
        << QStringList{"--eeprom", "24c256", "--vref-ch4", "2,3", "--interval", "2"}
        << QByteArray::fromHex("4144806d409c00001000ff7f1000ffff") << false;
    QTest::newRow("24C128, all four, an hour, forced")
        << QStringList{"--eeprom=24C128", "--vdd=4,3,2,1", "--interval=3600", "--force"}
        << QByteArray::fromHex("414480fc00a24a041000ff3f1000ffff") << true;
    QTest::newRow("fraction of a second")
        << QStringList{"--eeprom", "24C64", "--vdd", "2", "--interval", "0.5"}
        << QByteArray::fromHex("4144804c102700001000ff1f1000ffff") << false;
}

void TestCliOptions::programHeader()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, header);
    QFETCH(bool, force);
    const ParsedCommandLine parsed =
        parseCommandLine(QStringList{"--port", "/dev/x", "program"} + args);
    QVERIFY2(parsed.ok(), qPrintable(parsed.error));
    QCOMPARE(headerBytes(parsed.options).toHex(), header.toHex());
    QCOMPARE(parsed.options.force, force);
}

void TestCliOptions::refused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");

    const QStringList port{"--port", "/dev/x"};
    const QStringList program = port + QStringList{"program"};
    const QStringList good{"--eeprom", "24C64", "--vdd", "1", "--interval", "1"};

    QTest::newRow("nothing") << QStringList{} << "no command";
    QTest::newRow("two commands") << port + QStringList{"probe", "read"} << "unexpected argument";
    QTest::newRow("unknown option")
        << port + QStringList{"probe", "--speed", "9600"} << "unknown option --speed";
    QTest::newRow("no port") << QStringList{"probe"} << "no port given";
    QTest::newRow("COM7") << QStringList{"--com", "7", "probe"} << "--com must be 1 to 6";
    QTest::newRow("option of another command")
        << program + good + QStringList{"--csv", "x.csv"} << "--csv is not an option of program";
    QTest::newRow("read interval not a number")
        << port + QStringList{"read", "--interval", "1.5"} << "milliseconds";

    QTest::newRow("no EEPROM") << program + QStringList{"--vdd", "1", "--interval", "1"}
                               << "needs --eeprom";
    QTest::newRow("EEPROM not offered")
        << program + QStringList{"--eeprom", "24C32", "--vdd", "1", "--interval", "1"}
        << "--eeprom must be";
    QTest::newRow("no channels") << program + QStringList{"--eeprom", "24C64", "--interval", "1"}
                                 << "needs the channels";
    QTest::newRow("both columns") << program + QStringList{"--eeprom",   "24C64", "--vdd",      "1",
                                                           "--vref-ch4", "2",     "--interval", "1"}
                                  << "not both";
    QTest::newRow("CH4 against itself")
        << program + QStringList{"--eeprom", "24C64", "--vref-ch4", "4", "--interval", "1"}
        << "--vref-ch4 takes channels 1 to 3";
    QTest::newRow("no interval") << program + QStringList{"--eeprom", "24C64", "--vdd", "1"}
                                 << "needs --interval";
    QTest::newRow("interval 0") << program + QStringList{"--eeprom", "24C64",      "--vdd",
                                                         "1",        "--interval", "0"}
                                << "--interval must be seconds";
}

void TestCliOptions::refused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    const ParsedCommandLine parsed = parseCommandLine(args);
    QVERIFY(!parsed.ok());
    QVERIFY2(parsed.error.contains(error), qPrintable(parsed.error));
    QVERIFY2(!parsed.error.contains('\n'), "an error is one line");
}

void TestCliOptions::helpWinsOverErrors()
{
    for (const QStringList &args : {QStringList{"--help"}, QStringList{"-h", "erase"},
                                    QStringList{"read", "--bogus", "--help"}}) {
        const ParsedCommandLine parsed = parseCommandLine(args);
        QVERIFY2(parsed.ok(), qPrintable(args.join(' ')));
        QCOMPARE(parsed.options.command, Command::Help);
    }
    QCOMPARE(parseCommandLine({"--version"}).options.command, Command::Version);
}

QTEST_GUILESS_MAIN(TestCliOptions)
#include "tst_cli_options.moc"
