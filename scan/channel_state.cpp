// SPDX-License-Identifier: MIT
#include "scan/channel_state.h"

#include "scan/channel_plan.h"

namespace scan {

namespace {

ChannelVerdict boxVerdict(bool checked) {
    return checked ? ChannelVerdict::Measure : ChannelVerdict::GroupOff;
}

} // namespace

// The window's limits always take in 902.2 - 927.6 MHz, so that only the low and high bands can
// lie outside them; a recorder may choose narrower limits on the channel grid.
ChannelVerdict ChannelState(int index, const GroupBoxes& boxes, const FrequencyLimits& limits) {
    const int f = channelF10(index);
    if (!limits.contains(f))
        return ChannelVerdict::OutOfRange;
    if (f < 8990)
        return boxVerdict(boxes.lowBand1);
    if (f < 9022)
        return boxVerdict(boxes.lowBand2);
    if (f > 9308)
        return boxVerdict(boxes.group[9]);
    if (f < 9277)
        return boxVerdict(boxes.group[(f - 9022) / 2 / ChannelsPerGroup]);
    return boxVerdict(boxes.group[8]);
}

unsigned char skipCode(ChannelVerdict verdict) {
    return verdict == ChannelVerdict::OutOfRange ? OutOfRangeCode : GroupOffCode;
}

} // namespace scan
