// SPDX-License-Identifier: MIT
#include "survey/survey_counts.h"

#include "survey/channel_groups.h"

namespace survey {

void SurveyCounts::add(const Loop& loop) {
    for (int c = 0; c < scan::ChannelCount; ++c)
        m_channels[c].add(loop.Last[c]);
    if (!m_first)
        m_first = loop.Start;
    m_last = loop.Start;
    ++m_loops;
}

CodeCounts SurveyCounts::group(int group) const {
    CodeCounts counts;
    const ChannelGroup& g = channelGroups()[group];
    for (int c = g.FirstChannel; c <= g.lastChannel(); ++c)
        counts.add(m_channels[c]);
    return counts;
}

ChannelSpan SurveyCounts::span() const {
    OutOfRangeChannels outside;
    for (int c = 0; c < scan::ChannelCount; ++c) {
        if (m_channels[c].ByCode[scan::OutOfRangeCode] > 0)
            outside.mark(c);
    }
    return outside.span();
}

SurveyCounts countLoops(ScanReader& reader) {
    reader.rewind();
    SurveyCounts counts;
    Loop loop;
    while (reader.next(loop))
        counts.add(loop);
    return counts;
}

} // namespace survey
