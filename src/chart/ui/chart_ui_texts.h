#pragma once

// The LOG_GRAPH window's texts.

#include "chart/log_chart.h"

#include <QString>

namespace vemtra::chart::texts {

inline QString windowTitle()
{
    return QStringLiteral("LOG_GRAPH");
}
inline QString openFile()
{
    return QStringLiteral("ファイルを開く...");
}
inline QString showAll()
{
    return QStringLiteral("全体表示");
}
inline QString saveImage()
{
    return QStringLiteral("画像保存...");
}
inline QString compare()
{
    return QStringLiteral("比較...");
}
inline QString exportCsv()
{
    return QStringLiteral("表示範囲をCSV出力...");
}
inline QString print()
{
    return QStringLiteral("印刷...");
}
inline QString csvFilter()
{
    return QStringLiteral("CSV ファイル (*.csv)");
}
inline QString compareSuffix()
{
    return QStringLiteral(" 比較");
}
// The source line: "log.txt　比較: other.txt".
inline QString comparedWith(const QString &path)
{
    return QStringLiteral("\u3000比較: %1").arg(path);
}
inline QString cursor1()
{
    return QStringLiteral("カーソル1");
}
inline QString cursor2()
{
    return QStringLiteral("カーソル2");
}
inline QString difference()
{
    return QStringLiteral("差");
}
inline QString timeRow()
{
    return QStringLiteral("時間");
}
inline QString recordRow()
{
    return QStringLiteral("No.");
}
inline QString deltaT()
{
    return QStringLiteral("Δt ");
}
inline QString minimum()
{
    return QStringLiteral("最小");
}
inline QString maximum()
{
    return QStringLiteral("最大");
}
inline QString mean()
{
    return QStringLiteral("平均");
}
inline QString statisticsTitle()
{
    return QStringLiteral("表示範囲");
}
inline QString rangeCaption(int records)
{
    return QStringLiteral("表示範囲（%1 レコード）").arg(records);
}
inline QString cursorsTitle()
{
    return QStringLiteral("カーソル");
}
inline QString exportFailed(const QString &path)
{
    return QStringLiteral("CSV を保存できません: %1").arg(path);
}
inline QString openFilter()
{
    return QStringLiteral("ログデータ (*.txt *.csv);;すべてのファイル (*)");
}
inline QString imageFilter()
{
    return QStringLiteral("PNG 画像 (*.png);;SVG 画像 (*.svg);;PDF (*.pdf)");
}
inline QString plotHelp()
{
    return QStringLiteral("ホイール: 拡大・縮小（軸の上ではその軸だけ）\n"
                          "ドラッグ: 移動\n"
                          "Ctrl+ドラッグ: 囲んだ範囲を拡大\n"
                          "ダブルクリック: 全体表示\n"
                          "クリック / 右クリック: カーソル1 / カーソル2\n"
                          "Shift+← → / Ctrl+← →: カーソル1 / カーソル2 を1レコード移動\n"
                          "凡例のクリック: そのチャンネルの表示・非表示\n"
                          "← → ↑ ↓: 移動　+ −: 拡大・縮小　F, Home: 全体表示");
}
inline QString saveFailed(const QString &path)
{
    return QStringLiteral("画像を保存できません: %1").arg(path);
}
inline QString badInterval()
{
    return QStringLiteral("測定間隔が正しくありません。");
}

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

} // namespace vemtra::chart::texts
