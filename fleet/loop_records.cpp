// SPDX-License-Identifier: MIT
#include "fleet/loop_records.h"

#include "core/conventions.h"
#include "recording/scan_names.h"
#include "scan/channel_plan.h"
#include "scan/channel_state.h"

namespace fleet {

namespace {

constexpr unsigned char PaddingCode = 32;
constexpr unsigned char WeakestLevelCode = 199;

unsigned char codeAt(const QByteArray& codes, int channel) {
    return channel < codes.size() ? static_cast<unsigned char>(codes[channel]) : PaddingCode;
}

Level levelOf(unsigned char code) {
    if (code >= 1 && code <= WeakestLevelCode)
        return -int(code);
    return std::nullopt;
}

unsigned char codeOf(const Level& level) {
    if (!level)
        return scan::GroupOffCode;
    return static_cast<unsigned char>(qBound(1, -*level, int(WeakestLevelCode)));
}

} // namespace

std::optional<QString> fleetScanName(const recording::ScanRecord& firstLoop) {
    const auto start = core::parseDateTimeText(QString::fromLatin1(firstLoop.LoopStartText));
    if (!start)
        return std::nullopt;
    QString name = recording::defaultScanName(*start, QString::number(firstLoop.Attenuation));
    name.chop(4); // ".dat"
    return name;
}

std::optional<SiteLoop> siteLoopOfRecord(const recording::ScanRecord& record, const QString& site,
                                         const QString& scan) {
    const auto wallClock = core::parseDateTimeText(QString::fromLatin1(record.LoopStartText));
    if (!wallClock)
        return std::nullopt;
    const QDateTime start(wallClock->date(), wallClock->time(), Qt::LocalTime);
    // A sweep that stopped early leaves padding where it did not reach; the loop ends there.
    int reached = scan::ChannelCount;
    while (reached > 0 && codeAt(record.LastCodes, reached - 1) == PaddingCode)
        --reached;
    int first = 0;
    int last = reached - 1;
    while (first <= last && codeAt(record.LastCodes, first) == scan::OutOfRangeCode)
        ++first;
    while (last >= first && codeAt(record.LastCodes, last) == scan::OutOfRangeCode)
        --last;
    if (first > last)
        return std::nullopt;

    SiteLoop loop;
    loop.site = site;
    loop.scan = scan;
    loop.loop = record.LoopNumber;
    loop.start = start.toOffsetFromUtc(start.offsetFromUtc());
    loop.attenuation = record.Attenuation;
    loop.firstChannel = first;
    for (int chan = first; chan <= last; ++chan) {
        loop.last.push_back(levelOf(codeAt(record.LastCodes, chan)));
        loop.peak.push_back(levelOf(codeAt(record.PeakCodes, chan)));
        loop.average.push_back(levelOf(codeAt(record.AverageCodes, chan)));
    }
    return loop;
}

recording::ScanRecord recordOfSiteLoop(const SiteLoop& loop, qint32 number) {
    recording::ScanRecord record;
    record.LoopNumber = number;
    record.Attenuation = loop.attenuation;
    record.LoopStartText = core::dateTimeText(loop.start).toLatin1();
    const auto field = [&loop](const std::vector<Level>& levels) {
        QByteArray codes(scan::ChannelCount, char(scan::OutOfRangeCode));
        for (size_t i = 0; i < levels.size(); ++i) {
            const int chan = loop.firstChannel + int(i);
            if (scan::isChannelIndex(chan))
                codes[chan] = char(codeOf(levels[i]));
        }
        return codes;
    };
    record.LastCodes = field(loop.last);
    record.PeakCodes = field(loop.peak);
    record.AverageCodes = field(loop.average);
    return record;
}

} // namespace fleet
