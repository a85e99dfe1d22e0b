// SPDX-License-Identifier: MIT
#pragma once

#include "scan/channel_plan.h"

#include <array>

namespace scan {

// Level codes of a channel that a sweep skips; a measured channel's code is its level magnitude.
constexpr unsigned char GroupOffCode = 200;   // its group box is unchecked
constexpr unsigned char OutOfRangeCode = 201; // it lies outside the frequency limits

// The displayed frequency range, in tenths of a MHz: the window's limits are among the band's
// limit choices (channel_plan.h); a recorder may choose any channels of the plan.
struct FrequencyLimits {
    int FreqLowLimit = CoreBandLowF10;
    int FreqHighLimit = CoreBandHighF10;

    // Channels below 902.2 MHz inside the limits: 32, 16 or 0.
    int lowBandChannels() const { return (CoreBandLowF10 - FreqLowLimit) / ChannelStepF10; }
    bool contains(int f10) const { return f10 >= FreqLowLimit && f10 <= FreqHighLimit; }
};

// The checked state of the channel-group boxes: "Lo 1", "Lo 2", and the ten elements of the
// group array ("Grp 1" .. "Grp 8", "Hi 1", "Hi 2"). An element that is not on the axis reads
// unchecked.
struct GroupBoxes {
    bool lowBand1 = true;
    bool lowBand2 = true;
    std::array<bool, 10> group{true, true, true, true, true, true, true, true, true, true};
};

enum class ChannelVerdict { Measure, GroupOff, OutOfRange };

// Whether a sweep measures a channel: outside the limits it is out of range whatever its box says;
// inside them its group box decides.
ChannelVerdict ChannelState(int index, const GroupBoxes& boxes, const FrequencyLimits& limits);

unsigned char skipCode(ChannelVerdict verdict);

} // namespace scan
