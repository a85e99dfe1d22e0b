// SPDX-License-Identifier: MIT
#pragma once

#include "survey/channel_groups.h"
#include "survey/channel_span.h"
#include "survey/code_counts.h"
#include "survey/run_counts.h"
#include "survey/scan_reader.h"

#include <map>
#include <optional>
#include <vector>

namespace survey {

// Everything the survey report needs from a scan, gathered loop by loop and kept for every
// threshold at once, so that the threshold can change without reading the scan again: per
// channel the loops that gave each code, the consecutive pairs of loops, the runs; per group its
// strongest level per loop, its share of channels per loop and its codes by hour of the day.
// Its size does not grow with the scan.
class SurveyCounts {
public:
    static constexpr int Hours = 24;

    SurveyCounts();

    void add(const Loop& loop);

    qint64 loops() const { return m_loops; }
    const CodeCounts& channel(int channel) const { return m_channels[std::size_t(channel)].Levels; }
    // Consecutive loops that both gave the channel a level, by the weaker of the two codes: the
    // pairs both occupied at a threshold are those whose weaker level reaches it.
    const CodeCounts& channelPairs(int channel) const {
        return m_channels[std::size_t(channel)].Pairs;
    }
    const RunCounts& channelRuns(int channel) const {
        return m_channels[std::size_t(channel)].Runs;
    }

    CodeCounts group(int group) const;
    CodeCounts groupPairs(int group) const;
    RunCounts groupRuns(int group) const;
    // The group's strongest level in each loop that gave it one.
    const CodeCounts& groupStrongest(int group) const {
        return m_groups[std::size_t(group)].Strongest;
    }
    // The group's share of channels at or above a threshold in a loop, averaged over the loops
    // that gave it a level.
    double bandOccupancy(int group, int thresholdDbm) const;
    // The group's codes in the loops begun in one hour of the day.
    const CodeCounts& groupHour(int group, int hour) const {
        return m_groups[std::size_t(group)].ByHour[std::size_t(hour)];
    }

    // The median time between two readings of a channel, that is between the starts of two
    // loops, in whole seconds; nothing before the second loop.
    std::optional<qint64> revisitSeconds() const;

    ChannelSpan span() const;
    const std::optional<LoopTime>& firstStart() const { return m_first; }
    const std::optional<LoopTime>& lastStart() const { return m_last; }

private:
    struct Channel {
        CodeCounts Levels;
        CodeCounts Pairs;
        RunCounts Runs;
        unsigned char Previous = NoReadingCode;
    };
    struct Group {
        CodeCounts Strongest;
        // By code: the sum over loops of 1 / (channels that gave a level in the loop).
        std::array<double, WeakestLevelCode + 1> ShareByCode{};
        qint64 LoopsMeasured = 0;
        std::array<CodeCounts, Hours> ByHour{};
    };

    std::vector<Channel> m_channels;
    std::vector<Group> m_groups;
    std::map<qint64, qint64> m_loopGaps; // seconds between two loop starts: how often
    qint64 m_loops = 0;
    std::optional<LoopTime> m_first;
    std::optional<LoopTime> m_last;
};

// Reads every loop the reader gives, from the first.
SurveyCounts countLoops(ScanReader& reader);

} // namespace survey
