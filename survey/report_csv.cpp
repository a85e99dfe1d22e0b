// SPDX-License-Identifier: MIT
#include "survey/report_csv.h"

#include "survey/channel_groups.h"

namespace survey {

namespace {

QByteArray mhz(int channel) {
    return scan::frequencyText(scan::channelF10(channel)).toLatin1();
}

QByteArray line(const QByteArray& scope, const QByteArray& name, int first, int last, int rank,
                const LevelFigures& f, int thresholdDbm) {
    const bool measured = f.isMeasured();
    const auto level = [measured](int dbm) {
        return measured ? QByteArray::number(dbm) : QByteArray();
    };
    QByteArrayList fields{scope,
                          name,
                          mhz(first),
                          mhz(last),
                          rank > 0 ? QByteArray::number(rank) : QByteArray(),
                          QByteArray::number(f.Readings),
                          QByteArray::number(f.Measured),
                          QByteArray::number(f.Occupied),
                          measured ? QByteArray::number(f.occupancy() * 100, 'f', 2) : QByteArray(),
                          level(f.MedianDbm),
                          level(f.P90Dbm),
                          level(f.StrongestDbm),
                          QByteArray::number(thresholdDbm)};
    return fields.join(',') + '\n';
}

} // namespace

QByteArray reportCsv(const SurveyReport& report) {
    QByteArray csv = "scope,name,first_mhz,last_mhz,rank,readings,measured,occupied,"
                     "occupancy_percent,median_dbm,p90_dbm,strongest_dbm,threshold_dbm\n";
    for (const GroupFigures& g : report.Groups) {
        const ChannelGroup& group = channelGroups()[g.Group];
        csv += line("group", group.Caption.toLatin1(), group.FirstChannel, group.lastChannel(),
                    g.Rank, g.Figures, report.ThresholdDbm);
    }
    for (const ChannelFigures& c : report.Channels)
        csv += line("channel", mhz(c.Channel), c.Channel, c.Channel, 0, c.Figures,
                    report.ThresholdDbm);
    return csv;
}

} // namespace survey
