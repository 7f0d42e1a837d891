#include "cli/cli_options.h"

#include "cli/exit_codes.h"
#include "serial/com_ports.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace vemtra::cli {

namespace {

constexpr unsigned bit(Command c)
{
    return 1u << static_cast<unsigned>(c);
}

struct OptionRule {
    const char *name;
    bool takesValue;
    // Commands the option belongs to; 0 means every command.
    unsigned commands;
};

constexpr OptionRule kOptions[] = {
    {"port", true, 0},
    {"com", true, 0},
    {"trace", true, 0},
    {"count", true, bit(Command::Read)},
    {"reconnect", false, bit(Command::Read)},
    {"interval", true, bit(Command::Read) | bit(Command::Program) | bit(Command::Plot)},
    {"eeprom", true, bit(Command::Program)},
    {"vdd", true, bit(Command::Program)},
    {"vref-ch4", true, bit(Command::Program)},
    {"force", false, bit(Command::Program)},
    {"output", true, bit(Command::Readout) | bit(Command::Plot)},
    {"csv", true, bit(Command::Readout)},
    {"plot", true, bit(Command::Readout)},
    {"size", true, bit(Command::Plot)},
    {"version", false, 0},
};

std::optional<Command> commandNamed(const QString &word)
{
    if (word == QLatin1String("probe"))
        return Command::Probe;
    if (word == QLatin1String("read"))
        return Command::Read;
    if (word == QLatin1String("program"))
        return Command::Program;
    if (word == QLatin1String("readout"))
        return Command::Readout;
    if (word == QLatin1String("ports"))
        return Command::Ports;
    if (word == QLatin1String("plot"))
        return Command::Plot;
    if (word == QLatin1String("history"))
        return Command::History;
    return std::nullopt;
}

std::optional<int> wholeNumber(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || text.trimmed().startsWith(QLatin1Char('+')) || value < low || value > high)
        return std::nullopt;
    return value;
}

// "1,3" -> CH1 and CH3 ticked. Channels above `highest` cannot be logged in
// that column (the "Vref:CH4" column has no CH4).
std::optional<datalog::ChannelTicks> channelList(const QString &text, int highest)
{
    datalog::ChannelTicks ticks{};
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString &part : parts) {
        const auto channel = wholeNumber(part, 1, highest);
        if (!channel)
            return std::nullopt;
        ticks[std::size_t(*channel - 1)] = true;
    }
    return ticks;
}

std::optional<datalog::EepromKind> eepromNamed(const QString &text)
{
    for (auto kind :
         {datalog::EepromKind::C64, datalog::EepromKind::C128, datalog::EepromKind::C256})
        if (text.compare(QLatin1String(datalog::eepromType(kind).caption), Qt::CaseInsensitive) ==
            0)
            return kind;
    return std::nullopt;
}

// The file a path names, links followed, also when it does not exist yet:
// then its folder's real path and its name.
QString resolvedPath(const QString &path)
{
    QFileInfo info(path);
    for (int hops = 0; info.isSymLink() && !info.exists() && hops < 32; ++hops)
        info.setFile(info.symLinkTarget());
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return QDir::cleanPath((folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') +
                           info.fileName());
}

// vemtra-plot writes the format the name's extension says.
bool isPictureName(const QString &path)
{
    static const QStringList suffixes{QStringLiteral("png"), QStringLiteral("svg"),
                                      QStringLiteral("pdf")};
    return suffixes.contains(QFileInfo(path).suffix().toLower());
}

} // namespace

datalog::LogHeader CliOptions::logHeader() const
{
    const datalog::EepromType &type = datalog::eepromType(eeprom);
    return datalog::composeLogHeader(datalog::configurationByte(vdd, vrefCh4), intervalCount,
                                     type.endAdrHi, type.endAdrLo);
}

