// SPDX-License-Identifier: MIT
#include "survey/code_counts.h"

#include <numeric>

namespace survey {

void CodeCounts::add(const CodeCounts& other) {
    for (std::size_t i = 0; i < ByCode.size(); ++i)
        ByCode[i] += other.ByCode[i];
}

qint64 CodeCounts::readings() const {
    return std::accumulate(ByCode.begin(), ByCode.end(), qint64(0));
}

qint64 CodeCounts::measured() const {
    return std::accumulate(ByCode.begin() + 1, ByCode.begin() + WeakestLevelCode + 1, qint64(0));
}

qint64 CodeCounts::atOrAbove(int thresholdDbm) const {
    qint64 count = 0;
    for (int code = 1; code <= WeakestLevelCode; ++code) {
        if (reachesThreshold(static_cast<unsigned char>(code), thresholdDbm))
            count += ByCode[code];
    }
    return count;
}

int CodeCounts::percentileDbm(int percent) const {
    const qint64 rank = (qint64(percent) * measured() + 99) / 100;
    qint64 seen = 0;
    // From the weakest level up, so that the count grows with the level in dBm.
    for (int code = WeakestLevelCode; code >= 1; --code) {
        seen += ByCode[code];
        if (seen >= rank && seen > 0)
            return levelDbm(static_cast<unsigned char>(code));
    }
    return 0;
}

int CodeCounts::strongestDbm() const {
    for (int code = 1; code <= WeakestLevelCode; ++code) {
        if (ByCode[code] > 0)
            return levelDbm(static_cast<unsigned char>(code));
    }
    return 0;
}

LevelFigures figuresOf(const CodeCounts& counts, int thresholdDbm) {
    LevelFigures figures;
    figures.Readings = counts.readings();
    figures.Measured = counts.measured();
    figures.Occupied = counts.atOrAbove(thresholdDbm);
    if (figures.Measured > 0) {
        figures.MedianDbm = counts.percentileDbm(50);
        figures.P90Dbm = counts.percentileDbm(90);
        figures.StrongestDbm = counts.strongestDbm();
    }
    return figures;
}

} // namespace survey
