// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

#include <array>
#include <functional>
#include <optional>

// The channel readout: the box that shows the frequency and the levels of the channel under the
// pointer; and the legend. Twips throughout.
namespace display {

// Where the box goes when it follows the pointer: just above it, its left edge 60 twips left of
// it, kept inside the plot and clear of its top.
QPoint readoutBoxPosition(QPoint pointer, int plotWidth, QSize box);

// The channel of the plan under a point x twips from the plot's left edge; nullopt past either
// end of the plan.
std::optional<int> channelUnderPointer(int x, int chanWidth, int lowBandChannels);

// A channel's levels as the readout shows them: magnitudes, 87 for -87 dBm.
struct ReadoutLevels {
    int Last = 0;
    int Peak = 0;
    double Average = 0;
};

// "Freq: 915.0 mHz", "Last: -87", "Peak: -72", "Ave: -85.4", each line ending in CR LF but the
// last.
QString readoutText(int chan, const ReadoutLevels& levels);
// The frequency, an empty line and "DISABLED": the channel's group was switched off.
QString disabledReadoutText(int chan);

// The legend: its caption names the four colours, each followed by its swatch.
constexpr int LegendSwatchSize = 195;
struct LegendLayout {
    std::array<int, 4> SwatchLefts{}; // from the legend's left edge
    int Width = 0;                    // the legend box, at least its designed 3135
};
// Each swatch follows its word ("Last", "Peak", "Average", "Back") in the caption drawn at
// captionLeft, clear of the word and of the next, whatever the font makes of the caption's width.
// textWidth gives the width of a piece of the caption.
LegendLayout layoutLegend(const QString& caption, int captionLeft,
                          const std::function<int(const QString&)>& textWidth);

} // namespace display
