// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>

// The times the program shows and records are wall-clock readings to the second; differences
// between them are taken between the readings, so that a daylight-saving change does not bend an
// elapsed time.
namespace core {

QDateTime nowToTheSecond();
// Whole seconds from one wall-clock reading to another.
qint64 wallClockSecsTo(const QDateTime& from, const QDateTime& to);

} // namespace core
