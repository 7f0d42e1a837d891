#pragma once

// The windows are laid out in twips, as designed; at 96 dots per inch 15 twips
// make one pixel. Every size and position goes through here, with one rule:
// the nearest whole pixel (design figures never fall on a half).

#include <QRect>
#include <QSize>

namespace vemtra::ui {

inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

constexpr QRect twips(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

constexpr QSize twipsSize(int width, int height)
{
    return QSize(twipsToPixels(width), twipsToPixels(height));
}

} // namespace vemtra::ui
