#pragma once

// The command line of vemtra-cli, checked in full before anything is sent to
// the board:
//
//   vemtra-cli (--port DEVICE | --com N) [--trace FILE] COMMAND [options]
//     probe
//     read     [--count N] [--interval MS] [--reconnect]
//     program  --eeprom 24C64|24C128|24C256 (--vdd LIST | --vref-ch4 LIST)
//              --interval SECONDS [--force]
//     readout  [--output FILE] [--csv FILE] [--plot FILE]
//   vemtra-cli plot INPUT --output FILE [--interval S] [--size WxH]
//   vemtra-cli ports
//   vemtra-cli history [show ID | csv ID]

#include "datalog/log_header.h"
#include "datalog/log_plan.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace vemtra::cli {

enum class Command { Help, Version, Probe, Read, Program, Readout, Ports, Plot, History };

struct CliOptions {
    Command command = Command::Help;
    QString device;    // from --port, or the device behind --com N
    QString tracePath; // --trace: every byte on the line, for diagnosis

    // read
    int count = 1;      // 0: until Ctrl-C
    int intervalMs = 0; // from the start of one reading of the four channels to the next
    bool reconnect = false; // a lost line: wait for the device and go on

    // program
    datalog::EepromKind eeprom = datalog::EepromKind::C64;
    datalog::ChannelTicks vdd{};
    datalog::ChannelTicks vrefCh4{};
    std::uint32_t intervalCount = 0; // 50 us steps
    QString intervalText;            // as given, for the report
    bool force = false;              // program over a log not read out

    // readout. "-" for either file means standard output: the path is then
    // empty and the matching flag set.
    QString outputPath = QStringLiteral("QEL_ADC.txt");
    QString csvPath;
    bool outputToStdout = false;
    bool csvToStdout = false;

    // plot, and readout --plot: the picture (.png, .svg or .pdf), drawn by
    // vemtra-plot. For plot, the file to draw, and what vemtra-plot is told.
    QString plotPath;
    QString plotInput;
    QString plotInterval; // seconds, as given
    QString plotSize;     // WxH, as given

    // history: "show" or "csv" and the kept read-out's id; both empty for the list.
    QString historyVerb;
    QString historyId;

    // The header `program` writes: the same bytes the window composes.
    datalog::LogHeader logHeader() const;
};

struct ParsedCommandLine {
    CliOptions options; // tracePath is set whenever --trace was readable, except for
                        // --help and --version, which never touch the line
    QString error;      // one English line; empty when the command line is good
    bool ok() const { return error.isEmpty(); }
};

// `arguments` without the program name. --com N uses the window's mapping of
// COM1..COM6, with `environment` supplying VEMTRA_COM<n>. A --port path with a
// directory in it is made absolute, so it is not taken for a name under /dev.
ParsedCommandLine
parseCommandLine(const QStringList &arguments,
                 const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

// The --help text, exit codes included.
QString usageText();

} // namespace vemtra::cli
