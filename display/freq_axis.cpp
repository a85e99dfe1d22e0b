// SPDX-License-Identifier: MIT
#include "display/freq_axis.h"

#include "core/conventions.h"
#include "display/twips.h"
#include "scan/channel_plan.h"

namespace display {

namespace {

constexpr int GroupSpanF10 = scan::ChannelsPerGroup * scan::ChannelStepF10;
constexpr int FirstGroupF10 = scan::channelF10(scan::LowBandChannelCount);
constexpr int HighBandGroup = 8; // chkChGroup(8) is "Hi 1"
constexpr int ReadoutBoxMargin = 60;

QString rangeTip(int firstF10) {
    return scan::frequencyCaption(firstF10) + QStringLiteral(" - ") +
           scan::frequencyCaption(firstF10 + GroupSpanF10 - scan::ChannelStepF10);
}

// The group tips are worked out in MHz as 902.2 + 3.2 i, as the boxes have always shown them.
QString groupTip(int i) {
    const double first = 902.2 + 3.2 * i;
    return core::formatFreq(first) + QStringLiteral(" mHz - ") +
           core::formatFreq(first + 3.2 - 0.2) + QStringLiteral(" mHz");
}

QString groupCaption(int i) {
    return i < HighBandGroup ? QStringLiteral("Grp ") + QString::number(i + 1)
                             : QStringLiteral("Hi ") + QString::number(i - HighBandGroup + 1);
}

int groupCountFor(int freqHighLimit) {
    if (freqHighLimit <= scan::HighLimitChoicesF10[0])
        return 7;
    if (freqHighLimit <= scan::HighLimitChoicesF10[1])
        return 8;
    return 9;
}

BandBox bandBox(int index) {
    BandBox box;
    box.Caption = QStringLiteral("Lo ") + QString::number(index + 1);
    box.ToolTip = rangeTip(scan::FirstChannelF10 + index * GroupSpanF10);
    return box;
}

} // namespace

scan::FrequencyLimits withLowLimitPosition(scan::FrequencyLimits limits, int position) {
    if (position >= 1 && position <= 3)
        limits.FreqLowLimit = scan::LowLimitChoicesF10[position - 1];
    return limits;
}

scan::FrequencyLimits withHighLimitPosition(scan::FrequencyLimits limits, int position) {
    if (position >= 1 && position <= 3)
        limits.FreqHighLimit = scan::HighLimitChoicesF10[position - 1];
    return limits;
}

int slotCount(const scan::FrequencyLimits& limits) {
    // The difference is a 16-bit integer; the two divisions are done in double, in this order.
    const auto difference = static_cast<qint16>(limits.FreqHighLimit - limits.FreqLowLimit);
    return static_cast<int>(core::Int((difference / 10.0) / 0.2)) + 2;
}

qint32 chanWidthFor(qint32 plotWidth, int totalSlots) {
    if (totalSlots <= 0)
        return 0;
    return core::CLng(double(plotWidth) / totalSlots - 1).value_or(0);
}

FreqAxis BuildFreqAxis(const scan::FrequencyLimits& limits, int plotLeft, qint32 plotWidth,
                       int plotHeight) {
    FreqAxis axis;
    axis.Slots = slotCount(limits);
    axis.LowBandChannels = limits.lowBandChannels();
    axis.ChanWidth = chanWidthFor(plotWidth, axis.Slots);
    axis.PlotWidth = axis.Slots * axis.ChanWidth;
    axis.GroupWidth = scan::ChannelsPerGroup * axis.ChanWidth;
    axis.Separators.Height = plotHeight;

    const qint32 groupWidth = axis.GroupWidth;
    axis.LowBand1 = bandBox(0);
    axis.LowBand2 = bandBox(1);
    switch (axis.LowBandChannels) {
    case 16:
        axis.LowBand1.Check = CheckChange::Uncheck;
        axis.LowBand2.Visible = true;
        axis.LowBand2.Left = plotLeft;
        axis.Separators.Low2 = groupWidth - TwipsPerPixel;
        break;
    case 32:
        axis.LowBand1.Visible = true;
        axis.LowBand1.Check = CheckChange::Check;
        axis.LowBand1.Left = plotLeft;
        axis.LowBand2.Visible = true;
        axis.LowBand2.Check = CheckChange::Check;
        axis.LowBand2.Left = plotLeft + groupWidth;
        axis.Separators.Low1 = groupWidth - TwipsPerPixel;
        axis.Separators.Low2 = 2 * groupWidth - TwipsPerPixel;
        break;
    default:
        axis.LowBand1.Check = CheckChange::Uncheck;
        axis.LowBand2.Check = CheckChange::Uncheck;
        break;
    }

    const qint32 groupsLeft = axis.LowBandChannels * axis.ChanWidth;
    const int count = groupCountFor(limits.FreqHighLimit);
    for (int i = 0; i <= count; ++i) {
        GroupBox box;
        box.Left = plotLeft + groupsLeft + i * groupWidth + TwipsPerPixel;
        box.Caption = groupCaption(i);
        box.ToolTip = i == 0 ? rangeTip(FirstGroupF10) : groupTip(i);
        axis.Groups.push_back(box);
        // No separator follows the last group.
        if (i < count)
            axis.Separators.Group.push_back(groupsLeft + (i + 1) * groupWidth - TwipsPerPixel);
    }
    return axis;
}

int readoutBoxLeft(qint32 plotWidth, int boxWidth) {
    return plotWidth - boxWidth - ReadoutBoxMargin;
}

int slotAt(double x, qint32 chanWidth) {
    if (chanWidth <= 0)
        return 0;
    return nearest(core::Int(x / chanWidth));
}

SlotColumns slotColumns(int slot, qint32 chanWidth, int barGap) {
    SlotColumns columns;
    columns.Left = nearest(double(slot) * chanWidth / TwipsPerPixel);
    columns.Right = nearest(double(chanWidth) / TwipsPerPixel + columns.Left - barGap);
    return columns;
}

} // namespace display
