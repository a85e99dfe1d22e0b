// SPDX-License-Identifier: MIT
#include "core/wait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace core {

namespace {
double g_timeScale = 1.0;
}

double timeScale() {
    return g_timeScale;
}

void setTimeScale(double scale) {
    g_timeScale = scale > 0 ? scale : 1.0;
}

int scaledMs(int milliseconds) {
    if (milliseconds <= 0)
        return milliseconds;
    return std::max(1, int(std::lround(milliseconds * g_timeScale)));
}

void Wait(int milliseconds, bool noEvents) {
    if (milliseconds <= 0)
        return;
    const int duration = scaledMs(milliseconds);
    QElapsedTimer clock;
    clock.start();
    while (true) {
        const qint64 left = duration - clock.elapsed();
        if (left <= 0)
            return;
        if (noEvents) {
            QThread::msleep(static_cast<unsigned long>(left));
            continue;
        }
        // Sleeps until an event arrives or the time is up, running whatever is pending.
        QEventLoop loop;
        QTimer::singleShot(int(left), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

} // namespace core
