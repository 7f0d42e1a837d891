#pragma once

// The LIVE_GRAPH window's texts.

#include <QString>

namespace vemtra::chart::live_texts {

inline QString windowTitle()
{
    return QStringLiteral("LIVE_GRAPH");
}
inline QString span()
{
    return QStringLiteral("表示範囲:");
}
// In the order of LiveGraphWindow::Span.
inline QStringList spans()
{
    return {QStringLiteral("10秒"), QStringLiteral("1分"), QStringLiteral("10分"),
            QStringLiteral("1時間"), QStringLiteral("全体")};
}
inline QString autoScale()
{
    return QStringLiteral("自動スケール");
}
inline QString pause()
{
    return QStringLiteral("一時停止");
}
inline QString resume()
{
    return QStringLiteral("再開");
}
inline QString saveImage()
{
    return QStringLiteral("画像保存...");
}
inline QString saveCsv()
{
    return QStringLiteral("CSV保存...");
}
inline QString imageFilter()
{
    return QStringLiteral("PNG 画像 (*.png);;SVG 画像 (*.svg);;PDF (*.pdf)");
}
inline QString csvFilter()
{
    return QStringLiteral("CSV ファイル (*.csv)");
}
inline QString time()
{
    return QStringLiteral("時刻");
}
inline QString volts()
{
    return QStringLiteral("電圧 [V]");
}
inline QString channel(int ch)
{
    return QStringLiteral("CH%1").arg(ch + 1);
}
inline QString plotHelp()
{
    return QStringLiteral("凡例のクリック: チャンネルの表示・非表示\n"
                          "一時停止中 ホイール: 拡大・縮小、ドラッグ: 移動");
}
inline QString silent()
{
    return QStringLiteral("---");
}
inline QString saveFailed(const QString &path)
{
    return QStringLiteral("保存できません: %1").arg(path);
}
inline QString csvSaved(qint64 rows, const QString &path)
{
    return QStringLiteral("%1 行を保存しました: %2").arg(rows).arg(path);
}

} // namespace vemtra::chart::live_texts
