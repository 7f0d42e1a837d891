#pragma once

// Every text the application shell shows, in one place so it can be checked
// against the design. UTF-8; half-width katakana and full-width blanks are
// part of the texts. Texts are QString constants; a text that takes values is
// a function.

#include <QString>
#include <QStringList>

namespace vemtra::app::texts {

// Program identity, the version block and the About box's load-time texts.
inline const QString appTitle = QStringLiteral("QEL-Vemtra");
inline const QString versionPrefix = QStringLiteral("Version ");
inline const QString fileDescription = QStringLiteral("VEMTRAコントロールソフトウエア。");
inline const QString commentText = QStringLiteral("VEMTRAコントロールソフトウエア。");
inline const QString aboutCaptionSuffix = QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報");
inline const QString aboutVersionPrefix = QStringLiteral("ﾊﾞｰｼﾞｮﾝ ");
inline const QString supportPrefix = QStringLiteral("ｻﾎﾟｰﾄﾍﾟｰｼﾞ : ");

// frmAbout design-time texts (replaced at load).
inline const QString aboutDesignCaption = QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報");
inline const QString lblTitleDesign = QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ ﾀｲﾄﾙ");
inline const QString lblVersionDesign = QStringLiteral("ﾊﾞｰｼﾞｮﾝ");
inline const QString lblDescriptionDesign = QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの説明");
inline const QString lblDisclaimerDesign = QStringLiteral("警告: ...");
inline const QString cmdOK = QStringLiteral("閉じる");
inline const QString Command1 = QStringLiteral("サポートホームページへジャンプ");

// Main window design-time texts.
inline const QString Check1 = QStringLiteral("電圧計 モード");
inline const QString Check1Tip = QStringLiteral("開始/停止");
inline const QString CH1 = QStringLiteral("CH1");
inline const QString CH2 = QStringLiteral("CH2");
inline const QString CH3 = QStringLiteral("CH3");
inline const QString CH4 = QStringLiteral("CH4");
inline const QString readingPlaceholder = QStringLiteral("-");
inline const QString Label16 = QStringLiteral("データログモード");
inline const QString Label1 = QStringLiteral("1.EEPROM設定");
inline const QString Option_64k = QStringLiteral("24C64");
inline const QString Option_128k = QStringLiteral("24C128");
inline const QString Option_256k = QStringLiteral("24C256");
inline const QString Label3 = QStringLiteral("ﾘｰﾄﾞ開始ｱﾄﾞﾚｽ");
inline const QString Text3_0 = QStringLiteral("16");
inline const QString Label4 = QStringLiteral("ﾃﾞｰﾀ数(byte)");
inline const QString Text3_1 = QStringLiteral("8176");
inline const QString Label17 = QStringLiteral("2.ﾁｬﾝﾈﾙ選択");
inline const QString Label6 = QStringLiteral("Vref:VDD");
inline const QString Label7 = QStringLiteral("Vref:CH4");
inline const QString Label11 = QStringLiteral("3.ﾛｸﾞ間隔設定");
inline const QString Label8 = QStringLiteral("ログ間隔(秒)");
inline const QString Text5 = QStringLiteral("1");
inline const QString Text5Tip = QStringLiteral("最小設定値：１");
inline const QString Label13 = QStringLiteral("測定時間(分)");
inline const QString Label21 = QStringLiteral("4.実行とﾘｰﾄﾞ");
inline const QString Command5 = QStringLiteral("ログ設定");
inline const QString arrow = QStringLiteral("↓");
inline const QString Label15 = QStringLiteral("電源再投入で　ログスタート");
inline const QString Command2 = QStringLiteral("ログデータ　読み出し");
inline const QString Command4 = QStringLiteral("Show LOG");
// Beside the progress bar while a read-out runs.
inline const QString cmdStop = QStringLiteral("中止");
inline const QString cmdStopTip = QStringLiteral("読み出しを中止します (Esc)");

// Menus; the ampersand marks the access key.
inline const QString nmuFile = QStringLiteral("ファイル(&F)");
inline const QString nmuCsvExport = QStringLiteral("CSV出力(&S)...");
inline const QString nmuLogGraph = QStringLiteral("ロググラフ表示(&G)");
inline const QString nmuReadoutLibrary = QStringLiteral("読み出し履歴(&L)...");
inline const QString nmuLiveGraph = QStringLiteral("ライブグラフ表示(&V)");
inline const QString nmuVoltRecordStart = QStringLiteral("電圧計記録開始(&R)...");
inline const QString nmuVoltRecordStop = QStringLiteral("電圧計記録停止(&R)");
inline const QString vemtra_exit = QStringLiteral("終了(&E)");
inline const QString nmuOption = QStringLiteral("オプション(&O)");
inline const QString nmuCOM = QStringLiteral("Comポート選択(&C)");
inline const QString vemtra_init = QStringLiteral("VEMTRA初期化(&I)");
inline const QString nmuPortAssign = QStringLiteral("ポート割り当て(&A)...");
inline const QString nmuHelp = QStringLiteral("ヘルプ(&H)");
inline const QString nmuHelpFile = QStringLiteral("ヘルプ(&H)");
inline const QString nmuVer = QStringLiteral("バージョン情報(&I)");

// progress_bar modes; compared exactly, case-sensitive.
inline const QString progressOn = QStringLiteral("ON");
inline const QString progressOff = QStringLiteral("OFF");

// What a screen reader says for controls whose caption is elsewhere on the
// form or that have none; the channel's name (CH1..CH4) goes before the first
// four.
inline const QString a11yReading = QStringLiteral(" 読み値");
inline const QString a11yVolts = QStringLiteral(" 電圧");
inline const QString a11yVdd = QStringLiteral(" Vref:VDD");
inline const QString a11yCh4 = QStringLiteral(" Vref:CH4");
inline const QString a11yGraph = QStringLiteral("電圧グラフ");
inline const QString a11yGraphDescription =
    QStringLiteral("CH1〜CH4 の読み値を左から右へ描く4色のグラフ（電圧計 モードの間）");
inline const QString a11yProgress = QStringLiteral("読み出しの進み具合");
inline const QString a11yConnection = QStringLiteral("接続状態");
inline const QString a11yStatus = QStringLiteral("状態");

// Chosen by this program: the About box notice, the help file.
inline const QString aboutNotice = QStringLiteral("本ソフトウエアはVEMTRAボード専用です。");
inline const QString helpFileName = QStringLiteral("vemtra-help.html");
inline const QString helpWindowTitle = QStringLiteral("QEL-Vemtra ヘルプ");
inline const QString helpMissing = QStringLiteral("ヘルプファイルが見つかりません: ");

// CSV export of the last read-out: the save dialog, and Label9 afterwards (the
// path or the error follows).
inline const QString csvDialogCaption = QStringLiteral("CSV出力");
inline const QString csvDialogFilter = QStringLiteral("CSV (*.csv)");
inline const QString csvSaved = QStringLiteral("CSVファイルを保存しました。");
inline const QString csvError = QStringLiteral("CSV出力エラー: ");
// The reasons after csvError; a path follows the last two.
inline const QString csvOverDataFile = QStringLiteral("データファイルには保存できません。");
inline const QString csvNotWritten = QStringLiteral("CSVファイルを作成できません。");
inline const QString csvNoData = QStringLiteral("データファイルを読めません。");

// The voltmeter recorder: its save dialog, then Label9 while it records (%1 the
// rows) and when it ends (%1 the rows, %2 the file; the failure text ends with
// the system's reason).
inline const QString recordDialogCaption = QStringLiteral("電圧計記録");
inline const QString recordRows = QStringLiteral("電圧計記録中: %1 行");
inline const QString recordEnded = QStringLiteral("電圧計記録終了: %1 行 %2");
inline const QString recordCannotStart = QStringLiteral("電圧計記録を開始できません: ");
inline const QString recordWriteFailed =
    QStringLiteral("電圧計記録を中止しました（書き込めません。記録済みの %1 行は残っています）: ");
// The question when the chosen file already holds recorded rows, and its
// answers in button order (the last is also Esc's).
inline const QString recordFileHoldsRows =
    QStringLiteral("このファイルには電圧計記録があります。\n"
                   "続けて記録を追加しますか？（置き換えると、今の記録は消去されます。）");
inline const QString recordAdd = QStringLiteral("追加");
inline const QString recordReplace = QStringLiteral("置き換え");
inline const QString recordCancel = QStringLiteral("キャンセル");

// Before programming a board that holds a log no read-out has taken; %1 is
// the number of logged bytes.
inline const QString unreadLogQuestion =
    QStringLiteral("ボードには読み出していないログデータ（%1 バイト）があります。\n"
                   "ログ設定を行うと消去されます。続けますか？");
// Before programming a board whose log could not be looked at (it did not
// answer the read as it should): it may hold a log no read-out has taken.
inline const QString logNotLookedAtQuestion = QStringLiteral(
    "ボードのログデータを確認できませんでした。\n"
    "読み出していないログデータがあれば、ログ設定を行うと消去されます。続けますか？");

// The box when a chart window cannot open: the chart module is not where the
// program looks (its file name, then the folders looked in), or it is there
// but will not load (its path, then the reason in Qt's words).
inline const QString chartModuleTitle = QStringLiteral("グラフ表示エラー");
inline QString chartModuleMissing(const QString &file, const QStringList &folders)
{
    return QStringLiteral("グラフ表示モジュール %1 が見つかりません。\n探した場所:\n%2")
        .arg(file, folders.join(QLatin1Char('\n')));
}
inline QString chartModuleRefused(const QString &path, const QString &reason)
{
    return QStringLiteral("グラフ表示モジュールを読み込めません。\n%1\n%2").arg(path, reason);
}

} // namespace vemtra::app::texts
