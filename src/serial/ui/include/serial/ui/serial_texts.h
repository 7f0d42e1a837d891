#pragma once

// Every text the connection and the port dialogs show, in one place to audit.
// Texts are QString constants; a text that takes values is a function.

#include "serial/connect.h"
#include "serial/outcome.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace vemtra::serial::texts {

// Label5 for each step of the connection.
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

inline QString stage(ConnectStage stage)
{
    switch (stage) {
    case ConnectStage::Checking9600:
        return checking9600;
    case ConnectStage::Established9600:
        return established9600;
    case ConnectStage::Failed9600:
        return failed9600;
    case ConnectStage::Checking19200:
        return checking19200;
    case ConnectStage::Established19200:
        return established19200;
    case ConnectStage::FailedBoth:
        return failedBoth;
    case ConnectStage::Switched19200:
        return switched19200;
    }
    return {};
}

// Label5 once the chosen port COMn is lost.
inline QString disconnected(int n)
{
    return QStringLiteral("COM") + QString::number(n) + QStringLiteral("が切断されました。");
}

// Label9 when the speed change failed: NoEcho or WrongEcho for the "s",
// NoAnswer or WrongAnswer for the "S" (a missing "S" names the "s" echo's
// byte). Empty for what the speed change does not end in.
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
    case Outcome::Ok:
    case Outcome::ByteTimeout:
    case Outcome::WrongByte:
    case Outcome::HeaderNotUsable:
    case Outcome::FileError:
    case Outcome::Cancelled:
    case Outcome::LineLost:
        break;
    }
    return {};
}

// The port dialog frmOption.
inline const QString frmOptionCaption = QStringLiteral("通信ポート選択して下さい。");
inline const QString portOpenFailedTitle = QStringLiteral("ポートオープン失敗");
inline const QString noPortSelected = QStringLiteral("通信ポートを選択しませんでした。");
// Label5 once COMn is open.
inline QString portSelectedText(int n)
{
    return QStringLiteral("COM") + QString::number(n) + QStringLiteral("を選択しました。");
}
// The failure box: two lines one under the other. A lone carriage return would
// not break the line in a Qt message box, so the break is a line feed.
inline QString portOpenFailedText(int n)
{
    return QStringLiteral("COM") + QString::number(n) +
           QStringLiteral("のオープンに失敗しました。") + u'\n' +
           QStringLiteral("もう一度、ポート番号を設定してください。");
}

// The port assignment frmPortAssign.
inline const QString frmPortAssignCaption = QStringLiteral("ポート割り当て");
inline const QString connectedPorts = QStringLiteral("接続されているシリアルポート");
inline QStringList deviceColumns()
{
    return {QStringLiteral("デバイス"), QStringLiteral("説明"), QStringLiteral("メーカー"),
            QStringLiteral("シリアル番号"), QStringLiteral("USB ID")};
}
// A COM number's first choice: the platform's own device for it, named after this.
inline const QString standardPort = QStringLiteral("標準");
inline const QString cancel = QStringLiteral("キャンセル");
// A chosen device that is not there now.
inline QString notConnected(const QString &device)
{
    return QStringLiteral("%1 (未接続)").arg(device);
}

} // namespace vemtra::serial::texts
