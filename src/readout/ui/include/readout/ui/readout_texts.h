#pragma once

// Every text the read-out, the log viewer and the window of kept read-outs
// show, in one place to audit. Texts are QString constants; a text that takes
// values is a function.

#include "readout/readout_exchange.h"
#include "serial/ui/serial_texts.h"

#include <QDir>
#include <QString>

namespace vemtra::readout::texts {

// Label9 when the last log programming failed.
inline const QString kCommError = QStringLiteral("通信エラー");
// The OK/Cancel question before anything is read.
inline const QString kConfirmStore = QStringLiteral("データを QEL_ADC.TXT ファイルに格納します。");
// Label9 for a header the read-out cannot trust (end address, channels, length).
inline const QString kEndAddressError = QStringLiteral("ｺﾐﾆｭｹｰｼｮﾝ ｴﾗｰ");
// Label9 after the data file is complete.
inline const QString kReadFinished = QStringLiteral("EEPROMデータリード終了。");
// Label9 while the read-out runs.
inline const QString kReading = QStringLiteral("EEPROMリード中です。");
// The viewer's text until a data file has been loaded.
inline const QString kNoDataFile = QStringLiteral("QEL_ADC.TXTﾌｧｲﾙが生成されていません。");
// The viewer's window title.
inline const QString kViewerCaption = QStringLiteral("LOG_LIST");
// The viewer's button that opens the log as a chart.
inline const QString kGraphButton = QStringLiteral("ロググラフ表示");
// No echo of "r" within 1 s.
inline const QString kEchoTimeout = QStringLiteral("1.Read Timeout NG");
// Wrong echo of "r"; the received byte follows in decimal.
inline const QString kEchoNg = QStringLiteral("1.Read NG ");
// No "R" and first byte within 1 s of the request.
inline const QString kAnswerTimeout = QStringLiteral("2.Read Timeout");
// Wrong answer to the request; the received byte follows in decimal.
inline const QString kAnswerNg = QStringLiteral("2.Read NG ");
// The data file, in the program folder.
inline const QString kDataFileName = QStringLiteral("QEL_ADC.txt");
// A board that stops answering in the middle of a transfer.
inline const QString kByteTimeout = QStringLiteral("3.Read Timeout NG");
// The data file could not be created or written; its path follows.
inline const QString kFileWriteError = QStringLiteral("ﾌｧｲﾙ書込みｴﾗｰ ");
// The log's tail read a second time differs from the first read.
inline const QString kVerifyError = QStringLiteral("ﾃﾞｰﾀ照合ｴﾗｰ");
// The read-out was stopped (中止, Esc, or the program closing); the earlier
// data file is kept.
inline const QString kCancelled = QStringLiteral("ﾘｰﾄﾞ中止");
// The read-out was cut by the loss of the port COMn: stopped, and why, in
// the connection's words. The earlier data file is kept.
inline QString lineLost(int port)
{
    return kCancelled + QLatin1Char(' ') + serial::texts::disconnected(port);
}
// After kReadFinished when the read-out could not be kept in the library of
// read-outs (a full disk); the data file itself was written.
inline const QString kNotKept = QStringLiteral("（読み出し履歴に保存できません）");
// In the progress bar after the percentage while reading; %1 is seconds.
inline const QString kTimeLeft = QStringLiteral("残り %1 秒");

// The window of kept read-outs (ファイル → 読み出し履歴).
inline const QString kLibraryCaption = QStringLiteral("読み出し履歴");
inline const QString kLibraryTime = QStringLiteral("読み出し日時");
inline const QString kLibraryEeprom = QStringLiteral("EEPROM");
inline const QString kLibraryChannels = QStringLiteral("チャンネル");
inline const QString kLibraryReference = QStringLiteral("基準");
inline const QString kLibraryInterval = QStringLiteral("間隔(秒)");
inline const QString kLibraryRecords = QStringLiteral("レコード数");
inline const QString kLibrarySpan = QStringLiteral("記録時間");
inline const QString kLibraryComment = QStringLiteral("コメント");
inline const QString kLibraryFilter = QStringLiteral("絞り込み:");
inline const QString kLibraryOpenGraph = QStringLiteral("ロググラフ表示");
inline const QString kLibraryExportCsv = QStringLiteral("CSV出力...");
inline const QString kLibrarySaveData = QStringLiteral("データ保存...");
inline const QString kLibraryDelete = QStringLiteral("削除");
// The question before the selected read-outs go to the trash; %1 is how many.
inline const QString kLibraryDeleteQuestion =
    QStringLiteral("選択した読み出し %1 件をごみ箱へ移動します。");
inline const QString kLibraryCsvCaption = QStringLiteral("CSV出力");
inline const QString kLibraryCsvFilter = QStringLiteral("CSV (*.csv)");
inline const QString kLibrarySaveCaption = QStringLiteral("データ保存");
inline const QString kLibrarySaveFilter = QStringLiteral("テキスト (*.txt)");
// The status line after an action; a path or a reason follows.
inline const QString kLibrarySaved = QStringLiteral("保存しました:");
inline const QString kLibraryNotSaved = QStringLiteral("保存できません:");
inline const QString kLibraryNotDeleted = QStringLiteral("削除できません:");
inline const QString kLibraryCommentNotSaved = QStringLiteral("コメントを保存できません:");

// Label9 after a failed read-out from COM`port`, made from how it ended;
// empty on success.
inline QString readoutFailure(const ReadoutResult &result, int port)
{
    using serial::Outcome;
    const QString byte = QString::number(result.byte);
    switch (result.outcome) {
    case Outcome::NoEcho:
        return kEchoTimeout;
    case Outcome::WrongEcho:
        return kEchoNg + byte;
    case Outcome::NoAnswer:
        return kAnswerTimeout;
    case Outcome::WrongAnswer:
        return kAnswerNg + byte;
    case Outcome::ByteTimeout:
        return kByteTimeout;
    case Outcome::HeaderNotUsable:
        return kEndAddressError;
    case Outcome::WrongByte:
        return kVerifyError;
    case Outcome::FileError:
        return kFileWriteError + QDir::toNativeSeparators(result.file) +
               (result.fileError.isEmpty() ? QString()
                                           : QStringLiteral(" (%1)").arg(result.fileError));
    case Outcome::Cancelled:
        return kCancelled;
    case Outcome::LineLost:
        return lineLost(port);
    case Outcome::Ok:
        break;
    }
    return {};
}

} // namespace vemtra::readout::texts
