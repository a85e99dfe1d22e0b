// SPDX-License-Identifier: MIT
#include "survey/survey_report.h"

#include "survey/channel_groups.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace survey {

namespace {

bool wellMeasured(const LevelFigures& f) {
    return f.coverage() >= WellMeasuredCoverage;
}

OccupancyFigures occupancyOf(const CodeCounts& levels, const CodeCounts& pairs,
                             const RunCounts& runs, qint64 samples, int thresholdDbm) {
    OccupancyFigures o;
    o.Figures = figuresOf(levels, thresholdDbm);
    if (o.Figures.isMeasured())
        o.FloorDbm = levels.percentileDbm(FloorPercentile);
    const double share = o.Figures.occupancy();
    o.Interval = wilsonInterval(
        share, effectiveSamples(samples, share, pairs.measured(), pairs.atOrAbove(thresholdDbm)));
    o.Runs = runs.figures(thresholdDbm);
    return o;
}

// The median of the channels' floors: channels busy in most loops do not lift it.
std::optional<int> bandFloor(const SurveyCounts& counts, const ChannelSpan& span) {
    std::vector<int> floors;
    for (int c = span.First; c <= span.Last; ++c) {
        if (counts.channel(c).measured() > 0)
            floors.push_back(counts.channel(c).percentileDbm(FloorPercentile));
    }
    if (floors.empty())
        return std::nullopt;
    std::nth_element(floors.begin(), floors.begin() + qsizetype(floors.size() / 2), floors.end());
    return floors[floors.size() / 2];
}

std::optional<int> busiestHour(const SurveyCounts& counts, int group, int thresholdDbm) {
    std::optional<int> busiest;
    double most = -1;
    for (int hour = 0; hour < SurveyCounts::Hours; ++hour) {
        const LevelFigures f = figuresOf(counts.groupHour(group, hour), thresholdDbm);
        if (f.isMeasured() && f.occupancy() > most) {
            most = f.occupancy();
            busiest = hour;
        }
    }
    return busiest;
}

// Quieter first, by the figures alone.
bool quieter(const GroupFigures& a, const GroupFigures& b) {
    const LevelFigures& x = a.Figures;
    const LevelFigures& y = b.Figures;
    if (wellMeasured(x) != wellMeasured(y))
        return wellMeasured(x);
    if (a.WithinMargin != b.WithinMargin)
        return a.WithinMargin < b.WithinMargin;
    const qint64 xOccupancy = x.Occupied * y.Measured;
    const qint64 yOccupancy = y.Occupied * x.Measured;
    if (xOccupancy != yOccupancy)
        return xOccupancy < yOccupancy;
    return std::tie(x.P90Dbm, x.MedianDbm, x.StrongestDbm, a.Group) <
           std::tie(y.P90Dbm, y.MedianDbm, y.StrongestDbm, b.Group);
}

// Groups the data cannot tell apart: their intervals overlap and their levels lie within the
// radio's resolution.
bool inseparable(const GroupFigures& a, const GroupFigures& b) {
    const bool intervalsOverlap = a.WithinMargin ? a.MarginInterval.overlaps(b.MarginInterval)
                                                 : a.Interval.overlaps(b.Interval);
    return wellMeasured(a.Figures) == wellMeasured(b.Figures) && intervalsOverlap &&
           std::abs(a.Figures.MedianDbm - b.Figures.MedianDbm) <= LevelResolutionDb &&
           std::abs(a.Figures.P90Dbm - b.Figures.P90Dbm) <= LevelResolutionDb;
}

void rank(std::vector<GroupFigures>& groups) {
    std::sort(groups.begin(), groups.end(), quieter);
    auto block = groups.begin();
    for (auto it = groups.begin(); it != groups.end(); ++it) {
        if (!inseparable(*block, *it)) {
            std::sort(block, it, [](const auto& a, const auto& b) { return a.Group < b.Group; });
            block = it;
        }
        it->Rank = int(block - groups.begin()) + 1;
    }
    std::sort(block, groups.end(), [](const auto& a, const auto& b) { return a.Group < b.Group; });
}

QString dbmText(const LevelFigures& f, int dbm) {
    return f.isMeasured() ? QString::number(dbm) : QStringLiteral("-");
}

QString timeText(const std::optional<LoopTime>& time) {
    return time ? time->text() : QString();
}

// "Grp 1, Grp 3 and Grp 8".
QString namesText(const std::vector<const GroupFigures*>& groups) {
    QStringList names;
    for (const GroupFigures* g : groups)
        names << channelGroups()[std::size_t(g->Group)].Caption;
    const QString last = names.takeLast();
    return names.isEmpty() ? last
                           : names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

// "under 1 %", "2 %" or "1 % to 3 %" over the groups.
QString sharesText(const std::vector<const GroupFigures*>& groups,
                   double (*share)(const GroupFigures&)) {
    double low = 1;
    double high = 0;
    for (const GroupFigures* g : groups) {
        low = std::min(low, share(*g));
        high = std::max(high, share(*g));
    }
    const auto text = [](double s) {
        const QString t = percentText(s);
        return t == QLatin1String("<1 %") ? QStringLiteral("under 1 %") : t;
    };
    if (text(low) == text(high) || high < 0.01)
        return text(high);
    if (low < 0.01)
        return QStringLiteral("up to ") + text(high);
    return text(low) + QStringLiteral(" to ") + text(high);
}

QString mediansText(const std::vector<const GroupFigures*>& groups) {
    int low = 0;
    int high = -1000;
    for (const GroupFigures* g : groups) {
        low = std::min(low, g->Figures.MedianDbm);
        high = std::max(high, g->Figures.MedianDbm);
    }
    return low == high ? QStringLiteral("%1 dBm").arg(low)
                       : QStringLiteral("%1 to %2 dBm").arg(low).arg(high);
}

} // namespace

std::optional<ThresholdSetting> ThresholdSetting::parse(const QString& text, QString* why) {
    static const QRegularExpression form(
        QStringLiteral("^\\s*(floor\\s*\\+\\s*)?(-?\\d{1,3})\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = form.match(text);
    if (!match.hasMatch()) {
        *why = QStringLiteral("a threshold is a level in dBm such as -100, or a margin over the "
                              "noise floor such as floor+10, not \"%1\"")
                   .arg(text);
        return std::nullopt;
    }
    ThresholdSetting setting{match.capturedLength(1) > 0, match.captured(2).toInt()};
    const bool sound = setting.FromFloor ? setting.Db >= 0 && setting.Db <= 60
                                         : setting.Db >= -130 && setting.Db <= -20;
    if (!sound) {
        *why = setting.FromFloor
                   ? QStringLiteral("the margin over the noise floor is 0 to 60 dB, "
                                    "not %1")
                         .arg(setting.Db)
                   : QStringLiteral("the threshold is -130 to -20 dBm, not %1").arg(setting.Db);
        return std::nullopt;
    }
    return setting;
}

QString ThresholdSetting::text() const {
    return FromFloor ? QStringLiteral("floor+%1").arg(Db) : QString::number(Db);
}

std::vector<const GroupFigures*> SurveyReport::best() const {
    std::vector<const GroupFigures*> first;
    for (const GroupFigures& g : Groups) {
        if (g.Rank == 1)
            first.push_back(&g);
    }
    return first;
}

SurveyReport makeReport(const SurveyCounts& counts, const ReportSettings& settings) {
    SurveyReport report;
    report.Settings = settings;
    report.Loops = counts.loops();
    report.FirstStart = counts.firstStart();
    report.LastStart = counts.lastStart();
    report.Span = counts.span();
    report.RevisitSeconds = counts.revisitSeconds();
    report.FloorDbm = bandFloor(counts, report.Span);
    const ThresholdSetting& threshold = settings.Threshold;
    report.ThresholdDbm = !threshold.FromFloor ? threshold.Db
                          : report.FloorDbm    ? *report.FloorDbm + threshold.Db
                                               : DefaultThresholdDbm;
    const int t = report.ThresholdDbm;
    for (int c = report.Span.First; c <= report.Span.Last; ++c) {
        ChannelFigures channel;
        static_cast<OccupancyFigures&>(channel) =
            occupancyOf(counts.channel(c), counts.channelPairs(c), counts.channelRuns(c),
                        counts.channel(c).measured(), t);
        channel.Channel = c;
        report.Channels.push_back(channel);
    }

    const bool dayOrMore = report.FirstStart && report.LastStart &&
                           report.LastStart->seconds() - report.FirstStart->seconds() +
                                   report.RevisitSeconds.value_or(0) >=
                               24 * 3600;
    std::vector<GroupFigures> measured;
    std::vector<GroupFigures> unmeasured;
    for (int g = 0; g < GroupCount; ++g) {
        const CodeCounts& strongest = counts.groupStrongest(g);
        const CodeCounts pairs = counts.groupPairs(g);
        GroupFigures group;
        static_cast<OccupancyFigures&>(group) =
            occupancyOf(counts.group(g), pairs, counts.groupRuns(g), strongest.measured(), t);
        group.Group = g;
        group.BandOccupancy = counts.bandOccupancy(g, t);
        if (dayOrMore)
            group.BusiestHour = busiestHour(counts, g, t);
        if (settings.Link && strongest.measured() > 0) {
            const int level = settings.Link->interferenceDbm();
            const double share = double(strongest.atOrAbove(level)) / double(strongest.measured());
            group.WithinMargin = share;
            group.MarginInterval =
                wilsonInterval(share, effectiveSamples(strongest.measured(), share,
                                                       pairs.measured(), pairs.atOrAbove(level)));
        }
        (group.Figures.isMeasured() ? measured : unmeasured).push_back(group);
    }
    rank(measured);
    report.Groups = measured;
    report.Groups.insert(report.Groups.end(), unmeasured.begin(), unmeasured.end());
    return report;
}

SurveyReport makeReport(const SurveyCounts& counts, int thresholdDbm) {
    ReportSettings settings;
    settings.Threshold.Db = thresholdDbm;
    return makeReport(counts, settings);
}

QString percentText(double share) {
    const double percent = share * 100;
    if (percent > 0 && percent < 1)
        return QStringLiteral("<1 %");
    if (percent > 99 && percent < 100)
        return QStringLiteral(">99 %");
    return QStringLiteral("%1 %").arg(std::lround(percent));
}

QString intervalText(const ShareInterval& interval) {
    const auto whole = [](double share) { return QString::number(std::lround(share * 100)); };
    return QStringLiteral("%1-%2 %").arg(whole(interval.Low), whole(interval.High));
}

QString recommendation(const SurveyReport& report) {
    const std::vector<const GroupFigures*> best = report.best();
    if (best.empty())
        return QStringLiteral("No channel group was measured.");
    const std::optional<LinkBudget>& link = report.Settings.Link;
    const auto occupancy = [](const GroupFigures& g) { return g.Figures.occupancy(); };
    const auto withinMargin = [](const GroupFigures& g) { return g.WithinMargin.value_or(0); };
    const QString linkText =
        link ? QStringLiteral("within %1 dB of the %2 dBm signal in %3 of loops")
                   .arg(link->MarginDb)
                   .arg(link->SignalDbm)
                   .arg(sharesText(best, withinMargin))
             : QString();
    if (best.size() > 1) {
        return QStringLiteral("%1 are equally %2: %3%4 occupied, median %5; the survey does not "
                              "tell them apart")
            .arg(namesText(best),
                 link ? QStringLiteral("suited to the link") : QStringLiteral("quiet"),
                 link ? linkText + QStringLiteral(", ") : QString(), sharesText(best, occupancy),
                 mediansText(best));
    }
    const GroupFigures& g = *best.front();
    const ChannelGroup& group = channelGroups()[std::size_t(g.Group)];
    QString text =
        link ? QStringLiteral("%1 (%2) suits the link best: %3 (%4), %5 occupied")
                   .arg(group.Caption, group.rangeText(), linkText, intervalText(g.MarginInterval),
                        percentText(g.Figures.occupancy()))
             : QStringLiteral("%1 (%2) is the quietest: %3 occupied (%4), median %5 dBm")
                   .arg(group.Caption, group.rangeText(), percentText(g.Figures.occupancy()),
                        intervalText(g.Interval))
                   .arg(g.Figures.MedianDbm);
    if (!wellMeasured(g.Figures)) {
        text += QStringLiteral(" (but it gave a level in only %1 of its readings)")
                    .arg(percentText(g.Figures.coverage()));
    }
    return text;
}

QStringList methodText(const SurveyReport& report) {
    QStringList lines;
    const ThresholdSetting& threshold = report.Settings.Threshold;
    lines << (threshold.FromFloor && report.FloorDbm
                  ? QStringLiteral("Occupied: a Last level at or above %1 dBm, %2 dB over the "
                                   "measured noise floor")
                        .arg(report.ThresholdDbm)
                        .arg(threshold.Db)
                  : QStringLiteral("Occupied: a Last level at or above %1 dBm, as set")
                        .arg(report.ThresholdDbm));
    if (report.FloorDbm)
        lines << QStringLiteral("Noise floor: %1 dBm, the median over the channels of each "
                                "channel's %2th percentile level")
                     .arg(*report.FloorDbm)
                     .arg(FloorPercentile);
    if (report.RevisitSeconds)
        lines << QStringLiteral("Revisit time: %1, the median time between two readings of a "
                                "channel")
                     .arg(*report.RevisitSeconds < 1
                              ? QStringLiteral("under 1 s")
                              : QStringLiteral("%1 s").arg(*report.RevisitSeconds));
    lines << QStringLiteral("Confidence: 95 % Wilson intervals; consecutive loops are counted as "
                            "correlated, so a long busy spell weighs as few samples");
    if (const auto& link = report.Settings.Link)
        lines << QStringLiteral("Link: %1 dBm expected with a %2 dB margin; a group's strongest "
                                "channel at or above %3 dBm eats into it")
                     .arg(link->SignalDbm)
                     .arg(link->MarginDb)
                     .arg(link->interferenceDbm());
    lines << QStringLiteral("Groups whose intervals overlap and whose levels lie within %1 dB "
                            "share a rank")
                 .arg(LevelResolutionDb);
    return lines;
}

QString rankingTable(const SurveyReport& report) {
    QStringList lines;
    lines << QStringLiteral("%1 loops from %2 to %3")
                 .arg(report.Loops)
                 .arg(timeText(report.FirstStart), timeText(report.LastStart));
    lines << methodText(report);
    const bool link = report.Settings.Link.has_value();
    const QString row =
        QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8  %9  %10  %11  %12  %13  %14");
    lines << row.arg(QStringLiteral("Rank"), 4)
                 .arg(QStringLiteral("Group"), -5)
                 .arg(QStringLiteral("MHz"), -15)
                 .arg(link ? QStringLiteral("In margin") : QStringLiteral("Occupied"), 9)
                 .arg(QStringLiteral("95 %"), 8)
                 .arg(QStringLiteral("Band"), 5)
                 .arg(QStringLiteral("Floor"), 5)
                 .arg(QStringLiteral("Median"), 6)
                 .arg(QStringLiteral("90th pct"), 8)
                 .arg(QStringLiteral("Strongest"), 9)
                 .arg(QStringLiteral("Longest run"), 11)
                 .arg(QStringLiteral("Median run"), 10)
                 .arg(QStringLiteral("Busiest"), 7)
                 .arg(QStringLiteral("Measured"), 8);
    for (const GroupFigures& g : report.Groups) {
        const ChannelGroup& group = channelGroups()[std::size_t(g.Group)];
        const LevelFigures& f = g.Figures;
        const double share = link ? g.WithinMargin.value_or(0) : f.occupancy();
        const ShareInterval& interval = link ? g.MarginInterval : g.Interval;
        lines << row.arg(g.Rank > 0 ? QString::number(g.Rank) : QStringLiteral("-"), 4)
                     .arg(group.Caption, -5)
                     .arg(group.rangeText(), -15)
                     .arg(f.isMeasured() ? percentText(share) : QStringLiteral("-"), 9)
                     .arg(f.isMeasured() ? intervalText(interval) : QStringLiteral("-"), 8)
                     .arg(f.isMeasured() ? percentText(g.BandOccupancy) : QStringLiteral("-"), 5)
                     .arg(dbmText(f, g.FloorDbm), 5)
                     .arg(dbmText(f, f.MedianDbm), 6)
                     .arg(dbmText(f, f.P90Dbm), 8)
                     .arg(dbmText(f, f.StrongestDbm), 9)
                     .arg(QString::number(g.Runs.Longest), 11)
                     .arg(g.Runs.MedianClass >= 0 ? RunCounts::lengthText(g.Runs.MedianClass)
                                                  : QStringLiteral("-"),
                          10)
                     .arg(g.BusiestHour
                              ? QStringLiteral("%1:00").arg(*g.BusiestHour, 2, 10, QLatin1Char('0'))
                              : QStringLiteral("-"),
                          7)
                     .arg(percentText(f.coverage()), 8);
    }
    lines << recommendation(report);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace survey
