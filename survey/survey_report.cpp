// SPDX-License-Identifier: MIT
#include "survey/survey_report.h"

#include "survey/channel_groups.h"

#include <QDateTime>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace survey {

namespace {

bool wellMeasured(const LevelFigures& f) {
    return f.coverage() >= WellMeasuredCoverage;
}

// Quieter first; occupancy compared as exact fractions.
bool quieter(const GroupFigures& a, const GroupFigures& b) {
    const LevelFigures& x = a.Figures;
    const LevelFigures& y = b.Figures;
    if (wellMeasured(x) != wellMeasured(y))
        return wellMeasured(x);
    const qint64 xOccupancy = x.Occupied * y.Measured;
    const qint64 yOccupancy = y.Occupied * x.Measured;
    if (xOccupancy != yOccupancy)
        return xOccupancy < yOccupancy;
    return std::tie(x.P90Dbm, x.MedianDbm, x.StrongestDbm, a.Group) <
           std::tie(y.P90Dbm, y.MedianDbm, y.StrongestDbm, b.Group);
}

QString dbmText(const LevelFigures& f, int dbm) {
    return f.isMeasured() ? QString::number(dbm) : QStringLiteral("-");
}

QString timeText(const std::optional<LoopTime>& time) {
    return time ? time->text() : QString();
}

} // namespace

SurveyReport makeReport(const SurveyCounts& counts, int thresholdDbm) {
    SurveyReport report;
    report.ThresholdDbm = thresholdDbm;
    report.Loops = counts.loops();
    report.FirstStart = counts.firstStart();
    report.LastStart = counts.lastStart();
    report.Span = counts.span();
    for (int c = report.Span.First; c <= report.Span.Last; ++c)
        report.Channels.push_back({c, figuresOf(counts.channel(c), thresholdDbm)});

    std::vector<GroupFigures> measured;
    std::vector<GroupFigures> unmeasured;
    for (int g = 0; g < GroupCount; ++g) {
        GroupFigures group{g, figuresOf(counts.group(g), thresholdDbm), 0};
        (group.Figures.isMeasured() ? measured : unmeasured).push_back(group);
    }
    std::sort(measured.begin(), measured.end(), quieter);
    for (std::size_t i = 0; i < measured.size(); ++i)
        measured[i].Rank = int(i) + 1;
    report.Groups = measured;
    report.Groups.insert(report.Groups.end(), unmeasured.begin(), unmeasured.end());
    return report;
}

QString percentText(double share) {
    const double percent = share * 100;
    if (percent > 0 && percent < 1)
        return QStringLiteral("<1 %");
    if (percent > 99 && percent < 100)
        return QStringLiteral(">99 %");
    return QStringLiteral("%1 %").arg(std::lround(percent));
}

QString recommendation(const SurveyReport& report) {
    if (report.Groups.empty() || report.Groups.front().Rank != 1)
        return QStringLiteral("No channel group was measured.");
    const GroupFigures& best = report.Groups.front();
    const ChannelGroup& group = channelGroups()[best.Group];
    QString text = QStringLiteral("%1 (%2) is the quietest: %3 occupied, median %4 dBm")
                       .arg(group.Caption, group.rangeText(), percentText(best.Figures.occupancy()))
                       .arg(best.Figures.MedianDbm);
    if (!wellMeasured(best.Figures)) {
        text += QStringLiteral(" (but it gave a level in only %1 of its readings)")
                    .arg(percentText(best.Figures.coverage()));
    }
    return text;
}

QString rankingTable(const SurveyReport& report) {
    QStringList lines;
    lines << QStringLiteral("%1 loops from %2 to %3; occupied: Last level at or above %4 dBm")
                 .arg(report.Loops)
                 .arg(timeText(report.FirstStart), timeText(report.LastStart))
                 .arg(report.ThresholdDbm);
    const QString row = QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8");
    lines << row.arg(QStringLiteral("Rank"), 4)
                 .arg(QStringLiteral("Group"), -5)
                 .arg(QStringLiteral("MHz"), -15)
                 .arg(QStringLiteral("Occupied"), 8)
                 .arg(QStringLiteral("Median"), 6)
                 .arg(QStringLiteral("90th pct"), 8)
                 .arg(QStringLiteral("Strongest"), 9)
                 .arg(QStringLiteral("Measured"), 8);
    for (const GroupFigures& g : report.Groups) {
        const ChannelGroup& group = channelGroups()[g.Group];
        const LevelFigures& f = g.Figures;
        lines << row.arg(g.Rank > 0 ? QString::number(g.Rank) : QStringLiteral("-"), 4)
                     .arg(group.Caption, -5)
                     .arg(group.rangeText(), -15)
                     .arg(f.isMeasured() ? percentText(f.occupancy()) : QStringLiteral("-"), 8)
                     .arg(dbmText(f, f.MedianDbm), 6)
                     .arg(dbmText(f, f.P90Dbm), 8)
                     .arg(dbmText(f, f.StrongestDbm), 9)
                     .arg(percentText(f.coverage()), 8);
    }
    lines << recommendation(report);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QStringList methodText(const SurveyReport& report) {
    QStringList lines;
    const QString threshold =
        report.ThresholdDbm == DefaultThresholdDbm
            ? QStringLiteral("This is the default threshold: 8 dB above the band's usual noise "
                             "floor near -108 dBm, so that the floor's own ups and downs stay "
                             "below it while any signal strong enough to eat into a link's fade "
                             "margin counts.")
            : QStringLiteral("The threshold was set for this report; the default is %1 dBm, 8 dB "
                             "above the band's usual noise floor near -108 dBm.")
                  .arg(DefaultThresholdDbm);
    lines << QStringLiteral("Occupancy: the share of a channel's readings whose level was at or "
                            "above %1 dBm. %2")
                 .arg(report.ThresholdDbm)
                 .arg(threshold);

    const auto seconds = [](const LoopTime& t) {
        return QDateTime(QDate::fromString(t.isoDate(), Qt::ISODate),
                         QTime::fromString(t.clock(), Qt::ISODate), Qt::UTC)
            .toSecsSinceEpoch();
    };
    QString revisit = QStringLiteral("Revisit time: the receiver steps over every channel inside "
                                     "the scan's limits once a loop");
    if (report.Loops > 1 && report.FirstStart && report.LastStart) {
        const double span = double(seconds(*report.LastStart) - seconds(*report.FirstStart));
        revisit += QStringLiteral(", so each channel was read again every %1 s on average (%2 "
                                  "loops from %3 to %4).")
                       .arg(span / double(report.Loops - 1), 0, 'f', 1)
                       .arg(report.Loops)
                       .arg(report.FirstStart->text(), report.LastStart->text());
    } else {
        revisit += QStringLiteral("; the scan holds %1 loop%2, too few to tell how often.")
                       .arg(report.Loops)
                       .arg(report.Loops == 1 ? QString() : QStringLiteral("s"));
    }
    lines << revisit;

    lines << QStringLiteral("Confidence: a channel's figures rest on its %1 readings, one a loop, "
                            "and a group's on the %2 readings of its %3 channels. A channel that "
                            "was skipped or gave no level counts as not measured, never as quiet; "
                            "a group measured in fewer than %4 of its readings ranks after every "
                            "group measured better.")
                 .arg(report.Loops)
                 .arg(report.Loops * scan::ChannelsPerGroup)
                 .arg(scan::ChannelsPerGroup)
                 .arg(percentText(WellMeasuredCoverage));
    return lines;
}

} // namespace survey
