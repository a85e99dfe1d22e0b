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
    if (f < LowLimitChoicesF10[1])
        return boxVerdict(boxes.lowBand1);
    if (f < CoreBandLowF10)
        return boxVerdict(boxes.lowBand2);
    if (f > HighLimitChoicesF10[1])
        return boxVerdict(boxes.group[9]);
    if (f <= CoreBandHighF10)
        return boxVerdict(boxes.group[(f - CoreBandLowF10) / ChannelStepF10 / ChannelsPerGroup]);
    return boxVerdict(boxes.group[8]);
}

unsigned char skipCode(ChannelVerdict verdict) {
    return verdict == ChannelVerdict::OutOfRange ? OutOfRangeCode : GroupOffCode;
}

} // namespace scan
