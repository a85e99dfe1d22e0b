// SPDX-License-Identifier: MIT
#pragma once

#include "tools/scan/scan_options.h"

// The commands of korlan-scan that read the fleet's store of loops.
namespace tools::scan {

int runSites(const ScanOptions& options);
int runExport(const ScanOptions& options);
// `command` (csv, report or waterfall) on the site's loops, exported first to a temporary scan
// file.
int runOnStoredLoops(const ScanOptions& options, int (*command)(const ScanOptions&));

} // namespace tools::scan
