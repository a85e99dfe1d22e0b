// SPDX-License-Identifier: MIT
#pragma once

#include "core/conventions.h"

#include <limits>

// Positions of controls and lines are in twips; filled rectangles on the plot are in pixels. One
// pixel is 15 twips in both directions on every screen.
namespace display {

constexpr int TwipsPerPixel = 15;

// Twips to the nearest pixel, halves away from zero.
constexpr int toPixels(int twips) {
    return twips >= 0 ? (twips + TwipsPerPixel / 2) / TwipsPerPixel
                      : -((-twips + TwipsPerPixel / 2) / TwipsPerPixel);
}

// The whole number nearest to x, halves to the even neighbour, held to the int range.
inline int nearest(double x) {
    const double r = core::roundHalfEven(x);
    if (!(r > double(std::numeric_limits<int>::min())))
        return std::numeric_limits<int>::min();
    if (r > double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(r);
}

} // namespace display
