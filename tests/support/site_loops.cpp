// SPDX-License-Identifier: MIT
#include "tests/support/site_loops.h"

#include "fleet/loop_records.h"
#include "recording/scan_file.h"

#include <QDir>

namespace testing {

QStringList savedScans(const QString& folder) {
    QStringList paths;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("20*.dat")}, QDir::Files))
        paths.append(QDir(folder).filePath(name));
    return paths;
}

QList<fleet::SiteLoop> loopsOfFile(const QString& path, const QString& site) {
    recording::ScanFile file;
    QList<fleet::SiteLoop> loops;
    if (!file.openForReading(path))
        return loops;
    const QString scan = fleet::fleetScanName(*file.readRecord(1)).value_or(QString());
    for (qint32 n = 1; n <= file.recordCount(); ++n)
        loops.append(*fleet::siteLoopOfRecord(*file.readRecord(n), site, scan));
    return loops;
}

QList<fleet::SiteLoop> withoutPrevious(QList<fleet::SiteLoop> loops) {
    for (fleet::SiteLoop& loop : loops) {
        loop.previousScan.clear();
        loop.previousLoops = 0;
    }
    return loops;
}

} // namespace testing
