// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/site_loop.h"
#include "recording/scan_record.h"

#include <optional>

namespace fleet {

// The name a scan goes by in the fleet, from its first loop: "2026-12-07_11-20-05", with
// "_-20dB" when it ran with attenuation. Nothing when the record's start is not a time.
std::optional<QString> fleetScanName(const recording::ScanRecord& firstLoop);

// A recorded loop as the fleet carries it: the channels inside the scan's limits (code 201 marks
// those outside) up to where the sweep reached, a level for codes 1..199, nothing for a channel
// whose group was off or a reply without a level. The start is read as this machine's local
// time. Nothing when the start is not a time or no channel lies inside the limits.
std::optional<SiteLoop> siteLoopOfRecord(const recording::ScanRecord& record, const QString& site,
                                         const QString& scan);

// The record a loop makes in a scan file, numbered `number`: channels outside its list are
// outside the limits, a missing level is a channel whose group was off, and the start is shown in
// the site's own time.
recording::ScanRecord recordOfSiteLoop(const SiteLoop& loop, qint32 number);

} // namespace fleet
