// SPDX-License-Identifier: MIT
#pragma once

#include "survey/scan_reader.h"
#include "survey/survey_report.h"

#include <QString>

class QIODevice;

// The site report as A4 pages of PDF, for installers to hand to clients and regulators: the site
// and the scan's times, the recommendation, the method, the groups ranked in a table, a chart of
// each group's occupancy, then the waterfall and the plot of the Peak and Average at the scan's
// end. Its words are text a reader can search and copy; it reads printed in black and white too.
// Writing needs a QGuiApplication (fonts), not a display.
namespace survey {

// "KorlanSpecAn 4.0.1": the program and version the footer names.
QString reportPdfProgram();

// Pages with loops: the report's page and the pictures' page.
constexpr int ReportPdfPages = 2;

// "<scan name>_report.pdf".
QString defaultPdfName(const QString& scanPath);

// The PDF of `report` on `out`. Its pictures show the loops the report counted, which `reader`
// gives again from its first; `site` titles it. False with the reason in `error`.
bool writeReportPdf(const SurveyReport& report, const QString& site, ScanReader& reader,
                    QIODevice& out, QString* error);

// The same as a file, which appears only once it is whole and never in place of the scan.
bool saveReportPdf(const SurveyReport& report, const QString& site, ScanReader& reader,
                   const QString& path, QString* error);

} // namespace survey
