// SPDX-License-Identifier: MIT
#pragma once

#include "tools/scan/scan_options.h"

// The commands of korlan-scan. Results go to standard output or the output file, messages to
// standard error; each returns the exit status.
namespace tools::scan {

int runCsv(const ScanOptions& options);
int runReport(const ScanOptions& options);
int runCompare(const ScanOptions& options);
// Needs a QGuiApplication (text on the picture).
int runWaterfall(const ScanOptions& options);

} // namespace tools::scan