ParsedCommandLine parseCommandLine(const QStringList &arguments,
                                   const QProcessEnvironment &environment)
{
    ParsedCommandLine parsed;
    CliOptions &o = parsed.options;
    auto fail = [&](const QString &text) {
        parsed.error = text;
        return parsed;
    };

    QCommandLineParser parser;
    parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QString()));
    for (const OptionRule &option : kOptions)
        parser.addOption(
            QCommandLineOption(QLatin1String(option.name), QString(),
                               option.takesValue ? QStringLiteral("value") : QString()));
    // The parser reads on past its first fault, so help is still seen after one.
    const bool clean = parser.parse(QStringList{QStringLiteral("vemtra-cli")} + arguments);

    auto has = [&](const char *name) { return parser.isSet(QLatin1String(name)); };
    auto value = [&](const char *name) { return parser.value(QLatin1String(name)); };

    // Help wins even where it was swallowed as another option's value
    // ("--trace --help"). It touches no file, so the trace is left unopened.
    const QStringList optionPart = arguments.mid(0, arguments.indexOf(QLatin1String("--")));
    if (has("help") || optionPart.contains(QLatin1String("--help")) ||
        optionPart.contains(QLatin1String("-h"))) {
        o.command = Command::Help;
        return parsed;
    }
    if (has("version")) {
        o.command = Command::Version;
        return parsed;
    }

    // Known first, so even a refused command line leaves a trace that shows
    // nothing was sent.
    o.tracePath = value("trace");

    const QStringList given = parser.optionNames(); // in order, repeats kept
    if (!clean) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            return fail(QStringLiteral("unknown option %1%2")
                            .arg(unknown.first().size() == 1 ? "-" : "--", unknown.first()));
        for (const OptionRule &option : kOptions) {
            const QString name = QLatin1String(option.name);
            if (option.takesValue && given.count(name) > parser.values(name).size())
                return fail(QStringLiteral("--%1 needs a value").arg(name));
            const QString withValue = QStringLiteral("--%1=").arg(name);
            if (!option.takesValue &&
                std::any_of(optionPart.begin(), optionPart.end(),
                            [&](const QString &arg) { return arg.startsWith(withValue); }))
                return fail(QStringLiteral("--%1 takes no value").arg(name));
        }
        return fail(parser.errorText());
    }
    for (const OptionRule &option : kOptions)
        if (given.count(QLatin1String(option.name)) > 1)
            return fail(QStringLiteral("--%1 is given twice").arg(option.name));

    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return fail(QStringLiteral(
            "no command given (probe, read, program, readout, ports, plot or history)"));
    const auto command = commandNamed(words.first());
    if (!command)
        return fail(QStringLiteral("unknown command \"%1\"").arg(words.first()));
    const int wordsTaken = *command == Command::Plot ? 2 : *command == Command::History ? 3 : 1;
    if (words.size() > wordsTaken)
        return fail(QStringLiteral("unexpected argument \"%1\"").arg(words[wordsTaken]));
    o.command = *command;

    for (const OptionRule &option : kOptions)
        if (option.commands != 0 && !(option.commands & bit(o.command)) && has(option.name))
            return fail(
                QStringLiteral("--%1 is not an option of %2").arg(option.name, words.first()));

    // A picture needs no board.
    if (o.command == Command::Plot) {
        if (has("port") || has("com"))
            return fail(QStringLiteral("plot takes no port"));
        if (words.size() < 2 || words[1].isEmpty())
            return fail(QStringLiteral("plot needs the INPUT file to draw"));
        o.plotInput = words[1];
        o.plotPath = value("output");
        if (o.plotPath.isEmpty())
            return fail(QStringLiteral("plot needs --output FILE (.png, .svg or .pdf)"));
        if (!isPictureName(o.plotPath))
            return fail(QStringLiteral("--output %1: the name must end in .png, .svg or .pdf")
                            .arg(o.plotPath));
        o.plotInterval = value("interval");
        o.plotSize = value("size");
        return parsed;
    }

    // The library of kept read-outs is on this machine: no port either.
    if (o.command == Command::History) {
        if (has("port") || has("com"))
            return fail(QStringLiteral("history takes no --port or --com"));
        if (words.size() == 1)
            return parsed;
        o.historyVerb = words[1];
        if (o.historyVerb != QLatin1String("show") && o.historyVerb != QLatin1String("csv"))
            return fail(QStringLiteral("unknown history command \"%1\" (show or csv)")
                            .arg(o.historyVerb));
        if (words.size() < 3 || words[2].isEmpty())
            return fail(QStringLiteral("history %1 needs the ID of a kept read-out")
                            .arg(o.historyVerb));
        o.historyId = words[2];
        return parsed;
    }

    if (has("trace") && o.tracePath.isEmpty())
        return fail(QStringLiteral("--trace needs a file name"));
    // The device list needs no port.
    if (o.command == Command::Ports) {
        if (has("port") || has("com"))
            return fail(QStringLiteral("ports takes no --port or --com"));
        return parsed;
    }
    if (has("port") == has("com"))
        return fail(has("port") ? QStringLiteral("give either --port or --com, not both")
                                : QStringLiteral("no port given: use --port DEVICE or --com N"));
    if (has("port")) {
        o.device = value("port");
        if (o.device.isEmpty())
            return fail(QStringLiteral("--port needs a device"));
        // The serial port reads a bare name as one under /dev ("ttyUSB0"),
        // and so would a relative path; a path with a directory means a file
        // from here.
        if (o.device.contains(QLatin1Char('/')) && QDir::isRelativePath(o.device))
            o.device = QDir::cleanPath(QDir::current().absoluteFilePath(o.device));
    } else {
        const auto n = wholeNumber(value("com"), 1, 6);
        if (!n)
            return fail(QStringLiteral("--com must be 1 to 6, not \"%1\"").arg(value("com")));
        o.device = serial::comPortDevice(*n, environment);
    }

    switch (o.command) {
    case Command::Read: {
        if (has("count")) {
            const auto count = wholeNumber(value("count"), 0, 1000000000);
            if (!count)
                return fail(QStringLiteral("--count must be a whole number from 0, not \"%1\"")
                                .arg(value("count")));
            o.count = *count;
        }
        if (has("interval")) {
            const auto ms = wholeNumber(value("interval"), 0, 86400000);
            if (!ms)
                return fail(QStringLiteral("--interval must be 0 to 86400000 milliseconds, not "
                                           "\"%1\"")
                                .arg(value("interval")));
            o.intervalMs = *ms;
        }
        o.reconnect = has("reconnect");
        break;
    }
    case Command::Program: {
        if (!has("eeprom"))
            return fail(QStringLiteral("program needs --eeprom 24C64, 24C128 or 24C256"));
        const auto kind = eepromNamed(value("eeprom"));
        if (!kind)
            return fail(QStringLiteral("--eeprom must be 24C64, 24C128 or 24C256, not \"%1\"")
                            .arg(value("eeprom")));
        o.eeprom = *kind;

        if (has("vdd") == has("vref-ch4"))
            return fail(has("vdd") ? QStringLiteral("give either --vdd or --vref-ch4, not both")
                                   : QStringLiteral("program needs the channels to log: --vdd "
                                                    "LIST or --vref-ch4 LIST"));
        if (has("vdd")) {
            const auto ticks = channelList(value("vdd"), 4);
            if (!ticks)
                return fail(QStringLiteral("--vdd takes channels 1 to 4, e.g. 1,2; not \"%1\"")
                                .arg(value("vdd")));
            o.vdd = *ticks;
        } else {
            const auto ticks = channelList(value("vref-ch4"), 3);
            if (!ticks)
                return fail(QStringLiteral("--vref-ch4 takes channels 1 to 3 (CH4 is the "
                                           "reference), e.g. 1,3; not \"%1\"")
                                .arg(value("vref-ch4")));
            o.vrefCh4 = *ticks;
        }

        if (!has("interval"))
            return fail(QStringLiteral("program needs --interval SECONDS"));
        o.intervalText = value("interval").trimmed();
        const auto count = datalog::intervalCount(o.intervalText);
        if (!count || *count == 0)
            return fail(QStringLiteral("--interval must be seconds from 0.00005 to 107374.18, "
                                       "not \"%1\"")
                            .arg(value("interval")));
        o.intervalCount = *count;
        o.force = has("force");
        break;
    }
    case Command::Readout: {
        // "-" is standard output; the path is left empty so that nothing
        // takes it for a file name.
        auto file = [&](const char *name, QString &path, bool &toStdout) {
            if (!has(name))
                return true;
            path = value(name);
            toStdout = path == QLatin1String("-");
            if (toStdout)
                path.clear();
            return toStdout || !path.isEmpty();
        };
        if (!file("output", o.outputPath, o.outputToStdout))
            return fail(QStringLiteral("--output needs a file name"));
        if (!file("csv", o.csvPath, o.csvToStdout))
            return fail(QStringLiteral("--csv needs a file name"));
        if (has("plot")) {
            // Checked now rather than after a transfer of many seconds.
            o.plotPath = value("plot");
            if (!isPictureName(o.plotPath))
                return fail(QStringLiteral("--plot %1: the name must end in .png, .svg or .pdf")
                                .arg(o.plotPath));
            if (o.outputToStdout)
                return fail(QStringLiteral("--plot draws the data file: give --output a file"));
        }
        // The CSV is made from the finished data file; written over it, both
        // would be lost.
        if (has("csv") && (o.outputToStdout || o.csvToStdout
                               ? o.outputToStdout == o.csvToStdout
                               : resolvedPath(o.outputPath) == resolvedPath(o.csvPath)))
            return fail(QStringLiteral("--csv names the same file as the data file (--output): %1")
                            .arg(o.csvToStdout ? QStringLiteral("standard output")
                                               : QDir::toNativeSeparators(o.csvPath)));
        break;
    }
    default:
        break;
    }
    return parsed;
}

