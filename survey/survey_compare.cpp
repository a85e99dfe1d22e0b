// SPDX-License-Identifier: MIT
#include "survey/survey_compare.h"

#include "survey/channel_groups.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace survey {

namespace {

FigureChange changeOf(const QString& name, const OccupancyFigures& before,
                      const OccupancyFigures& after) {
    FigureChange change{name, before, after};
    if (before.Figures.isMeasured() && after.Figures.isMeasured()) {
        change.OccupancyChanged = !before.Interval.overlaps(after.Interval);
        change.LevelChanged =
            std::abs(after.Figures.P90Dbm - before.Figures.P90Dbm) > LevelResolutionDb;
    }
    return change;
}

QString occupancyText(const OccupancyFigures& o) {
    return o.Figures.isMeasured()
               ? QStringLiteral("%1 (%2)").arg(percentText(o.Figures.occupancy()),
                                               intervalText(o.Interval))
               : QStringLiteral("-");
}

QString p90Text(const OccupancyFigures& o) {
    return o.Figures.isMeasured() ? QString::number(o.Figures.P90Dbm) : QStringLiteral("-");
}

QString rowText(const FigureChange& c) {
    const bool both = c.Before.Figures.isMeasured() && c.After.Figures.isMeasured();
    const QString occupancyChange =
        both ? QStringLiteral("%1%2 %3")
                   .arg(c.After.Figures.occupancy() >= c.Before.Figures.occupancy() ? "+" : "-")
                   .arg(std::lround(
                       std::abs(c.After.Figures.occupancy() - c.Before.Figures.occupancy()) * 100))
                   .arg(QLatin1Char('%'))
             : QStringLiteral("-");
    const QString levelChange =
        both ? QStringLiteral("%1%2")
                   .arg(c.After.Figures.P90Dbm >= c.Before.Figures.P90Dbm ? "+" : "")
                   .arg(c.After.Figures.P90Dbm - c.Before.Figures.P90Dbm)
             : QStringLiteral("-");
    return QStringLiteral("%1  %2  %3  %4%5  %6  %7  %8%9")
        .arg(c.Name, -7)
        .arg(occupancyText(c.Before), 15)
        .arg(occupancyText(c.After), 15)
        .arg(occupancyChange, 6)
        .arg(c.OccupancyChanged ? QStringLiteral(" *") : QStringLiteral("  "))
        .arg(p90Text(c.Before), 6)
        .arg(p90Text(c.After), 6)
        .arg(levelChange, 6)
        .arg(c.LevelChanged ? QStringLiteral(" *") : QString());
}

QString heading(const QString& scope) {
    return QStringLiteral("%1  %2  %3  %4    %5  %6  %7")
        .arg(scope, -7)
        .arg(QStringLiteral("Occupied before"), 15)
        .arg(QStringLiteral("after"), 15)
        .arg(QStringLiteral("change"), 6)
        .arg(QStringLiteral("90th before"), 6)
        .arg(QStringLiteral("after"), 6)
        .arg(QStringLiteral("change"), 6);
}

QString surveyLine(const QString& what, const QString& name, const SurveyReport& report) {
    return QStringLiteral("%1: %2, %3 loops from %4 to %5")
        .arg(what, name)
        .arg(report.Loops)
        .arg(report.FirstStart ? report.FirstStart->text() : QString(),
             report.LastStart ? report.LastStart->text() : QString());
}

} // namespace

int SurveyComparison::changes() const {
    int n = 0;
    for (const auto* list : {&Groups, &Channels})
        n += int(std::count_if(list->begin(), list->end(), [](const FigureChange& c) {
            return c.OccupancyChanged || c.LevelChanged;
        }));
    return n;
}

SurveyComparison compareSurveys(const SurveyCounts& before, const SurveyCounts& after,
                                const ThresholdSetting& threshold) {
    SurveyComparison comparison;
    comparison.Before = makeReport(before, ReportSettings{threshold, std::nullopt});
    comparison.After = makeReport(after, comparison.Before.ThresholdDbm);
    const auto byGroup = [](const SurveyReport& report, int group) {
        return std::find_if(report.Groups.begin(), report.Groups.end(),
                            [group](const GroupFigures& g) { return g.Group == group; });
    };
    for (int g = 0; g < GroupCount; ++g)
        comparison.Groups.push_back(changeOf(channelGroups()[std::size_t(g)].Caption,
                                             *byGroup(comparison.Before, g),
                                             *byGroup(comparison.After, g)));
    for (const ChannelFigures& b : comparison.Before.Channels) {
        const auto& afterChannels = comparison.After.Channels;
        const auto a =
            std::find_if(afterChannels.begin(), afterChannels.end(),
                         [&b](const ChannelFigures& c) { return c.Channel == b.Channel; });
        if (a != afterChannels.end())
            comparison.Channels.push_back(
                changeOf(scan::frequencyText(scan::channelF10(b.Channel)), b, *a));
    }
    return comparison;
}

QString comparisonTable(const SurveyComparison& comparison, const QString& beforeName,
                        const QString& afterName) {
    QStringList lines;
    lines << surveyLine(QStringLiteral("Before"), beforeName, comparison.Before)
          << surveyLine(QStringLiteral("After"), afterName, comparison.After)
          << QStringLiteral("Occupied: a Last level at or above %1 dBm in both, with 95 % "
                            "intervals; * marks a change beyond its uncertainty (intervals apart, "
                            "or more than %2 dB)")
                 .arg(comparison.Before.ThresholdDbm)
                 .arg(LevelResolutionDb)
          << QString() << heading(QStringLiteral("Group"));
    for (const FigureChange& c : comparison.Groups)
        lines << rowText(c);
    lines << QString() << heading(QStringLiteral("MHz"));
    for (const FigureChange& c : comparison.Channels)
        lines << rowText(c);
    lines << QString()
          << QStringLiteral("%1 change(s) beyond their uncertainty").arg(comparison.changes());
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace survey
