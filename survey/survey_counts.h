// SPDX-License-Identifier: MIT
#pragma once

#include "survey/channel_span.h"
#include "survey/code_counts.h"
#include "survey/scan_reader.h"

#include <optional>

namespace survey {

// Everything the survey report needs from a scan, gathered loop by loop: per channel, how many
// loops gave each code. Its size does not grow with the scan.
class SurveyCounts {
public:
    void add(const Loop& loop);

    qint64 loops() const { return m_loops; }
    const CodeCounts& channel(int channel) const { return m_channels[channel]; }
    CodeCounts group(int group) const;
    ChannelSpan span() const;
    const std::optional<LoopTime>& firstStart() const { return m_first; }
    const std::optional<LoopTime>& lastStart() const { return m_last; }

private:
    std::array<CodeCounts, scan::ChannelCount> m_channels{};
    qint64 m_loops = 0;
    std::optional<LoopTime> m_first;
    std::optional<LoopTime> m_last;
};

// Reads every loop the reader gives, from the first.
SurveyCounts countLoops(ScanReader& reader);

} // namespace survey