QString usageText()
{
    return QStringLiteral(
               "Usage: vemtra-cli (--port DEVICE | --com N) [--trace FILE] COMMAND [options]\n"
               "       vemtra-cli ports\n"
               "       vemtra-cli plot INPUT --output FILE [--interval S] [--size WxH]\n"
               "       vemtra-cli history [show ID | csv ID]\n"
               "\n"
               "Talks to the four-channel data-logger board without the window.\n"
               "\n"
               "Port:\n"
               "  --port DEVICE     the serial device: /dev/ttyUSB0, ttyUSB0 (under /dev), or\n"
               "                    a path from the current folder such as sim/b1\n"
               "  --com N           COM1..COM6 as the window maps them (VEMTRA_COM<N>, else\n"
               "                    the N-th standard serial port)\n"
               "  --trace FILE      write every byte sent and received, with a time stamp\n"
               "\n"
               "Commands:\n"
               "  probe             find the board at 9600 or 19200 bps and switch it to\n"
               "                    19200 bps\n"
               "  read              read the four channels; CSV on standard output:\n"
               "                    time,time_s,ch1_raw,ch1_V,...,ch4_raw,ch4_V (time: the\n"
               "                    PC's clock, ISO 8601; time_s: seconds from the first)\n"
               "    --count N       readings to take (default 1; 0 = until Ctrl-C)\n"
               "    --interval MS   milliseconds from one reading to the next (default 0)\n"
               "    --reconnect     when the port is lost, wait for that device to come back\n"
               "                    and go on (without it, read ends within 2 s with exit 3);\n"
               "                    only a port named by a symbolic link (/dev/serial/by-id/\n"
               "                    ...) or a USB device with a serial number is known again:\n"
               "                    on a bare /dev/pts/N or /dev/ttyUSBn read ends as without\n"
               "                    it\n"
               "  program           write the log header; logging starts at the board's\n"
               "                    next power-up\n"
               "    --eeprom TYPE   24C64, 24C128 or 24C256\n"
               "    --vdd LIST      channels logged against the supply, e.g. 1,2\n"
               "    --vref-ch4 LIST channels logged against CH4, from 1,2,3\n"
               "    --interval S    seconds between samples (0.00005 to 107374.18)\n"
               "    --force         program anyway: over a log that no read-out (here or in\n"
               "                    the window) has taken, or one that cannot be looked at\n"
               "  readout           read the log into the data file\n"
               "    --output FILE   the data file (default QEL_ADC.txt here); an earlier\n"
               "                    file is replaced only by a complete new one whose last\n"
               "                    bytes read alike a second time; - for standard output.\n"
               "                    Each such read-out is also kept in the history\n"
               "    --csv FILE      also write the log as CSV with the logger's own time\n"
               "                    (a file other than the data file; - for standard output)\n"
               "    --plot FILE     also draw the log as a chart (.png, .svg or .pdf)\n"
               "                    A FILE that is a device or named pipe (/dev/null,\n"
               "                    /dev/stdout, a FIFO) is written into, never replaced,\n"
               "                    once the read-out is complete and verified; a FIFO\n"
               "                    that no program reads then is a file error\n"
               "  ports             list the serial devices present (path, description,\n"
               "                    maker, serial number, USB ids) and the COMn each is\n"
               "                    assigned to; needs no --port or --com\n"
               "  plot INPUT        draw a data file or CSV as a chart, without a display\n"
               "                    (no port needed; runs vemtra-plot)\n"
               "    --output FILE   the picture: .png, .svg or .pdf\n"
               "    --interval S    seconds between the records of a bare data file\n"
               "    --size WxH      picture size in pixels (default 1000x600)\n"
               "                    A read-out kept in the history is drawn on its own\n"
               "                    time axis and reference unless --interval is given\n"
               "  history           the read-outs kept in the user's data folder (logs/),\n"
               "                    newest first, TAB-separated after a column row: id,\n"
               "                    time, eeprom, channels, reference, interval_s, records,\n"
               "                    comment (no port needed)\n"
               "    show ID         write that read-out's data file to standard output\n"
               "    csv ID          write it as CSV, as readout --csv does\n"
               "\n"
               "  --help            this text, whatever else is given\n"
               "  --version         the program's version\n"
               "\n"
               "Exit status:\n"
               "  %1  success\n"
               "  %2  bad arguments (nothing was sent), or no kept read-out has that ID\n"
               "  %3  no board: the port cannot be opened, is lost, or nothing answers\n"
               "  %4  protocol error: the board answered wrongly or stopped answering\n"
               "  %5  file error\n"
               "  %6  program refused: the board holds a log not read out (see --force)\n"
               "  %7 interrupted by Ctrl-C, SIGTERM or SIGHUP; earlier files are left as\n"
               "       they were, the port is closed and its lock file removed\n")
        .arg(kExitOk)
        .arg(kExitBadArguments)
        .arg(kExitNoBoard)
        .arg(kExitProtocolError)
        .arg(kExitFileError)
        .arg(kExitUnreadLog)
        .arg(kExitInterrupted);
}

} // namespace vemtra::cli
