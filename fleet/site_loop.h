// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace fleet {

// A level in dBm, or nothing for a channel the sweep skipped or that gave no reading.
using Level = std::optional<int>;

// One finished loop of a site's scan, as a recorder publishes it and the store keeps it. The
// three level lists have one entry per channel from firstChannel on, 0.2 MHz apart.
struct SiteLoop {
    QString site;
    // The scan's name at its site, made from its first loop's start ("2026-12-07_11-20-05",
    // "_-20dB" added with attenuation). Together with site and loop it names the loop.
    QString scan;
    qint32 loop = 0;      // from 1
    QDateTime start;      // the loop's start, with the site's offset from UTC
    int attenuation = 0;  // dB
    int firstChannel = 0; // channel index in the plan (0 is 895.8 MHz)
    std::vector<Level> last, peak, average;

    // The scan before this one at the site and its loop count, when the recorder knows it: a
    // store that lacks that scan's tail can ask for it.
    QString previousScan;
    qint32 previousLoops = 0;
};

inline bool operator==(const SiteLoop& a, const SiteLoop& b) {
    return a.site == b.site && a.scan == b.scan && a.loop == b.loop && a.start == b.start &&
           a.start.offsetFromUtc() == b.start.offsetFromUtc() && a.attenuation == b.attenuation &&
           a.firstChannel == b.firstChannel && a.last == b.last && a.peak == b.peak &&
           a.average == b.average && a.previousScan == b.previousScan &&
           a.previousLoops == b.previousLoops;
}

} // namespace fleet
