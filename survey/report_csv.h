// SPDX-License-Identifier: MIT
#pragma once

#include "survey/survey_report.h"

#include <QByteArray>

// The survey report as CSV: a header line, then one line per channel group in ranking order, then
// one per channel of the span in frequency order:
//   scope,name,first_mhz,last_mhz,rank,readings,measured,occupied,occupancy_percent,median_dbm,
//   p90_dbm,strongest_dbm,threshold_dbm
// scope is "group" or "channel". Rank, occupancy and levels are empty where nothing was measured.
namespace survey {

QByteArray reportCsv(const SurveyReport& report);

} // namespace survey
