#include "voltmeter/graph_plot.h"

#include <algorithm>
#include <cmath>

namespace vemtra::voltmeter {

int verticalScale(int heightTwips)
{
    // nearbyint follows the default rounding mode, round-to-nearest-even.
    return static_cast<int>(
        std::nearbyint(double(heightTwips - graph::scaleReserve) / graph::fullScale));
}

int plotY(int raw, int heightTwips, int scale)
{
    return std::max(0, heightTwips - raw * scale - graph::bottomMargin);
}

GraphColumn planColumn(int x, int widthTwips, int heightTwips, const std::array<int, 4> &raw)
{
    GraphColumn column;
    column.x = x;
    column.cursorX = x + graph::columnStep;
    column.height = heightTwips;
    const int scale = verticalScale(heightTwips);
    for (std::size_t ch = 0; ch < raw.size(); ++ch)
        column.y[ch] = plotY(raw[ch], heightTwips, scale);
    column.nextX = x + graph::columnStep;
    if (column.nextX >= widthTwips)
        column.nextX = 0;
    return column;
}

} // namespace vemtra::voltmeter
