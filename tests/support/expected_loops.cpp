// SPDX-License-Identifier: MIT
#include "tests/support/expected_loops.h"

#include "recording/scan_file.h"
#include "scan/channel_plan.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace testing {

QList<LoopCodes> expectedLoops(const QList<AnsweredLevel>& levels, int loops) {
    QList<LoopCodes> expected;
    int peak[scan::ChannelCount];
    long sum[scan::ChannelCount] = {};
    int count[scan::ChannelCount] = {};
    std::fill(std::begin(peak), std::end(peak), 120);
    for (int loop = 0; loop < loops; ++loop) {
        LoopCodes codes;
        for (int c = 0; c < scan::ChannelCount; ++c) {
            const auto append = [&](int l, int p, int a) {
                codes.last += char(l);
                codes.peak += char(p);
                codes.average += char(a);
            };
            if (c < FirstMeasured || c > LastMeasured) {
                append(201, 201, 201);
                continue;
            }
            const qsizetype at = qsizetype(loop) * MeasuredPerLoop + c - FirstMeasured;
            const int m = at < levels.size() ? std::abs(levels.at(at).dbm) : 0;
            if (m == 0) {
                append(0, 0, 0);
                continue;
            }
            peak[c] = std::min(peak[c], m);
            sum[c] += m;
            ++count[c];
            append(m, peak[c], int(sum[c] / count[c]));
        }
        expected.append(codes);
    }
    return expected;
}

QByteArray requestsFor(int loops) {
    QByteArray bytes;
    for (int loop = 0; loop < loops; ++loop)
        for (int c = FirstMeasured; c <= LastMeasured; ++c)
            bytes += "RX " + scan::frequencyText(scan::channelF10(c)).toLatin1() + "\rRSSI!\r";
    return bytes;
}

QList<recording::ScanRecord> readScanFile(const QString& path) {
    recording::ScanFile file;
    QList<recording::ScanRecord> records;
    if (file.openForReading(path))
        for (qint32 n = 1; n <= file.recordCount(); ++n)
            records.append(file.readRecord(n).value_or(recording::ScanRecord{}));
    return records;
}

QString mismatchWithTheRadio(const QList<recording::ScanRecord>& records,
                             const QList<AnsweredLevel>& levels) {
    const QList<LoopCodes> expected = expectedLoops(levels, int(records.size()));
    for (int n = 0; n < records.size(); ++n) {
        const recording::ScanRecord& r = records[n];
        if (r.LoopNumber != n + 1)
            return QStringLiteral("record %1 holds loop %2").arg(n + 1).arg(r.LoopNumber);
        for (const auto& [field, got, want] :
             {std::tuple{"Last", r.LastCodes, expected[n].last},
              std::tuple{"Peak", r.PeakCodes, expected[n].peak},
              std::tuple{"Average", r.AverageCodes, expected[n].average}})
            if (got != want)
                return QStringLiteral("loop %1: %2 codes %3 instead of %4")
                    .arg(n + 1)
                    .arg(QLatin1String(field), QLatin1String(got.toHex()),
                         QLatin1String(want.toHex()));
    }
    return {};
}

bool overlappingRequests(const QStringList& logLines) {
    int outstanding = 0;
    for (const QString& line : logLines) {
        if (line.startsWith(QLatin1String("recv ")))
            outstanding += int(line.count(QLatin1String("RSSI!")));
        else if (line.startsWith(QLatin1String("level ")))
            --outstanding;
        if (outstanding > 1)
            return true;
    }
    return false;
}

} // namespace testing
