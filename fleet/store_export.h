// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/loop_store.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace fleet {

// Writes the site's loops that started in [from, to) (an invalid end is open) as a scan file,
// records numbered 1..N in start order, which the analyser plays back like any recording. The
// file appears only whole, and only with at least one loop. Returns the number of loops written
// (0 when there were none, the file left as it was); nothing, with `error`, on a database or file
// failure.
std::optional<qint64> exportLoops(LoopStore& store, const QString& site, const QDateTime& from,
                                  const QDateTime& to, const QString& path, QString* error);

} // namespace fleet
