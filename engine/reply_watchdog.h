// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace engine {

// The reply watchdog: every request arms it, every complete reply disarms it, and it fires when a
// reply is more than its interval late. A scan arms and disarms it hundreds of times a second, so
// that doing so leaves the event loop's timers alone: a running timer runs on, and at its end
// looks how long the request now outstanding has waited.
class ReplyWatchdog : public QObject {
    Q_OBJECT

public:
    ReplyWatchdog(int intervalMs, QObject* parent);

    void arm();
    void disarm() { m_armed = false; }
    bool isArmed() const { return m_armed; }
    int interval() const { return m_interval; }

signals:
    void timeout();

private:
    void check();

    int m_interval;
    bool m_armed = false;
    QElapsedTimer m_since; // since the request outstanding was sent
    QTimer m_timer;
};

} // namespace engine
