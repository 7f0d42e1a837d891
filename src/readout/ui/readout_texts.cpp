#include "readout/ui/readout_texts.h"

#include "readout/readout_exchange.h"
#include "serial/ui/serial_texts.h"

#include <QDir>

namespace vemtra::readout::texts {

QString lineLost(int port)
{
    return QString::fromUtf8(kCancelled) + QLatin1Char(' ') + serial::texts::disconnected(port);
}

QString readoutFailure(const ReadoutResult &result, int port)
{
    using serial::Outcome;
    const auto u = [](const char *text) { return QString::fromUtf8(text); };
    const QString byte = QString::number(result.byte);
    switch (result.outcome) {
    case Outcome::NoEcho:
        return u(kEchoTimeout);
    case Outcome::WrongEcho:
        return u(kEchoNg) + byte;
    case Outcome::NoAnswer:
        return u(kAnswerTimeout);
    case Outcome::WrongAnswer:
        return u(kAnswerNg) + byte;
    case Outcome::ByteTimeout:
        return u(kByteTimeout);
    case Outcome::HeaderNotUsable:
        return u(kEndAddressError);
    case Outcome::WrongByte:
        return u(kVerifyError);
    case Outcome::FileError:
        return u(kFileWriteError) + QDir::toNativeSeparators(result.file) +
               (result.fileError.isEmpty() ? QString()
                                           : QStringLiteral(" (%1)").arg(result.fileError));
    case Outcome::Cancelled:
        return u(kCancelled);
    case Outcome::LineLost:
        return lineLost(port);
    case Outcome::Ok:
        break;
    }
    return {};
}

} // namespace vemtra::readout::texts
