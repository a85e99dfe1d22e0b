// SPDX-License-Identifier: MIT
#pragma once

#include <QRgb>
#include <QVector>

#include <array>

// Colours of the waterfall. Its pixels hold level codes (see survey/level_codes.h), so the
// colour table alone decides how a level looks: changing the scale repaints nothing else.
namespace display {

// 256 colours from dark violet through blue and green to yellow, lightness rising evenly with
// the index (viridis-like): weak levels dark, strong ones bright, readable in grey too.
const std::array<QRgb, 256>& levelColorMap();

// The levels the colour map spans; weaker levels take its first colour, stronger its last.
struct LevelScale {
    int WeakDbm = -120;
    int StrongDbm = -40;
};

QRgb levelColor(int dbm, const LevelScale& scale);

// Colours of codes without a level: red for no reading and grey for a switched-off group, far
// from every colour of the level map and from the white around the rows. Channels outside the
// limits and rows no loop reached yet never appear among the rows drawn.
inline constexpr QRgb NoReadingColor = 0xffd62728; // the radio gave no usable level
inline constexpr QRgb GroupOffColor = 0xff8c8c8c;  // the channel's group was switched off
inline constexpr QRgb OutOfRangeColor = 0xffd2d2d2;
inline constexpr QRgb EmptyColor = 0xff000000;

// Pixel value of a row that no loop reached yet.
constexpr unsigned char EmptyPixel = 255;

// The colour table for pixels that hold codes: 1..199 by the scale, the rest fixed.
QVector<QRgb> codeColorTable(const LevelScale& scale);

} // namespace display
