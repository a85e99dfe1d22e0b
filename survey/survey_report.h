// SPDX-License-Identifier: MIT
#pragma once

#include "survey/survey_counts.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace survey {

// Occupied means a Last level at or above the threshold. -100 dBm stands 8 dB above the band's
// usual noise floor near -108 dBm, so the floor's own ups and downs stay below it, while any
// signal strong enough to eat into a link's fade margin counts.
constexpr int DefaultThresholdDbm = -100;

// A group whose channels gave a level in fewer than this share of their readings (the rest
// skipped or unanswered) ranks after every group measured at least this well.
constexpr double WellMeasuredCoverage = 0.9;

struct ChannelFigures {
    int Channel = 0;
    LevelFigures Figures;
};

struct GroupFigures {
    int Group = 0; // index into channelGroups()
    LevelFigures Figures;
    int Rank = 0; // 1 for the quietest; 0 when the group was never measured
};

struct SurveyReport {
    int ThresholdDbm = DefaultThresholdDbm;
    qint64 Loops = 0;
    std::optional<LoopTime> FirstStart;
    std::optional<LoopTime> LastStart;
    ChannelSpan Span;
    std::vector<ChannelFigures> Channels; // the span's channels, in frequency order
    // Ranked groups quietest first (least occupied, then the lowest 90th percentile, median and
    // strongest level), then the groups never measured in frequency order.
    std::vector<GroupFigures> Groups;
};

SurveyReport makeReport(const SurveyCounts& counts, int thresholdDbm);

// "2 %"; "<1 %" and ">99 %" where rounding would hide the last readings either way.
QString percentText(double share);

// "Grp 5 (915.0-918.0 MHz) is the quietest: 2 % occupied, median -108 dBm".
QString recommendation(const SurveyReport& report);

// The group ranking as a plain-text table, a heading line before it.
QString rankingTable(const SurveyReport& report);

// How the figures were made, for a reader who was not there: what counts as occupied and how the
// threshold was set, how often each channel was read again, and what the figures rest on. Plain
// text, a paragraph a line.
QStringList methodText(const SurveyReport& report);

} // namespace survey
