// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>

// The channel readout: the box that shows the frequency and the levels of the channel under the
// pointer. Twips throughout.
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

} // namespace display
