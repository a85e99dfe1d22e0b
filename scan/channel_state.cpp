// SPDX-License-Identifier: MIT
#include "scan/channel_state.h"

#include "scan/channel_plan.h"

namespace scan {

namespace {

ChannelVerdict boxVerdict(bool checked) {
    return checked ? ChannelVerdict::Measure : ChannelVerdict::GroupOff;
}

} // namespace

ChannelVerdict ChannelState(int index, const GroupBoxes& boxes, const FrequencyLimits& limits) {
    const int f = channelF10(index);
    if (f < 8990)
        return limits.FreqLowLimit < 8990 ? boxVerdict(boxes.lowBand1) : ChannelVerdict::OutOfRange;
    if (f < 9022)
        return limits.FreqLowLimit < 9022 ? boxVerdict(boxes.lowBand2) : ChannelVerdict::OutOfRange;
    if (f > 9308)
        return limits.FreqHighLimit >= 9309 ? boxVerdict(boxes.group[9])
                                            : ChannelVerdict::OutOfRange;
    if (f < 9277)
        return boxVerdict(boxes.group[(f - 9022) / 2 / ChannelsPerGroup]);
    return limits.FreqHighLimit >= 9277 ? boxVerdict(boxes.group[8]) : ChannelVerdict::OutOfRange;
}

unsigned char skipCode(ChannelVerdict verdict) {
    return verdict == ChannelVerdict::OutOfRange ? OutOfRangeCode : GroupOffCode;
}

} // namespace scan
