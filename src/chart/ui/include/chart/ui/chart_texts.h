#pragma once

// Every text the chart windows show, in one place to audit: the axes, LOG_GRAPH
// and (in texts::live) LIVE_GRAPH. Texts are QString constants; a text that
// takes values is a function.

#include "chart/log_chart.h"

#include <QString>
#include <QStringList>

namespace vemtra::chart::texts {

// The axes of a log's chart.

inline const QString timeSeconds = QStringLiteral("時間 [s]");
inline const QString timeMinutes = QStringLiteral("時間 [min]");
inline const QString timeHours = QStringLiteral("時間 [h]");
inline const QString recordNumber = QStringLiteral("レコード番号");
inline const QString volts = QStringLiteral("電圧 [V]");
inline const QString fractionOfCh4 = QStringLiteral("CH4 に対する比");

inline QString timeAxis(TimeUnit unit)
{
    switch (unit) {
    case TimeUnit::Record:
        return recordNumber;
    case TimeUnit::Second:
        return timeSeconds;
    case TimeUnit::Minute:
        return timeMinutes;
    case TimeUnit::Hour:
        return timeHours;
    }
    return {};
}

inline QString valueAxis(bool referenceCh4)
{
    return referenceCh4 ? fractionOfCh4 : volts;
}

// LOG_GRAPH.

inline const QString windowTitle = QStringLiteral("LOG_GRAPH");
inline const QString openFile = QStringLiteral("ファイルを開く...");
inline const QString showAll = QStringLiteral("全体表示");
inline const QString saveImage = QStringLiteral("画像保存...");
inline const QString compare = QStringLiteral("比較...");
inline const QString exportCsv = QStringLiteral("表示範囲をCSV出力...");
inline const QString print = QStringLiteral("印刷...");
inline const QString csvFilter = QStringLiteral("CSV ファイル (*.csv)");
inline const QString compareSuffix = QStringLiteral(" 比較");
// The source line: "log.txt　比較: other.txt".
inline QString comparedWith(const QString &path)
{
    return QStringLiteral("\u3000比較: %1").arg(path);
}
inline const QString cursor1 = QStringLiteral("カーソル1");
inline const QString cursor2 = QStringLiteral("カーソル2");
inline const QString difference = QStringLiteral("差");
inline const QString timeRow = QStringLiteral("時間");
inline const QString recordRow = QStringLiteral("No.");
inline const QString deltaT = QStringLiteral("Δt ");
inline const QString minimum = QStringLiteral("最小");
inline const QString maximum = QStringLiteral("最大");
inline const QString mean = QStringLiteral("平均");
inline const QString statisticsTitle = QStringLiteral("表示範囲");
inline QString rangeCaption(int records)
{
    return QStringLiteral("表示範囲（%1 レコード）").arg(records);
}
inline const QString cursorsTitle = QStringLiteral("カーソル");
inline QString exportFailed(const QString &path)
{
    return QStringLiteral("CSV を保存できません: %1").arg(path);
}
inline const QString openFilter = QStringLiteral("ログデータ (*.txt *.csv);;すべてのファイル (*)");
inline const QString imageFilter =
    QStringLiteral("PNG 画像 (*.png);;SVG 画像 (*.svg);;PDF (*.pdf)");
inline const QString plotHelp =
    QStringLiteral("ホイール: 拡大・縮小（軸の上ではその軸だけ）\n"
                   "ドラッグ: 移動\n"
                   "Ctrl+ドラッグ: 囲んだ範囲を拡大\n"
                   "ダブルクリック: 全体表示\n"
                   "クリック / 右クリック: カーソル1 / カーソル2\n"
                   "Shift+← → / Ctrl+← →: カーソル1 / カーソル2 を1レコード移動\n"
                   "凡例のクリック: そのチャンネルの表示・非表示\n"
                   "← → ↑ ↓: 移動　+ −: 拡大・縮小　F, Home: 全体表示");
inline QString saveFailed(const QString &path)
{
    return QStringLiteral("画像を保存できません: %1").arg(path);
}
inline const QString badInterval = QStringLiteral("測定間隔が正しくありません。");

inline QString loadFailed(const LoadResult &result)
{
    const QString line = QString::number(result.line);
    switch (result.error) {
    case LoadError::None:
        return {};
    case LoadError::CannotOpen:
        return QStringLiteral("ファイルを開けません。(%1)").arg(result.detail);
    case LoadError::Empty:
        return QStringLiteral("ファイルにログがありません。");
    case LoadError::UnknownFormat:
        return QStringLiteral("QEL_ADC.txt でも CSV でもありません。(%1行目)").arg(line);
    case LoadError::BadChannelLine:
        return QStringLiteral("チャンネル行が正しくありません。(%1行目)").arg(line);
    case LoadError::BadRecord:
        return QStringLiteral("レコードが正しくありません。(%1行目)").arg(line);
    case LoadError::BadColumns:
        return QStringLiteral("CSV の列名が正しくありません。(%1行目)").arg(line);
    case LoadError::BadRow:
        return QStringLiteral("CSV の行が正しくありません。(%1行目)").arg(line);
    }
    return {};
}

// LIVE_GRAPH.
namespace live {
inline const QString windowTitle = QStringLiteral("LIVE_GRAPH");
inline const QString span = QStringLiteral("表示範囲:");
// In the order of LiveGraphWindow::Span.
inline const QStringList spans = {QStringLiteral("10秒"), QStringLiteral("1分"),
                                  QStringLiteral("10分"), QStringLiteral("1時間"),
                                  QStringLiteral("全体")};
inline const QString autoScale = QStringLiteral("自動スケール");
inline const QString pause = QStringLiteral("一時停止");
inline const QString resume = QStringLiteral("再開");
inline const QString saveCsv = QStringLiteral("CSV保存...");
inline const QString time = QStringLiteral("時刻");
inline QString channel(int ch)
{
    return QStringLiteral("CH%1").arg(ch + 1);
}
inline const QString plotHelp = QStringLiteral("凡例のクリック: チャンネルの表示・非表示\n"
                                               "一時停止中 ホイール: 拡大・縮小、ドラッグ: 移動");
inline const QString silent = QStringLiteral("---");
inline QString saveFailed(const QString &path)
{
    return QStringLiteral("保存できません: %1").arg(path);
}
inline QString csvSaved(qint64 rows, const QString &path)
{
    return QStringLiteral("%1 行を保存しました: %2").arg(rows).arg(path);
}
} // namespace live

} // namespace vemtra::chart::texts
