// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

// The channel plan: 192 channels of 0.2 MHz from 895.8 to 934.0 MHz. Frequencies are whole
// tenths of a MHz ("f10": 8958 is 895.8 MHz).
namespace scan {

constexpr int ChannelCount = 192;
constexpr int FirstChannelF10 = 8958;
constexpr int LastChannelF10 = 9340;
constexpr int ChannelStepF10 = 2;
constexpr int ChannelsPerGroup = 16;
// Channels below 902.2 MHz ("Lo 1" and "Lo 2"); channel 32 is the first of "Grp 1".
constexpr int LowBandChannelCount = 32;

// The band's limits. The window's lower frequency limit is one of LowLimitChoices (895.8, 899.0
// or 902.2 MHz, the edges of "Lo 1", "Lo 2" and "Grp 1"), its upper one of HighLimitChoices
// (927.6, 930.8 or 934.0 MHz, the tops of "Grp 8", "Hi 1" and "Hi 2"); 902.2 - 927.6 MHz, the
// groups "Grp 1" ... "Grp 8", is always inside them.
constexpr int LowLimitChoicesF10[] = {8958, 8990, 9022};
constexpr int HighLimitChoicesF10[] = {9276, 9308, 9340};
constexpr int CoreBandLowF10 = LowLimitChoicesF10[2];
constexpr int CoreBandHighF10 = HighLimitChoicesF10[0];

constexpr int channelF10(int index) {
    return FirstChannelF10 + ChannelStepF10 * index;
}
constexpr int channelIndexFromF10(int f10) {
    return (f10 - FirstChannelF10) / ChannelStepF10;
}
constexpr bool isChannelIndex(int index) {
    return index >= 0 && index < ChannelCount;
}
double channelMhz(int index);

// Index of a frequency reported in MHz: (MHz - 895.8) / 0.2 rounded, halves to even. The result
// may lie outside the plan; nullopt when it does not fit a 32-bit integer.
std::optional<int> channelIndexFromMhz(double mhz);

// "902.2": a frequency in tenths of a MHz in the "000.0" pattern.
QString frequencyText(int f10);
// "902.2 mHz": how the program shows a channel's frequency.
QString frequencyCaption(int f10);

} // namespace scan
