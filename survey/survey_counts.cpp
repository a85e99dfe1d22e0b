// SPDX-License-Identifier: MIT
#include "survey/survey_counts.h"

#include <algorithm>

namespace survey {

SurveyCounts::SurveyCounts() : m_channels(scan::ChannelCount), m_groups(GroupCount) {}

void SurveyCounts::add(const Loop& loop) {
    for (int c = 0; c < scan::ChannelCount; ++c) {
        Channel& channel = m_channels[std::size_t(c)];
        const unsigned char code = loop.Last[std::size_t(c)];
        channel.Levels.add(code);
        if (isLevelCode(code) && isLevelCode(channel.Previous))
            channel.Pairs.add(std::max(code, channel.Previous));
        channel.Runs.add(code);
        channel.Previous = code;
    }
    const int hour = loop.Start.hour();
    for (int g = 0; g < GroupCount; ++g) {
        Group& group = m_groups[std::size_t(g)];
        const ChannelGroup& channels = channelGroups()[std::size_t(g)];
        unsigned char strongest = NoReadingCode;
        int measured = 0;
        for (int c = channels.FirstChannel; c <= channels.lastChannel(); ++c) {
            const unsigned char code = loop.Last[std::size_t(c)];
            group.ByHour[std::size_t(hour)].add(code);
            if (!isLevelCode(code))
                continue;
            ++measured;
            if (strongest == NoReadingCode || code < strongest)
                strongest = code;
        }
        if (measured == 0)
            continue;
        group.Strongest.add(strongest);
        ++group.LoopsMeasured;
        for (int c = channels.FirstChannel; c <= channels.lastChannel(); ++c) {
            const unsigned char code = loop.Last[std::size_t(c)];
            if (isLevelCode(code))
                group.ShareByCode[code] += 1.0 / measured;
        }
    }
    if (m_last)
        ++m_loopGaps[loop.Start.seconds() - m_last->seconds()];
    if (!m_first)
        m_first = loop.Start;
    m_last = loop.Start;
    ++m_loops;
}

namespace {

// The sum of a figure of the group's channels.
template <typename Sum, typename Of> Sum overGroup(int group, Of of) {
    Sum sum;
    const ChannelGroup& g = channelGroups()[std::size_t(group)];
    for (int c = g.FirstChannel; c <= g.lastChannel(); ++c)
        sum.add(of(c));
    return sum;
}

} // namespace

CodeCounts SurveyCounts::group(int group) const {
    return overGroup<CodeCounts>(group, [this](int c) -> const CodeCounts& { return channel(c); });
}

CodeCounts SurveyCounts::groupPairs(int group) const {
    return overGroup<CodeCounts>(group,
                                 [this](int c) -> const CodeCounts& { return channelPairs(c); });
}

RunCounts SurveyCounts::groupRuns(int group) const {
    return overGroup<RunCounts>(group,
                                [this](int c) -> const RunCounts& { return channelRuns(c); });
}

double SurveyCounts::bandOccupancy(int group, int thresholdDbm) const {
    const Group& g = m_groups[std::size_t(group)];
    if (g.LoopsMeasured == 0)
        return 0;
    double sum = 0;
    for (int code = 1; code <= WeakestLevelCode; ++code) {
        if (reachesThreshold(static_cast<unsigned char>(code), thresholdDbm))
            sum += g.ShareByCode[std::size_t(code)];
    }
    return sum / double(g.LoopsMeasured);
}

std::optional<qint64> SurveyCounts::revisitSeconds() const {
    qint64 gaps = 0;
    for (const auto& [seconds, count] : m_loopGaps)
        gaps += count;
    qint64 seen = 0;
    for (const auto& [seconds, count] : m_loopGaps) {
        seen += count;
        if (2 * seen >= gaps)
            return seconds;
    }
    return std::nullopt;
}

ChannelSpan SurveyCounts::span() const {
    OutOfRangeChannels outside;
    for (int c = 0; c < scan::ChannelCount; ++c) {
        if (channel(c).ByCode[scan::OutOfRangeCode] > 0)
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
