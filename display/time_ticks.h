// SPDX-License-Identifier: MIT
#pragma once

#include "survey/loop_time.h"

#include <QList>
#include <QString>

#include <vector>

namespace display {

// A label of the waterfall's time axis: the row it marks and the even time it names.
struct TimeTick {
    int Row = 0;
    QString Label;

    bool operator==(const TimeTick& other) const {
        return Row == other.Row && Label == other.Label;
    }
};

struct TimeTicks {
    int StepSeconds = 0;
    QList<TimeTick> Ticks; // top row first
};

// Labels at even times for rows that start at `rowStarts` (newest first, as the waterfall's rows),
// `rowHeight` pixels each. Rows are loops, not time, so the step is the shortest of 1, 2, 5, 10,
// 15, 30 s, 1, 2, 5, 10, 15, 30 min, 1, 2, 3, 6, 12 h, 1, 2, 7 days whose labels lie at least
// `spacing` pixels apart, but for those on either side of a pause in the scan. Each multiple of the
// step from the first loop's start to the last one's marks the first row that started at or after
// it ("14:05:00"; "05-01 14:05" when the rows span more than one day). Labels too close to the one
// below go: across a pause in the scan, or when even the longest step crowds.
TimeTicks timeTicks(const std::vector<survey::LoopTime>& rowStarts, double rowHeight, int spacing);

} // namespace display
