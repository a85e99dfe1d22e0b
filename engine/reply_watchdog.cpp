// SPDX-License-Identifier: MIT
#include "engine/reply_watchdog.h"

namespace engine {

ReplyWatchdog::ReplyWatchdog(int intervalMs, QObject* parent)
    : QObject(parent), m_interval(intervalMs) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ReplyWatchdog::check);
}

void ReplyWatchdog::arm() {
    m_armed = true;
    m_since.start();
    if (!m_timer.isActive())
        m_timer.start(m_interval);
}

void ReplyWatchdog::check() {
    if (!m_armed)
        return;
    const qint64 left = m_interval - m_since.elapsed();
    if (left > 0) {
        m_timer.start(int(left));
        return;
    }
    m_armed = false;
    emit timeout();
}

} // namespace engine
