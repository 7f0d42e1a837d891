#pragma once

// Every text the application shell shows, in one place so it can be checked
// against the design. UTF-8; half-width katakana and full-width blanks are
// part of the texts.

namespace vemtra::app::texts {

// Program identity, the version block and the About box's load-time texts.
inline constexpr char appTitle[] = "QEL-Vemtra";
inline constexpr char versionPrefix[] = "Version ";
inline constexpr char fileDescription[] = "VEMTRAコントロールソフトウエア。";
inline constexpr char commentText[] = "VEMTRAコントロールソフトウエア。";
inline constexpr char aboutCaptionSuffix[] = "のﾊﾞｰｼﾞｮﾝ情報";
inline constexpr char aboutVersionPrefix[] = "ﾊﾞｰｼﾞｮﾝ ";
inline constexpr char supportPrefix[] = "ｻﾎﾟｰﾄﾍﾟｰｼﾞ : ";

// frmAbout design-time texts (replaced at load).
inline constexpr char aboutDesignCaption[] = "ﾊﾞｰｼﾞｮﾝ情報";
inline constexpr char lblTitleDesign[] = "ｱﾌﾟﾘｹｰｼｮﾝ ﾀｲﾄﾙ";
inline constexpr char lblVersionDesign[] = "ﾊﾞｰｼﾞｮﾝ";
inline constexpr char lblDescriptionDesign[] = "ｱﾌﾟﾘｹｰｼｮﾝの説明";
inline constexpr char lblDisclaimerDesign[] = "警告: ...";
inline constexpr char cmdOK[] = "閉じる";
inline constexpr char Command1[] = "サポートホームページへジャンプ";

// Main window design-time texts.
inline constexpr char Check1[] = "電圧計 モード";
inline constexpr char Check1Tip[] = "開始/停止";
inline constexpr char CH1[] = "CH1";
inline constexpr char CH2[] = "CH2";
inline constexpr char CH3[] = "CH3";
inline constexpr char CH4[] = "CH4";
inline constexpr char readingPlaceholder[] = "-";
inline constexpr char Label16[] = "データログモード";
inline constexpr char Label1[] = "1.EEPROM設定";
inline constexpr char Option_64k[] = "24C64";
inline constexpr char Option_128k[] = "24C128";
inline constexpr char Option_256k[] = "24C256";
inline constexpr char Label3[] = "ﾘｰﾄﾞ開始ｱﾄﾞﾚｽ";
inline constexpr char Text3_0[] = "16";
inline constexpr char Label4[] = "ﾃﾞｰﾀ数(byte)";
inline constexpr char Text3_1[] = "8176";
inline constexpr char Label17[] = "2.ﾁｬﾝﾈﾙ選択";
inline constexpr char Label6[] = "Vref:VDD";
inline constexpr char Label7[] = "Vref:CH4";
inline constexpr char Label11[] = "3.ﾛｸﾞ間隔設定";
inline constexpr char Label8[] = "ログ間隔(秒)";
inline constexpr char Text5[] = "1";
inline constexpr char Text5Tip[] = "最小設定値：１";
inline constexpr char Label13[] = "測定時間(分)";
inline constexpr char Label21[] = "4.実行とﾘｰﾄﾞ";
inline constexpr char Command5[] = "ログ設定";
inline constexpr char arrow[] = "↓";
inline constexpr char Label15[] = "電源再投入で　ログスタート";
inline constexpr char Command2[] = "ログデータ　読み出し";
inline constexpr char Command4[] = "Show LOG";
// Beside the progress bar while a read-out runs.
inline constexpr char cmdStop[] = "中止";
inline constexpr char cmdStopTip[] = "読み出しを中止します (Esc)";

// Menus; the ampersand marks the access key.
inline constexpr char nmuFile[] = "ファイル(&F)";
inline constexpr char nmuCsvExport[] = "CSV出力(&S)...";
inline constexpr char nmuLogGraph[] = "ロググラフ表示(&G)";
inline constexpr char nmuReadoutLibrary[] = "読み出し履歴(&L)...";
inline constexpr char nmuLiveGraph[] = "ライブグラフ表示(&V)";
inline constexpr char nmuVoltRecordStart[] = "電圧計記録開始(&R)...";
inline constexpr char nmuVoltRecordStop[] = "電圧計記録停止(&R)";
inline constexpr char vemtra_exit[] = "終了(&E)";
inline constexpr char nmuOption[] = "オプション(&O)";
inline constexpr char nmuCOM[] = "Comポート選択(&C)";
inline constexpr char vemtra_init[] = "VEMTRA初期化(&I)";
inline constexpr char nmuPortAssign[] = "ポート割り当て(&A)...";
inline constexpr char nmuHelp[] = "ヘルプ(&H)";
inline constexpr char nmuHelpFile[] = "ヘルプ(&H)";
inline constexpr char nmuVer[] = "バージョン情報(&I)";

// progress_bar modes; compared exactly, case-sensitive.
inline constexpr char progressOn[] = "ON";
inline constexpr char progressOff[] = "OFF";

// What a screen reader says for controls whose caption is elsewhere on the
// form or that have none; the channel's name (CH1..CH4) goes before the first
// four.
inline constexpr char a11yReading[] = " 読み値";
inline constexpr char a11yVolts[] = " 電圧";
inline constexpr char a11yVdd[] = " Vref:VDD";
inline constexpr char a11yCh4[] = " Vref:CH4";
inline constexpr char a11yGraph[] = "電圧グラフ";
inline constexpr char a11yGraphDescription[] =
    "CH1〜CH4 の読み値を左から右へ描く4色のグラフ（電圧計 モードの間）";
inline constexpr char a11yProgress[] = "読み出しの進み具合";
inline constexpr char a11yConnection[] = "接続状態";
inline constexpr char a11yStatus[] = "状態";

// Chosen by this program: the About box notice, the help file.
inline constexpr char aboutNotice[] = "本ソフトウエアはVEMTRAボード専用です。";
inline constexpr char helpFileName[] = "vemtra-help.html";
inline constexpr char helpWindowTitle[] = "QEL-Vemtra ヘルプ";
inline constexpr char helpMissing[] = "ヘルプファイルが見つかりません: ";

// CSV export of the last read-out: the save dialog, and Label9 afterwards (the
// path or the error follows).
inline constexpr char csvDialogCaption[] = "CSV出力";
inline constexpr char csvDialogFilter[] = "CSV (*.csv)";
inline constexpr char csvSaved[] = "CSVファイルを保存しました。";
inline constexpr char csvError[] = "CSV出力エラー: ";
// The reasons after csvError; a path follows the last two.
inline constexpr char csvOverDataFile[] = "データファイルには保存できません。";
inline constexpr char csvNotWritten[] = "CSVファイルを作成できません。";
inline constexpr char csvNoData[] = "データファイルを読めません。";

// The voltmeter recorder: its save dialog, then Label9 while it records (%1 the
// rows) and when it ends (%1 the rows, %2 the file; the failure text ends with
// the system's reason).
inline constexpr char recordDialogCaption[] = "電圧計記録";
inline constexpr char recordRows[] = "電圧計記録中: %1 行";
inline constexpr char recordEnded[] = "電圧計記録終了: %1 行 %2";
inline constexpr char recordCannotStart[] = "電圧計記録を開始できません: ";
inline constexpr char recordWriteFailed[] =
    "電圧計記録を中止しました（書き込めません。記録済みの %1 行は残っています）: ";
// The question when the chosen file already holds recorded rows, and its
// answers in button order (the last is also Esc's).
inline constexpr char recordFileHoldsRows[] =
    "このファイルには電圧計記録があります。\n"
    "続けて記録を追加しますか？（置き換えると、今の記録は消去されます。）";
inline constexpr char recordAdd[] = "追加";
inline constexpr char recordReplace[] = "置き換え";
inline constexpr char recordCancel[] = "キャンセル";

// Before programming a board that holds a log no read-out has taken; %1 is
// the number of logged bytes.
inline constexpr char unreadLogQuestion[] =
    "ボードには読み出していないログデータ（%1 バイト）があります。\n"
    "ログ設定を行うと消去されます。続けますか？";
// Before programming a board whose log could not be looked at (it did not
// answer the read as it should): it may hold a log no read-out has taken.
inline constexpr char logNotLookedAtQuestion[] =
    "ボードのログデータを確認できませんでした。\n"
    "読み出していないログデータがあれば、ログ設定を行うと消去されます。続けますか？";

} // namespace vemtra::app::texts
