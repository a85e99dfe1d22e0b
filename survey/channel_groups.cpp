// SPDX-License-Identifier: MIT
#include "survey/channel_groups.h"

namespace survey {

namespace {

std::array<ChannelGroup, GroupCount> makeGroups() {
    std::array<ChannelGroup, GroupCount> groups;
    for (int g = 0; g < GroupCount; ++g) {
        QString caption;
        if (g < 2)
            caption = QStringLiteral("Lo %1").arg(g + 1);
        else if (g < 10)
            caption = QStringLiteral("Grp %1").arg(g - 1);
        else
            caption = QStringLiteral("Hi %1").arg(g - 9);
        groups[g] = {caption, g * scan::ChannelsPerGroup};
    }
    return groups;
}

} // namespace

QString ChannelGroup::rangeText() const {
    return scan::frequencyText(scan::channelF10(FirstChannel)) + QLatin1Char('-') +
           scan::frequencyText(scan::channelF10(lastChannel())) + QStringLiteral(" MHz");
}

const std::array<ChannelGroup, GroupCount>& channelGroups() {
    static const std::array<ChannelGroup, GroupCount> groups = makeGroups();
    return groups;
}

int groupOfChannel(int channel) {
    return channel / scan::ChannelsPerGroup;
}

} // namespace survey
