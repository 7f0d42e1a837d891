#pragma once

// Finding the board and bringing the link to 19200 bps: the probe "t" at 9600 and
// 19200 bps, and the speed change "s"/"S" when the board answers only at 9600.

#include "serial/line.h"
#include "serial/outcome.h"

#include <QString>

#include <functional>

namespace vemtra::serial {

// What the connection writes into the status labels, in one place.
namespace texts {
inline const QString checking9600 = QStringLiteral("9600bps 通信確認中");
inline const QString established9600 = QStringLiteral("VEMTRA 9600bps 通信確立");
inline const QString failed9600 = QStringLiteral("VEMTRA 9600bps 通信失敗");
inline const QString checking19200 = QStringLiteral("19200bps 通信確認中");
inline const QString established19200 = QStringLiteral("VEMTRA 19200bps 通信確立");
inline const QString failedBoth = QStringLiteral("VEMTRA 9600/19200bps 通信失敗");
inline const QString switched19200 = QStringLiteral("19200bps 通信確立");
// Both NG texts end with a blank; the offending byte follows in decimal.
inline const QString sEchoNg = QStringLiteral("s comand NG ");
inline const QString sAckNg = QStringLiteral("S command NG ");
// Label5 once the chosen port COMn is lost.
inline QString disconnected(int n)
{
    return QStringLiteral("COM") + QString::number(n) + QStringLiteral("が切断されました。");
}

// Label9 when the speed change failed: NoEcho or WrongEcho for the "s",
// NoAnswer or WrongAnswer for the "S" (a missing "S" names the "s" echo's byte).
inline QString speedChangeFailure(Outcome outcome, std::uint8_t byte)
{
    switch (outcome) {
    case Outcome::NoEcho:
        return sEchoNg;
    case Outcome::WrongEcho:
        return sEchoNg + QString::number(byte);
    case Outcome::NoAnswer:
    case Outcome::WrongAnswer:
        return sAckNg + QString::number(byte);
    default:
        return {};
    }
}
} // namespace texts

// The voltmeter tick's pace for each line speed.
inline constexpr int timerInterval9600 = 50;
inline constexpr int timerInterval19200 = 20;

enum class ConnectOutcome {
    Found19200, // the board already ran at 19200 bps
    Switched,   // found at 9600 bps and switched to 19200 bps
    Only9600,   // found at 9600 bps, but the speed change failed
    NotFound,   // no answer at either speed
    PortClosed, // no port open: nothing was sent
};

struct ConnectResult {
    ConnectOutcome outcome = ConnectOutcome::PortClosed;
    int baud = 9600; // the line's speed afterwards
    int timerInterval = timerInterval9600;
    // How the speed change went (Ok when none was needed), with the byte its
    // failure names.
    Outcome speedChange = Outcome::Ok;
    std::uint8_t byte = 0;
    QString label5; // the status left in Label5
    QString label9; // the message left in Label9 (empty unless "s"/"S" failed)
};

// Told about each label change as it happens, so the user can follow the steps.
// Called on the thread that runs connectBoard; empty members are skipped.
struct ConnectObserver {
    std::function<void(const QString &)> label5;
    std::function<void(const QString &)> label9;
    std::function<void(int)> timerInterval;
};

// The whole connection on one line, as straight steps with a fixed 100 ms gap
// after each send and one look at what came back (about 0.3 s when the board
// runs at 19200 bps, 1.1 s with the speed change). Never throws.
ConnectResult connectBoard(Line &line, ConnectObserver &observer);

} // namespace vemtra::serial
