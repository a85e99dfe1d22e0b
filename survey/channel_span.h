// SPDX-License-Identifier: MIT
#pragma once

#include "scan/channel_plan.h"

#include <array>

namespace survey {

// The channels inside a scan's frequency limits, lowest to highest: those that no loop marked
// as outside the limits (code 201). The limits cannot change during a scan, so these are the
// same for every loop. Exports and the waterfall show these channels.
struct ChannelSpan {
    int First = scan::LowBandChannelCount;                                 // "Grp 1" ..
    int Last = scan::LowBandChannelCount + 8 * scan::ChannelsPerGroup - 1; // .. "Grp 8"

    int count() const { return Last - First + 1; }
    bool contains(int channel) const { return channel >= First && channel <= Last; }
    bool operator==(const ChannelSpan& other) const {
        return First == other.First && Last == other.Last;
    }
};

// Marks channels that some loop gave code 201; a span from the lowest to the highest channel
// that none did ("Grp 1" .. "Grp 8" when every channel was marked).
class OutOfRangeChannels {
public:
    void mark(int channel) { m_marked[channel] = true; }
    ChannelSpan span() const;

private:
    std::array<bool, scan::ChannelCount> m_marked{};
};

} // namespace survey
