// SPDX-License-Identifier: MIT
#include "tools/scan/scan_commands.h"

#include "display/picture_file.h"
#include "display/waterfall_image.h"
#include "display/waterfall_picture.h"
#include "survey/output_file.h"
#include "survey/report_pdf.h"
#include "survey/rtl_power_csv.h"
#include "survey/scan_reader.h"
#include "survey/survey_compare.h"
#include "survey/survey_counts.h"
#include "survey/survey_report.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace tools::scan {

namespace {

void message(const QString& text) {
    std::fprintf(stderr, "korlan-scan: %s\n", qPrintable(text));
}

int fail(const QString& text) {
    message(text);
    return ExitFailure;
}

// What was left out of a damaged scan, once its whole part has been used.
int finish(const survey::ScanReader& reader) {
    const QString warning = reader.warning();
    if (warning.isEmpty())
        return ExitSuccess;
    for (const QString& line : warning.split(QLatin1Char('\n')))
        message(line);
    return ExitFailure;
}

bool refuseOverwrite(const ScanOptions& options) {
    for (const QString& out : {options.outPath, options.pdfPath}) {
        if (!out.isEmpty() && survey::sameFile(out, options.scanPath)) {
            message(QStringLiteral("%1 is the scan itself; it is never written over").arg(out));
            return true;
        }
    }
    return false;
}

} // namespace

int runCsv(const ScanOptions& options) {
    if (refuseOverwrite(options))
        return ExitUsage;
    survey::ScanReader reader;
    if (!reader.open(options.scanPath))
        return fail(reader.errorString());
    QString error;
    if (options.outPath.isEmpty()) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || !survey::writeLoopsCsv(reader, out, &error))
            return fail(QStringLiteral("standard output: ") + error);
        out.flush();
    } else if (!survey::saveLoopsCsv(reader, options.outPath, &error)) {
        return fail(error);
    }
    return finish(reader);
}

int runReport(const ScanOptions& options) {
    if (refuseOverwrite(options))
        return ExitUsage;
    survey::ScanReader reader;
    if (!reader.open(options.scanPath))
        return fail(reader.errorString());
    const survey::SurveyReport report =
        survey::makeReport(survey::countLoops(reader), options.report);
    std::fputs(qPrintable(survey::rankingTable(report)), stdout);
    std::fflush(stdout);
    QString error;
    if (!options.outPath.isEmpty() &&
        !survey::saveReportCsv(report, options.outPath, options.scanPath, &error))
        return fail(error);
    const QString site =
        options.site.isEmpty() ? QFileInfo(options.scanPath).completeBaseName() : options.site;
    if (!options.pdfPath.isEmpty() &&
        !survey::saveReportPdf(report, site, reader, options.pdfPath, &error))
        return fail(error);
    return finish(reader);
}

int runCompare(const ScanOptions& options) {
    survey::ScanReader before;
    survey::ScanReader after;
    for (auto [reader, path] :
         {std::pair{&before, options.scanPath}, {&after, options.afterPath}}) {
        if (!reader->open(path))
            return fail(reader->errorString());
    }
    const survey::SurveyComparison comparison = survey::compareSurveys(
        survey::countLoops(before), survey::countLoops(after), options.report.Threshold);
    std::fputs(
        qPrintable(survey::comparisonTable(comparison, QFileInfo(options.scanPath).fileName(),
                                           QFileInfo(options.afterPath).fileName())),
        stdout);
    std::fflush(stdout);
    const int beforeStatus = finish(before);
    return std::max(beforeStatus, finish(after));
}

int runWaterfall(const ScanOptions& options) {
    if (refuseOverwrite(options))
        return ExitUsage;
    survey::ScanReader reader;
    if (!reader.open(options.scanPath))
        return fail(reader.errorString());
    display::WaterfallImage waterfall(options.height);
    waterfall.render(reader);
    const QString title =
        display::waterfallTitle(QFileInfo(options.scanPath).fileName(), waterfall);
    QString error;
    if (!display::savePng(display::waterfallPicture(waterfall, title, options.height),
                          options.outPath, options.scanPath, &error))
        return fail(error);
    return finish(reader);
}

} // namespace tools::scan
