// SPDX-License-Identifier: MIT
#include "survey/report_csv.h"

#include "survey/channel_groups.h"

namespace survey {

namespace {

QByteArray mhz(int channel) {
    return scan::frequencyText(scan::channelF10(channel)).toLatin1();
}

QByteArray percent(double share) {
    return QByteArray::number(share * 100, 'f', 2);
}

// The figures every row has; a group's own follow.
QByteArrayList fieldsOf(const QByteArray& scope, const QByteArray& name, int first, int last,
                        int rank, const OccupancyFigures& o, int thresholdDbm) {
    const LevelFigures& f = o.Figures;
    const bool measured = f.isMeasured();
    const auto level = [measured](int dbm) {
        return measured ? QByteArray::number(dbm) : QByteArray();
    };
    const auto share = [measured](double s) { return measured ? percent(s) : QByteArray(); };
    return {scope,
            name,
            mhz(first),
            mhz(last),
            rank > 0 ? QByteArray::number(rank) : QByteArray(),
            QByteArray::number(f.Readings),
            QByteArray::number(f.Measured),
            QByteArray::number(f.Occupied),
            share(f.occupancy()),
            level(f.MedianDbm),
            level(f.P90Dbm),
            level(f.StrongestDbm),
            QByteArray::number(thresholdDbm),
            share(o.Interval.Low),
            share(o.Interval.High),
            level(o.FloorDbm),
            QByteArray::number(o.Runs.Longest),
            o.Runs.MedianClass >= 0 ? RunCounts::lengthText(o.Runs.MedianClass).toLatin1()
                                    : QByteArray()};
}

} // namespace

QByteArray reportCsv(const SurveyReport& report) {
    QByteArray csv = "scope,name,first_mhz,last_mhz,rank,readings,measured,occupied,"
                     "occupancy_percent,median_dbm,p90_dbm,strongest_dbm,threshold_dbm,"
                     "occupancy_low_percent,occupancy_high_percent,floor_dbm,longest_run_loops,"
                     "median_run_loops,band_occupancy_percent,busiest_hour,within_margin_percent,"
                     "within_margin_low_percent,within_margin_high_percent\n";
    for (const GroupFigures& g : report.Groups) {
        const ChannelGroup& group = channelGroups()[std::size_t(g.Group)];
        QByteArrayList fields = fieldsOf("group", group.Caption.toLatin1(), group.FirstChannel,
                                         group.lastChannel(), g.Rank, g, report.ThresholdDbm);
        const bool measured = g.Figures.isMeasured();
        fields << (measured ? percent(g.BandOccupancy) : QByteArray())
               << (g.BusiestHour ? QByteArray::number(*g.BusiestHour) : QByteArray());
        if (g.WithinMargin)
            fields << percent(*g.WithinMargin) << percent(g.MarginInterval.Low)
                   << percent(g.MarginInterval.High);
        else
            fields << QByteArray() << QByteArray() << QByteArray();
        csv += fields.join(',') + '\n';
    }
    for (const ChannelFigures& c : report.Channels) {
        QByteArrayList fields =
            fieldsOf("channel", mhz(c.Channel), c.Channel, c.Channel, 0, c, report.ThresholdDbm);
        fields << QByteArray() << QByteArray() << QByteArray() << QByteArray() << QByteArray();
        csv += fields.join(',') + '\n';
    }
    return csv;
}

} // namespace survey
