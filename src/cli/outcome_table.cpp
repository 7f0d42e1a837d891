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
    default:
        return kExitProtocolError;
    }
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

CliFailure readoutFailure(const readout::ReadoutResult &result, const QString &file)
{
    switch (result.outcome) {
    case Outcome::FileError:
        return {exitCode(result.outcome),
                QStringLiteral("cannot write %1%2; an earlier file was left as it was")
                    .arg(file, result.fileError.isEmpty()
                                   ? QString()
                                   : QStringLiteral(": ") + result.fileError)};
    case Outcome::WrongByte:
        return {exitCode(result.outcome),
                QStringLiteral("read-out not trusted: the log's end read again differs first at "
                               "address %1 (%2, then %3); %4 was left as it was")
                    .arg(result.address)
                    .arg(result.byte)
                    .arg(result.byteAgain)
                    .arg(file)};
    case Outcome::HeaderNotUsable:
        return {exitCode(result.outcome),
                QStringLiteral("the log header read back is not usable (%1); %2 was left as it was")
                    .arg(headerFaultText(readout::decodeLogHeader(result.header)), file)};
    default:
        return {exitCode(result.outcome),
                QStringLiteral("read-out failed (%1); %2 was left as it was")
                    .arg(result.message().trimmed(), file)};
    }
}

CliFailure logLookFailure(const readout::ReadoutResult &result)
{
    return {exitCode(result.outcome),
            QStringLiteral("cannot look at the board's log (%1); it may hold one not read out, "
                           "so nothing was written")
                .arg(result.message().trimmed())};
}

CliFailure lostLineFailure()
{
    return {exitCode(Outcome::LineLost), QStringLiteral("the serial line was lost")};
}

CliFailure headerWriteFailure(const datalog::LogWriteResult &result)
{
    return {exitCode(result.outcome),
            QStringLiteral("writing the log header failed (%1)%2")
                .arg(result.message().trimmed(),
                     result.headerBytesSent > 0
                         ? QStringLiteral("; it may be partly written, program again")
                         : QString())};
}

} // namespace vemtra::cli
