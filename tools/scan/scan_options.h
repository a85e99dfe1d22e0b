// SPDX-License-Identifier: MIT
#pragma once

#include "survey/survey_report.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace tools::scan {

constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

constexpr int DefaultWaterfallHeight = 600;
constexpr int MinWaterfallHeight = 16;
constexpr int MaxWaterfallHeight = 10000;

enum class Command { Help, Version, Csv, Report, Compare, Waterfall, Sites, Export };

struct ScanOptions {
    Command command = Command::Help;
    QString scanPath;
    QString afterPath; // compare: the later scan
    QString outPath;   // csv: OUT.csv ("" for stdout); waterfall: OUT.png; report: --csv
    QString pdfPath;   // report: --pdf
    survey::ReportSettings report; // report; compare takes its threshold
    int height = DefaultWaterfallHeight;
    // The loops come from a store of the fleet's loops instead of a scan file.
    bool fromStore = false;
    QString store; // "" for the default store in the Data folder
    QString site;
    QDateTime from, to;           // loops that started in [from, to); an invalid end is open
    QDateTime afterFrom, afterTo; // compare: the later range of the same site
};

// The arguments after the program's name. Nothing, with a sentence in `error`, when they do
// not make a command.
std::optional<ScanOptions> parseOptions(const QStringList& arguments, QString* error);

QString usageText();

} // namespace tools::scan
