// SPDX-License-Identifier: MIT
#pragma once

#include "survey/occupancy_interval.h"
#include "survey/survey_counts.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace survey {

// Occupied means a Last level at or above the threshold. -100 dBm stands 8 dB above the band's
// usual noise floor near -108 dBm, so the floor's own ups and downs stay below it, while any
// signal strong enough to eat into a link's fade margin counts.
constexpr int DefaultThresholdDbm = -100;

// A group whose channels gave a level in fewer than this share of their readings (the rest
// skipped or unanswered) ranks after every group measured at least this well.
constexpr double WellMeasuredCoverage = 0.9;

// A channel's noise floor is this percentile of its levels: low enough that signals present in
// most loops leave it alone, high enough not to follow the weakest readings alone.
constexpr int FloorPercentile = 10;

// Levels closer than this cannot be told apart: the radio's levels are good to about ±3 dB.
constexpr int LevelResolutionDb = 3;

// The threshold as a level ("-100") or as a margin over the scan's noise floor ("floor+10").
struct ThresholdSetting {
    bool FromFloor = false;
    int Db = DefaultThresholdDbm; // dBm, or dB over the floor

    static std::optional<ThresholdSetting> parse(const QString& text, QString* why);
    QString text() const;
};

// The link a channel is sought for: its expected received level and the fade margin it needs.
struct LinkBudget {
    int SignalDbm = -75;
    int MarginDb = 15;
    // Interference at or above this level eats into the margin.
    int interferenceDbm() const { return SignalDbm - MarginDb; }
};

struct ReportSettings {
    ThresholdSetting Threshold;
    std::optional<LinkBudget> Link;
};

// A channel's or a group's figures at the report's threshold.
struct OccupancyFigures {
    LevelFigures Figures;
    int FloorDbm = 0;        // when Figures.isMeasured()
    ShareInterval Interval;  // of Figures.occupancy()
    RunCounts::Figures Runs; // of occupied loops
};

struct ChannelFigures : OccupancyFigures {
    int Channel = 0;
};

struct GroupFigures : OccupancyFigures {
    int Group = 0;                  // index into channelGroups()
    double BandOccupancy = 0;       // the share of its channels occupied in a loop, averaged
    std::optional<int> BusiestHour; // for scans of a day or more
    // With a link: the share of loops in which its strongest channel came within the margin.
    std::optional<double> WithinMargin;
    ShareInterval MarginInterval;
    int Rank = 0; // 1 for the quietest; tied groups share a rank; 0 when never measured
};

struct SurveyReport {
    ReportSettings Settings;
    int ThresholdDbm = DefaultThresholdDbm; // as set, or the floor plus the margin over it
    std::optional<int> FloorDbm;            // the median of the channels' floors
    std::optional<qint64> RevisitSeconds;
    qint64 Loops = 0;
    std::optional<LoopTime> FirstStart;
    std::optional<LoopTime> LastStart;
    ChannelSpan Span;
    std::vector<ChannelFigures> Channels; // the span's channels, in frequency order
    // Ranked groups quietest first (fewest loops within the link's margin when a link is given,
    // then least occupied, then the lowest 90th percentile, median and strongest level); groups
    // that the data cannot separate share a rank and stand in frequency order. Then the groups
    // never measured, in frequency order.
    std::vector<GroupFigures> Groups;

    // The groups ranked first.
    std::vector<const GroupFigures*> best() const;
};

SurveyReport makeReport(const SurveyCounts& counts, const ReportSettings& settings);
SurveyReport makeReport(const SurveyCounts& counts, int thresholdDbm);

// "2 %"; "<1 %" and ">99 %" where rounding would hide the last readings either way.
QString percentText(double share);
// "1-4 %".
QString intervalText(const ShareInterval& interval);

// "Grp 5 (915.0-918.0 MHz) is the quietest: 2 % occupied (1-4 %), median -108 dBm", or the
// groups the data does not separate.
QString recommendation(const SurveyReport& report);

// How the figures were found: the threshold and how it was set, the noise floor, the revisit
// time, the confidence, the link.
QStringList methodText(const SurveyReport& report);

// The group ranking as a plain-text table, the method before it and the recommendation after.
QString rankingTable(const SurveyReport& report);

} // namespace survey
