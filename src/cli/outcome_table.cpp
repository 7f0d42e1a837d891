#include "cli/outcome_table.h"

#include "cli/exit_codes.h"

namespace vemtra::cli {

namespace {

using serial::Outcome;

int exitCode(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Ok:
        return kExitOk;
    case Outcome::FileError:
        return kExitFileError;
    case Outcome::Cancelled:
        return kExitInterrupted;
    case Outcome::LineLost:
        return kExitNoBoard;
    case Outcome::NoEcho:
    case Outcome::WrongEcho:
    case Outcome::NoAnswer:
    case Outcome::WrongAnswer:
    case Outcome::ByteTimeout:
    case Outcome::WrongByte:
    case Outcome::HeaderNotUsable:
        break;
    }
    return kExitProtocolError;
}

// The step that failed, in the codes the window shows for the same step
// ("1.Read Timeout NG"), so a user can match the two. `name` is the
// exchange's: Read or Write.
QString stepText(const QString &name, Outcome outcome, std::uint8_t byte)
{
    switch (outcome) {
    case Outcome::NoEcho:
        return QStringLiteral("1.%1 Timeout NG").arg(name);
    case Outcome::WrongEcho:
        return QStringLiteral("1.%1 NG %2").arg(name).arg(byte);
    case Outcome::NoAnswer:
        return QStringLiteral("2.%1 Timeout").arg(name);
    case Outcome::WrongAnswer:
        return QStringLiteral("2.%1 NG %2").arg(name).arg(byte);
    case Outcome::ByteTimeout:
        return QStringLiteral("3.%1 Timeout NG").arg(name);
    case Outcome::WrongByte:
        return QStringLiteral("3.%1 NG %2").arg(name).arg(byte);
    case Outcome::HeaderNotUsable:
        return QStringLiteral("log header not usable");
    case Outcome::FileError:
        return QStringLiteral("file not written");
    case Outcome::Cancelled:
        return QStringLiteral("interrupted");
    case Outcome::LineLost:
        return QStringLiteral("line lost");
    case Outcome::Ok:
        break;
    }
    return QStringLiteral("no fault");
}

QString headerFaultText(const readout::LogExtent &extent)
{
    switch (extent.fault) {
    case readout::HeaderFault::EndAddressTooHigh:
    case readout::HeaderFault::LogTooLong:
        return QStringLiteral("end address %1 beyond any EEPROM").arg(extent.endAddress);
    case readout::HeaderFault::EndAddressBelowStart:
        return QStringLiteral("end address %1 below the data area").arg(extent.endAddress);
    case readout::HeaderFault::NoChannels:
        return QStringLiteral("data logged but no channel named");
    case readout::HeaderFault::EndBeyondChip:
        return QStringLiteral("end address %1 beyond the EEPROM's last address %2")
            .arg(extent.endAddress)
            .arg(extent.lastAddress);
    case readout::HeaderFault::None:
        break;
    }
    return QStringLiteral("unknown fault");
}

} // namespace

CliFailure readoutFailure(const readout::ReadoutResult &result, const QString &file,
                          const QString &lost)
{
    const int code = exitCode(result.outcome);
    switch (result.outcome) {
    case Outcome::FileError:
        return {code, QStringLiteral("cannot write %1%2; an earlier file was left as it was")
                          .arg(file, result.fileError.isEmpty()
                                         ? QString()
                                         : QStringLiteral(": ") + result.fileError)};
    case Outcome::WrongByte:
        return {code,
                QStringLiteral("read-out not trusted: the log's end read again differs first at "
                               "address %1 (%2, then %3); %4 was left as it was")
                    .arg(result.address)
                    .arg(result.byte)
                    .arg(result.byteAgain)
                    .arg(file)};
    case Outcome::HeaderNotUsable:
        return {code,
                QStringLiteral("the log header read back is not usable (%1); %2 was left as it was")
                    .arg(headerFaultText(readout::decodeLogHeader(result.header)), file)};
    case Outcome::LineLost:
        return {code, QStringLiteral("%1 during the read-out; %2 was left as it was").arg(lost, file)};
    case Outcome::Cancelled:
        return {code, QStringLiteral("read-out cancelled; %1 was left as it was").arg(file)};
    case Outcome::Ok:
    case Outcome::NoEcho:
    case Outcome::WrongEcho:
    case Outcome::NoAnswer:
    case Outcome::WrongAnswer:
    case Outcome::ByteTimeout:
        break;
    }
    return {code, QStringLiteral("read-out failed (%1); %2 was left as it was")
                      .arg(stepText(QStringLiteral("Read"), result.outcome, result.byte), file)};
}

CliFailure logLookFailure(const readout::ReadoutResult &result, const QString &lost)
{
    const QString what = result.outcome == Outcome::LineLost
                             ? QStringLiteral("%1 while looking at the board's log").arg(lost)
                             : QStringLiteral("cannot look at the board's log (%1)")
                                   .arg(stepText(QStringLiteral("Read"), result.outcome, result.byte));
    return {exitCode(result.outcome),
            what + QStringLiteral("; it may hold one not read out, so nothing was written")};
}

CliFailure headerWriteFailure(const datalog::LogWriteResult &result, const QString &lost)
{
    const QString what = result.outcome == Outcome::LineLost
                             ? QStringLiteral("%1 while writing the log header").arg(lost)
                             : QStringLiteral("writing the log header failed (%1)")
                                   .arg(stepText(QStringLiteral("Write"), result.outcome, result.byte));
    return {exitCode(result.outcome),
            what + (result.headerBytesSent > 0
                        ? QStringLiteral("; it may be partly written, program again")
                        : QString())};
}

QString speedChangeFailure(Outcome outcome, std::uint8_t byte)
{
    // The codes the window shows, the echo's misspelt "comand" put right.
    switch (outcome) {
    case Outcome::NoEcho:
        return QStringLiteral("s command NG");
    case Outcome::WrongEcho:
        return QStringLiteral("s command NG %1").arg(byte);
    case Outcome::NoAnswer:
    case Outcome::WrongAnswer:
        return QStringLiteral("S command NG %1").arg(byte);
    case Outcome::Ok:
    case Outcome::ByteTimeout:
    case Outcome::WrongByte:
    case Outcome::HeaderNotUsable:
    case Outcome::FileError:
    case Outcome::Cancelled:
    case Outcome::LineLost:
        break;
    }
    return stepText(QStringLiteral("Speed"), outcome, byte);
}

} // namespace vemtra::cli
