#pragma once

#include <array>

namespace vemtra::voltmeter {

// Drawing rules of the live graph GP1, in twips with the origin at the top left.
namespace graph {
inline constexpr int bottomMargin = 50;  // raw 0 sits this far above the bottom edge
inline constexpr int scaleReserve = 100; // height kept out of the vertical scale
inline constexpr int fullScale = 255;    // counts of the converter
inline constexpr int columnStep = 15;    // one column per tick: one pixel at 96 dpi
} // namespace graph

// Twips per raw count for a graph of the given height: (height − 100) / 255 rounded
// to the nearest integer, ties to even (6 for the design height 1525).
int verticalScale(int heightTwips);

// Where a reading is plotted: height − 50 − raw × scale. Readings the scale would
// lift above the top edge (246 and more at the design height) are kept on the top
// edge, so a full-scale input stays visible instead of vanishing.
int plotY(int raw, int heightTwips, int scale);

// Everything one tick draws, worked out from the sweep position and the readings.
struct GraphColumn {
    int x = 0;              // this tick's column: whitened, then the four points
    int cursorX = 0;        // grey cursor marking the next column
    int height = 0;         // both vertical lines run from 0 to this
    std::array<int, 4> y{}; // per channel, in the order CH1..CH4
    int nextX = 0;          // the sweep position for the following tick
};

// One column of the sweep at `x`. The sweep wraps to 0 once the next column would
// reach the width (the last column at the design width 4830 is 4815).
GraphColumn planColumn(int x, int widthTwips, int heightTwips, const std::array<int, 4> &raw);

} // namespace vemtra::voltmeter
