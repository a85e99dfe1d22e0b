// SPDX-License-Identifier: MIT
#pragma once

#include "survey/level_codes.h"

#include <QtGlobal>

#include <array>

namespace survey {

// How many readings of a channel, or of a group of channels, gave each code. Percentiles come
// out of it exactly, and the threshold can change without reading the scan again.
struct CodeCounts {
    std::array<qint64, HighestValidCode + 1> ByCode{};

    void add(unsigned char code) { ++ByCode[code]; }
    void add(const CodeCounts& other);

    qint64 readings() const;
    // Readings that gave a level.
    qint64 measured() const;
    // Readings whose level is at or above the threshold.
    qint64 atOrAbove(int thresholdDbm) const;
    // The level (dBm) at the nearest rank: the weakest level such that at least `percent` % of
    // the levels are at or below it. Only for measured() > 0.
    int percentileDbm(int percent) const;
    int strongestDbm() const;
};

// A channel's or a group's figures at one threshold.
struct LevelFigures {
    qint64 Readings = 0; // loops times channels
    qint64 Measured = 0; // readings with a level
    qint64 Occupied = 0; // levels at or above the threshold
    // The following hold only when Measured > 0.
    int MedianDbm = 0;
    int P90Dbm = 0;
    int StrongestDbm = 0;

    bool isMeasured() const { return Measured > 0; }
    double occupancy() const { return Measured > 0 ? double(Occupied) / double(Measured) : 0; }
    // Share of the readings that gave a level.
    double coverage() const { return Readings > 0 ? double(Measured) / double(Readings) : 0; }
};

LevelFigures figuresOf(const CodeCounts& counts, int thresholdDbm);

} // namespace survey
