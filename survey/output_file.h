// SPDX-License-Identifier: MIT
#pragma once

#include "survey/scan_reader.h"
#include "survey/survey_report.h"

#include <QString>

// Writing what the survey makes of a scan to files. A file appears only once it is whole, and
// never in place of the scan it comes from.
namespace survey {

// Whether two paths name the same file, through links too.
bool sameFile(const QString& a, const QString& b);

// The loops as rtl_power CSV (see rtl_power_csv.h).
bool saveLoopsCsv(ScanReader& reader, const QString& path, QString* error);
// The report as CSV (see report_csv.h); `scanPath` is the scan it describes.
bool saveReportCsv(const SurveyReport& report, const QString& path, const QString& scanPath,
                   QString* error);

} // namespace survey
