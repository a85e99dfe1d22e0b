// SPDX-License-Identifier: MIT
#include "core/wall_clock.h"

namespace core {

namespace {

qint64 wallClockSecs(const QDateTime& when) {
    return QDateTime(when.date(), when.time(), Qt::UTC).toSecsSinceEpoch();
}

} // namespace

QDateTime nowToTheSecond() {
    const QDateTime now = QDateTime::currentDateTime();
    return now.addMSecs(-now.time().msec());
}

qint64 wallClockSecsTo(const QDateTime& from, const QDateTime& to) {
    return wallClockSecs(to) - wallClockSecs(from);
}

} // namespace core
