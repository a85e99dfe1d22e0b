// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/store_address.h"

#include <QStringList>

namespace fleet {

// The statements that make the store's tables, indexes and the "levels" view where they are
// missing; the same names and columns in both databases, the types in each one's own terms.
//
//   sites  (site, status 'online'/'offline', version, last_seen UTC epoch seconds)
//   scans  (site, scan, attenuation, first_start, utc_offset)
//   loops  (site, scan, loop, start_utc, utc_offset, attenuation, first_mhz, step_mhz,
//           last_dbm, peak_dbm, average_dbm: JSON arrays, null for a missing level)
//   levels (time, site, scan, loop, frequency_mhz, last_dbm, peak_dbm, average_dbm): a row per
//           loop and channel; time is a timestamptz in PostgreSQL, "YYYY-MM-DD HH:MM:SS" UTC
//           text in SQLite.
QStringList schemaStatements(StoreAddress::Kind kind);

} // namespace fleet
