// SPDX-License-Identifier: MIT
#pragma once

#include "scan/channel_plan.h"
#include "scan/channel_state.h"

#include <QString>

#include <optional>
#include <vector>

// The frequency axis: which channels the plot shows, how wide a channel slot is, and where the
// band and group boxes and the separator lines above and on the plot go. Twips throughout;
// box positions are on the window, line positions relative to the plot.
namespace display {

constexpr int AxisBoxTop = 60;
constexpr int BarGapPixels = 2;

// The selectors' positions 1, 2 and 3. Any other position leaves the limits as they are.
scan::FrequencyLimits withLowLimitPosition(scan::FrequencyLimits limits, int position);
scan::FrequencyLimits withHighLimitPosition(scan::FrequencyLimits limits, int position);

// Slots on the plot: 128 for 902.2 - 927.6 MHz, 193 for 895.8 - 934.0 MHz.
int slotCount(const scan::FrequencyLimits& limits);
// Width of one slot for a plot of the given width.
qint32 chanWidthFor(qint32 plotWidth, int totalSlots);

enum class CheckChange { Keep, Check, Uncheck };

// "Lo 1" (chkLB1) or "Lo 2" (chkLB2). Left and Top apply only when the box is shown; a hidden
// box stays where it was.
struct BandBox {
    bool Visible = false;
    CheckChange Check = CheckChange::Keep;
    int Left = 0;
    int Top = AxisBoxTop;
    QString Caption;
    QString ToolTip;
};

// chkChGroup(i): "Grp 1" .. "Grp 8", "Hi 1", "Hi 2".
struct GroupBox {
    int Left = 0;
    int Top = AxisBoxTop;
    QString Caption;
    QString ToolTip;
};

// Vertical lines from the top to the bottom of the plot at X (relative to the plot); a line
// that is absent is hidden.
struct SeparatorLines {
    std::optional<int> Low1; // gridlineLow1
    std::optional<int> Low2; // gridLineLow2
    std::vector<int> Group;  // gridLineV(0 ..)
    int Height = 0;
};

struct FreqAxis {
    int Slots = 0;
    int LowBandChannels = 0;
    int BarGap = BarGapPixels; // pixels
    qint32 ChanWidth = 0;
    qint32 GroupWidth = 0;
    qint32 PlotWidth = 0; // Slots x ChanWidth
    BandBox LowBand1;
    BandBox LowBand2;
    std::vector<GroupBox> Groups; // chkChGroup(0 .. count): 8, 9 or 10 boxes
    SeparatorLines Separators;

    // The highest index of chkChGroup: 7, 8 or 9.
    int groupCount() const { return int(Groups.size()) - 1; }
};

// plotWidth is the width the window offers the plot before it is snapped to whole slots.
FreqAxis BuildFreqAxis(const scan::FrequencyLimits& limits, int plotLeft, qint32 plotWidth,
                       int plotHeight);

// The channel readout box sits at the plot's top right.
int readoutBoxLeft(qint32 plotWidth, int boxWidth);

// Slot of a channel: slot 0 is the channel at the lower frequency limit.
constexpr int slotOfChannel(int chan, int lowBandChannels) {
    return chan - scan::LowBandChannelCount + lowBandChannels;
}
constexpr int channelOfSlot(int slot, int lowBandChannels) {
    return slot + scan::LowBandChannelCount - lowBandChannels;
}
// The slot under a point x twips from the plot's left edge.
int slotAt(double x, qint32 chanWidth);

// Pixel columns of a slot's bar: left included, right excluded.
struct SlotColumns {
    int Left = 0;
    int Right = 0;
};
SlotColumns slotColumns(int slot, qint32 chanWidth, int barGap = BarGapPixels);

} // namespace display
