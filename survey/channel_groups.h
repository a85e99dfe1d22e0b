// SPDX-License-Identifier: MIT
#pragma once

#include "scan/channel_plan.h"

#include <QString>

#include <array>

// The channel plan's twelve groups of 16 channels, one per group box: "Lo 1", "Lo 2",
// "Grp 1" .. "Grp 8", "Hi 1", "Hi 2", in frequency order.
namespace survey {

constexpr int GroupCount = scan::ChannelCount / scan::ChannelsPerGroup;

struct ChannelGroup {
    QString Caption;
    int FirstChannel = 0;

    int lastChannel() const { return FirstChannel + scan::ChannelsPerGroup - 1; }
    // "902.2-905.2 MHz": the first and last channel frequencies.
    QString rangeText() const;
};

const std::array<ChannelGroup, GroupCount>& channelGroups();
int groupOfChannel(int channel);

} // namespace survey
