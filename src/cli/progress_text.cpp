#include "cli/progress_text.h"

#include <cmath>

namespace vemtra::cli {

QString durationText(std::int64_t seconds)
{
    const std::int64_t h = seconds / 3600;
    const std::int64_t m = seconds / 60 % 60;
    const std::int64_t s = seconds % 60;
    const QChar zero = QLatin1Char('0');
    if (h > 0)
        return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, zero).arg(s, 2, 10, zero);
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, zero);
}

QString progressText(std::int64_t done, std::int64_t total, double elapsedSeconds)
{
    const int percent = total > 0 ? int(done * 100 / total) : 100;
    QString text = QStringLiteral("%1/%2 bytes  %3%").arg(done).arg(total).arg(percent);
    if (done <= 0 || !(elapsedSeconds > 0))
        return text + QStringLiteral("  - B/s  -:-- left");
    const double rate = double(done) / elapsedSeconds;
    const auto left = std::int64_t(std::ceil(double(total - done) / rate));
    return text + QStringLiteral("  %1 B/s  %2 left")
                      .arg(std::llround(rate))
                      .arg(durationText(std::max<std::int64_t>(0, left)));
}

} // namespace vemtra::cli
