// The command line of vemtra-cli: what each command takes, the header that
// program composes, and every kind of input refused before the port is opened.

#include "cli/cli_options.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vemtra::cli;

namespace {

QStringList words(const QString &line)
{
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// One fact of the parsed command line, as text a table row can name.
QString fact(const CliOptions &o, const QString &key)
{
    static const char *const commands[] = {"help", "version", "probe",
                                           "read", "program", "readout"};
    const auto header = o.logHeader();
    const QByteArray headerBytes(reinterpret_cast<const char *>(header.data()),
                                 qsizetype(header.size()));
    const QMap<QString, QString> facts{
        {"command", commands[int(o.command)]},
        {"device", o.device},
        {"trace", o.tracePath},
        {"read", QStringLiteral("%1 every %2 ms").arg(o.count).arg(o.intervalMs)},
        {"header", headerBytes.toHex() + (o.force ? " forced" : "")},
        {"csv", (o.csvToStdout ? "stdout" : "") + o.csvPath},
        {"history", (o.command == Command::History ? "history " : "") + o.historyVerb + ' ' +
                        o.historyId},
    };
    return facts.value(key);
}

} // namespace

class TestCliOptions : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase();
    void parse_data();
    void parse();
};

void TestCliOptions::initTestCase()
{
    // Relative names resolve here: a folder "real", the link "d" to it, a
    // link "dz" to the file real/z.txt and a dangling link "dang".
    QVERIFY(dir.isValid() && QDir::setCurrent(dir.path()));
    QVERIFY(QDir().mkdir("real") && QFile("real/z.txt").open(QIODevice::WriteOnly));
    QVERIFY(QFile::link("real", "d") && QFile::link("real/z.txt", "dz"));
    QVERIFY(QFile::link("nowhere/x.txt", "dang"));
}

// A command line, and what it must come to: "fact=value", or "error=" and
// part of the one-line error.
void row(const char *name, const QString &line, const QString &expected)
{
    QTest::newRow(name) << line << expected;
}

void TestCliOptions::parse_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");

    row("relative path from here", "--port sim/b1 probe",
        "device=" + QDir::currentPath() + "/sim/b1");
    row("bare name left for /dev", "--port ttyUSB0 probe", "device=ttyUSB0");
    row("COM2 named by the environment", "--com 2 read", "device=/dev/pts/9");
    row("read", "read --port x --count 0 --interval 250", "read=0 every 250 ms");

    const QString pr = "--port x program ";
    row("24C128, all four, an hour, forced",
        pr + "--eeprom=24C128 --vdd=4,3,2,1 --interval=3600 --force",
        "header=414480fc00a24a041000ff3f1000ffff forced");

    row("CSV by the default name when the data goes to stdout",
        "--port x readout --output - --csv QEL_ADC.txt", "csv=QEL_ADC.txt");
    row("two files in a linked folder", "--port x readout --output d/a.txt --csv real/b.txt",
        "csv=real/b.txt");

    row("help over errors", "--trace /no/such/dir/t --bogus --help probe", "command=help");
    row("help leaves the trace unopened", "--trace t.txt -h", "trace=");

    row("nothing", "", "error=no command");
    row("unknown command", "--port x erase", "error=unknown command \"erase\"");
    row("unknown option", "--port x probe --speed 9600", "error=unknown option --speed");
    row("value missing", "--port x probe --trace", "error=--trace needs a value");
    row("no port", "probe", "error=no port given");
    row("port and COM", "--port x --com 1 probe", "error=not both");
    row("COM7", "--com 7 probe", "error=--com must be 1 to 6");
    row("device list with a COM", "--com 1 ports", "error=ports takes no --port or --com");

    row("count to probe", "--port x probe --count 3", "error=--count is not an option of probe");
    row("read interval in seconds", "--port x read --interval 1.5", "error=milliseconds");
    row("channel 5", pr + "--eeprom 24C64 --vdd 1,5 --interval 1", "error=--vdd takes channels");
    row("no interval", pr + "--eeprom 24C64 --vdd 1", "error=needs --interval");
    row("interval 0", pr + "--eeprom 24C64 --vdd 1 --interval 0", "error=--interval must be");

    row("same name", "--port x readout --output a.txt --csv ./a.txt", "error=same file");
    row("CSV over the default data file", "--port x readout --csv QEL_ADC.txt", "error=same file");
    row("new file through a folder link", "--port x readout --output d/n.txt --csv real/n.txt",
        "error=same file");
    row("file link", "--port x readout --output dz --csv real/z.txt", "error=same file");
    row("dangling link", "--port x readout --output nowhere/x.txt --csv dang", "error=same file");
    row("both to stdout", "--port x readout --output - --csv -", "error=same file");

    row("plot without a picture", "plot log.txt", "error=needs --output");
    row("plot to a bitmap", "plot log.txt --output a.bmp", "error=must end in .png");
    row("history list", "history", "history=history  ");
    row("history shows one", "history show 2026-12-07_101530_24C64",
        "history=history show 2026-12-07_101530_24C64");
    row("history as CSV", "history csv x", "history=history csv x");
    row("history without its ID", "history show", "error=needs the ID");
    row("history of another verb", "history rm x", "error=unknown history command");
    row("history with a port", "--port x history", "error=history takes no --port");
    row("history with more", "history csv a b", "error=unexpected argument \"b\"");
    row("readout plot of stdout", "--port x readout --output - --plot a.png",
        "error=give --output");
}

void TestCliOptions::parse()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QProcessEnvironment env;
    env.insert("VEMTRA_COM2", "/dev/pts/9");
    const ParsedCommandLine parsed = parseCommandLine(words(line), env);
    const QString key = expected.section('=', 0, 0);
    if (key == "error") {
        QVERIFY2(parsed.error.contains(expected.section('=', 1)), qPrintable(parsed.error));
        QVERIFY2(!parsed.error.contains('\n'), "an error is one line");
    } else {
        QVERIFY2(parsed.ok(), qPrintable(parsed.error));
        QCOMPARE(key + '=' + fact(parsed.options, key), expected);
    }
}

QTEST_GUILESS_MAIN(TestCliOptions)
#include "tst_cli_options.moc"
