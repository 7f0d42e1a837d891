#pragma once

// Every text the read-out and the log viewer show, in one place to audit.

#include <QString>

namespace vemtra::readout {
struct ReadoutResult;
}

namespace vemtra::readout::texts {

// Label9 when the last log programming failed.
inline constexpr char kCommError[] = "通信エラー";
// The OK/Cancel question before anything is read.
inline constexpr char kConfirmStore[] = "データを QEL_ADC.TXT ファイルに格納します。";
// Label9 for a header the read-out cannot trust (end address, channels, length).
inline constexpr char kEndAddressError[] = "ｺﾐﾆｭｹｰｼｮﾝ ｴﾗｰ";
// Label9 after the data file is complete.
inline constexpr char kReadFinished[] = "EEPROMデータリード終了。";
// Label9 while the read-out runs.
inline constexpr char kReading[] = "EEPROMリード中です。";
// The viewer's text until a data file has been loaded.
inline constexpr char kNoDataFile[] = "QEL_ADC.TXTﾌｧｲﾙが生成されていません。";
// The viewer's window title.
inline constexpr char kViewerCaption[] = "LOG_LIST";
// The viewer's button that opens the log as a chart.
inline constexpr char kGraphButton[] = "ロググラフ表示";
// No echo of "r" within 1 s.
inline constexpr char kEchoTimeout[] = "1.Read Timeout NG";
// Wrong echo of "r"; the received byte follows in decimal.
inline constexpr char kEchoNg[] = "1.Read NG ";
// No "R" and first byte within 1 s of the request.
inline constexpr char kAnswerTimeout[] = "2.Read Timeout";
// Wrong answer to the request; the received byte follows in decimal.
inline constexpr char kAnswerNg[] = "2.Read NG ";
// The data file, in the program folder.
inline constexpr char kDataFileName[] = "QEL_ADC.txt";
// A board that stops answering in the middle of a transfer.
inline constexpr char kByteTimeout[] = "3.Read Timeout NG";
// The data file could not be created or written; its path follows.
inline constexpr char kFileWriteError[] = "ﾌｧｲﾙ書込みｴﾗｰ ";
// The log's tail read a second time differs from the first read.
inline constexpr char kVerifyError[] = "ﾃﾞｰﾀ照合ｴﾗｰ";
// The read-out was stopped (中止, Esc, or the program closing); the earlier
// data file is kept.
inline constexpr char kCancelled[] = "ﾘｰﾄﾞ中止";
// The read-out was cut by the loss of the port COMn: stopped, and why, in
// the connection's words. The earlier data file is kept.
QString lineLost(int port);
// After kReadFinished when the read-out could not be kept in the library of
// read-outs (a full disk); the data file itself was written.
inline constexpr char kNotKept[] = "（読み出し履歴に保存できません）";
// In the progress bar after the percentage while reading; %1 is seconds.
inline constexpr char kTimeLeft[] = "残り %1 秒";

// The window of kept read-outs (ファイル → 読み出し履歴).
inline constexpr char kLibraryCaption[] = "読み出し履歴";
inline constexpr char kLibraryTime[] = "読み出し日時";
inline constexpr char kLibraryEeprom[] = "EEPROM";
inline constexpr char kLibraryChannels[] = "チャンネル";
inline constexpr char kLibraryReference[] = "基準";
inline constexpr char kLibraryInterval[] = "間隔(秒)";
inline constexpr char kLibraryRecords[] = "レコード数";
inline constexpr char kLibrarySpan[] = "記録時間";
inline constexpr char kLibraryComment[] = "コメント";
inline constexpr char kLibraryFilter[] = "絞り込み:";
inline constexpr char kLibraryOpenGraph[] = "ロググラフ表示";
inline constexpr char kLibraryExportCsv[] = "CSV出力...";
inline constexpr char kLibrarySaveData[] = "データ保存...";
inline constexpr char kLibraryDelete[] = "削除";
// The question before the selected read-outs go to the trash; %1 is how many.
inline constexpr char kLibraryDeleteQuestion[] = "選択した読み出し %1 件をごみ箱へ移動します。";
inline constexpr char kLibraryCsvCaption[] = "CSV出力";
inline constexpr char kLibraryCsvFilter[] = "CSV (*.csv)";
inline constexpr char kLibrarySaveCaption[] = "データ保存";
inline constexpr char kLibrarySaveFilter[] = "テキスト (*.txt)";
// The status line after an action; a path or a reason follows.
inline constexpr char kLibrarySaved[] = "保存しました:";
inline constexpr char kLibraryNotSaved[] = "保存できません:";
inline constexpr char kLibraryNotDeleted[] = "削除できません:";
inline constexpr char kLibraryCommentNotSaved[] = "コメントを保存できません:";

// Label9 after a failed read-out from COM`port`, made from how it ended;
// empty on success.
QString readoutFailure(const ReadoutResult &result, int port);

} // namespace vemtra::readout::texts
