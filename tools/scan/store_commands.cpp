// SPDX-License-Identifier: MIT
#include "tools/scan/store_commands.h"

#include "fleet/loop_records.h"
#include "fleet/loop_store.h"
#include "fleet/store_export.h"
#include "recording/data_folder.h"
#include "survey/output_file.h"
#include "survey/survey_counts.h"
#include "survey/survey_report.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace tools::scan {

namespace {

constexpr qint64 DaySeconds = 24 * 3600;

bool complain(const QString& text) {
    std::fprintf(stderr, "korlan-scan: %s\n", qPrintable(text));
    return false;
}

int fail(const QString& text) {
    complain(text);
    return ExitFailure;
}

QString defaultStore() {
    const recording::ProgramFolders folders =
        recording::locateProgramFolders(QCoreApplication::applicationDirPath());
    return fleet::defaultStore(folders.dataFolder);
}

QString storeText(const ScanOptions& options) {
    return options.store.isEmpty() ? defaultStore() : options.store;
}

// An output named like the store's own file.
bool refuseOverwrite(const ScanOptions& options) {
    QString error;
    const auto address = fleet::parseStoreAddress(storeText(options), &error);
    if (!address || address->kind != fleet::StoreAddress::Kind::Sqlite)
        return false;
    for (const QString& out : {options.outPath, options.pdfPath}) {
        if (!out.isEmpty() && survey::sameFile(out, address->path))
            return !complain(
                QStringLiteral("%1 is the store itself; it is never written over").arg(out));
    }
    return false;
}

// Opens the store without making one where there is none.
bool openStore(const ScanOptions& options, fleet::LoopStore& store) {
    QString error;
    const QString text = storeText(options);
    const auto address = fleet::parseStoreAddress(text, &error);
    if (!address)
        return complain(error);
    if (address->kind == fleet::StoreAddress::Kind::Sqlite && !QFileInfo::exists(address->path))
        return complain(QStringLiteral("%1: there is no store file%2")
                            .arg(text, options.store.isEmpty() ? QStringLiteral(" (give --store)")
                                                               : QString()));
    if (!store.open(*address))
        return complain(store.errorString());
    return true;
}

// The site, when the store knows it.
bool knowsSite(fleet::LoopStore& store, const QString& site) {
    const auto sites = store.sites();
    if (!sites)
        return complain(store.errorString());
    QStringList names;
    for (const fleet::SiteSummary& summary : *sites)
        names << summary.site;
    if (names.contains(site))
        return true;
    return complain(names.isEmpty()
                        ? QStringLiteral("unknown site '%1': the store holds no site").arg(site)
                        : QStringLiteral("unknown site '%1' (the store knows %2)")
                              .arg(site, names.join(QStringLiteral(", "))));
}

QString rangeText(const ScanOptions& options) {
    const auto text = [](const QDateTime& time) {
        return time.toString(Qt::ISODate).replace(QLatin1Char('T'), QLatin1Char(' '));
    };
    if (options.from.isValid() && options.to.isValid())
        return QStringLiteral(" from %1 to %2").arg(text(options.from), text(options.to));
    if (options.from.isValid())
        return QStringLiteral(" since %1").arg(text(options.from));
    if (options.to.isValid())
        return QStringLiteral(" before %1").arg(text(options.to));
    return {};
}

// The site's loops in the range as a scan file; false after saying why.
bool exportTo(const ScanOptions& options, const QString& path) {
    fleet::LoopStore store;
    if (!openStore(options, store) || !knowsSite(store, options.site))
        return false;
    QString error;
    const auto written =
        fleet::exportLoops(store, options.site, options.from, options.to, path, &error);
    if (!written)
        return complain(error);
    if (*written == 0)
        return complain(QStringLiteral("the store holds no loop of %1%2")
                            .arg(options.site, rangeText(options)));
    return true;
}

// "Grp 1 (902.2-905.2 MHz) is the quietest: ..." over the site's loops of the last day.
std::optional<QString> quietestOfLastDay(fleet::LoopStore& store, const QString& site) {
    survey::SurveyCounts counts;
    qint32 n = 0;
    const bool read = store.readLoops(
        site, QDateTime::currentDateTimeUtc().addSecs(-DaySeconds), {},
        [&](const fleet::SiteLoop& loop) {
            if (const auto counted = survey::loopOfRecord(fleet::recordOfSiteLoop(loop, ++n)))
                counts.add(*counted);
        });
    if (!read)
        return std::nullopt;
    if (counts.loops() == 0)
        return QStringLiteral("no loops in the last 24 h");
    return QStringLiteral("last 24 h: ") +
           survey::recommendation(survey::makeReport(counts, survey::DefaultThresholdDbm));
}

} // namespace

int runSites(const ScanOptions& options) {
    fleet::LoopStore store;
    if (!openStore(options, store))
        return ExitFailure;
    const auto sites = store.sites();
    if (!sites)
        return fail(store.errorString());
    qsizetype width = 0;
    for (const fleet::SiteSummary& site : *sites)
        width = std::max(width, site.site.size());
    for (const fleet::SiteSummary& site : *sites) {
        const auto quietest = quietestOfLastDay(store, site.site);
        if (!quietest)
            return fail(store.errorString());
        const QString seen =
            site.lastSeen.isValid()
                ? QStringLiteral("last seen ") +
                      site.lastSeen.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"))
                : QStringLiteral("never seen");
        std::printf("%s\n", qPrintable(QStringLiteral("%1  %2  %3  %4 loops  %5")
                                           .arg(site.site, int(-width))
                                           .arg(site.online ? QStringLiteral("online ")
                                                            : QStringLiteral("offline"),
                                                seen)
                                           .arg(site.loops)
                                           .arg(*quietest)));
    }
    std::fflush(stdout);
    return ExitSuccess;
}

int runExport(const ScanOptions& options) {
    if (refuseOverwrite(options))
        return ExitUsage;
    return exportTo(options, options.outPath) ? ExitSuccess : ExitFailure;
}

int runOnStoredLoops(const ScanOptions& options, int (*command)(const ScanOptions&)) {
    if (refuseOverwrite(options))
        return ExitUsage;
    QTemporaryDir folder;
    if (!folder.isValid())
        return fail(QStringLiteral("no temporary folder: ") + folder.errorString());
    // The file's name titles the waterfall.
    QString name = options.site;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    ScanOptions onFile = options;
    onFile.fromStore = false;
    onFile.scanPath = folder.filePath(name + QStringLiteral(".dat"));
    if (!exportTo(options, onFile.scanPath))
        return ExitFailure;
    if (options.command == Command::Compare) {
        ScanOptions after = options;
        after.from = options.afterFrom;
        after.to = options.afterTo;
        onFile.afterPath = folder.filePath(name + QStringLiteral("-after.dat"));
        if (!exportTo(after, onFile.afterPath))
            return ExitFailure;
    }
    return command(onFile);
}

} // namespace tools::scan
