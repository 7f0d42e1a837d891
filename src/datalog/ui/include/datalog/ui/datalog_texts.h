#pragma once

// Every text the data-log set-up shows, in one place to audit. Texts are
// QString constants; a text that takes values is a function.

#include "serial/outcome.h"
#include "serial/ui/serial_texts.h"

#include <QString>

#include <cstdint>

namespace vemtra::datalog::texts {

// Label9 while the header is being written
inline const QString kInitialising = QStringLiteral("EEPROMの初期化中です。");
// Label9 after a good programming
inline const QString kLogStartsAfterPowerCycle =
    QStringLiteral("電源再投入後にﾛｸﾞが開始されます。");
// the message box after a good programming
inline const QString kLogStartsNotice = QStringLiteral("電源再投入後に、ﾛｸﾞが開始されます。");
// Label9 after a failed programming
inline const QString kProgramAgain = QStringLiteral("再度、ﾛｸﾞ設定をしてください。");
// no echo of "w"
inline const QString kWriteTimeout1 = QStringLiteral("1.Write Timeout NG");
// wrong echo of "w"; the reply byte follows in decimal
inline const QString kWriteNg1 = QStringLiteral("1.Write NG ");
// no acknowledgement "W"
inline const QString kWriteTimeout2 = QStringLiteral("2.Write Timeout");
// wrong acknowledgement; the reply byte follows
inline const QString kWriteNg2 = QStringLiteral("2.Write NG ");
// wrong echo of a header byte; the reply byte follows
inline const QString kWriteNg3 = QStringLiteral("3.Write NG ");
// put back into Text5 when it is emptied
inline const QString kDefaultInterval = QStringLiteral("1");
// Text3(0): first address of the data area
inline const QString kDataStart = QStringLiteral("16");

// Our own texts: a header echo that never comes, and an interval the board
// cannot take, refused before anything is sent.
inline const QString kWriteTimeout3 = QStringLiteral("3.Write Timeout NG");
inline const QString kIntervalRefused =
    QStringLiteral("ﾛｸﾞ間隔は0.00005～107374.18秒の数値で設定してください。");
// Label9 when the user chose to keep the board's log rather than program it.
inline const QString kProgrammingCancelled = QStringLiteral("ログ設定を中止しました。");

// Label9 after a programming cut by the loss of the port COMn: why, in the
// connection's words, then what to do.
inline QString lineLost(int port)
{
    return serial::texts::disconnected(port) + kProgramAgain;
}

// Label9 after a failed header write to COM`port`, for each way it can fail:
// the step's text, and the byte that came back where there was one. Empty for
// Ok.
inline QString writeFailure(serial::Outcome outcome, std::uint8_t byte, int port)
{
    using serial::Outcome;
    switch (outcome) {
    case Outcome::NoEcho:
        return kWriteTimeout1;
    case Outcome::WrongEcho:
        return kWriteNg1 + QString::number(byte);
    case Outcome::NoAnswer:
        return kWriteTimeout2;
    case Outcome::WrongAnswer:
        return kWriteNg2 + QString::number(byte);
    case Outcome::WrongByte:
        return kWriteNg3 + QString::number(byte);
    case Outcome::ByteTimeout:
        return kWriteTimeout3;
    case Outcome::LineLost:
        return lineLost(port);
    case Outcome::Cancelled:
        return kProgramAgain;
    case Outcome::Ok:
    case Outcome::HeaderNotUsable:
    case Outcome::FileError:
        break;
    }
    return {};
}

} // namespace vemtra::datalog::texts
