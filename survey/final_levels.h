// SPDX-License-Identifier: MIT
#pragma once

#include "recording/scan_record.h"
#include "scan/channel_plan.h"

#include <QString>

#include <array>
#include <optional>

namespace survey {

// Where a scan ended: each channel's Peak and Average as its last sound loop recorded them, in
// dBm. A channel without a level (skipped, no usable reply, or not reached by that loop's sweep)
// has none.
struct FinalLevels {
    qint32 Loop = 0; // the loop they come from
    std::array<std::optional<int>, scan::ChannelCount> PeakDbm{};
    std::array<std::optional<int>, scan::ChannelCount> AverageDbm{};
};

// The levels one record holds.
FinalLevels finalLevelsOf(const recording::ScanRecord& record);

// The levels of the scan file's last sound loop; nothing, with the reason, when the file cannot be
// read or is not a scan file. Damaged records after the last sound loop are left out, as every
// reader of scan files leaves them out.
std::optional<FinalLevels> readFinalLevels(const QString& path, QString* problem);

} // namespace survey
