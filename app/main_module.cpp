// SPDX-License-Identifier: MIT
#include "app/main_module.h"

#include "settings/ini_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace app {

namespace {
double g_timeScale = 1.0;
}

MainModule& modMain() {
    static MainModule module;
    return module;
}

QString ReadIni(const QString& section, const QString& key) {
    return settings::IniFile(modMain().IniFilePath).ReadIni(section, key);
}

void WriteIni(const QString& section, const QString& key, const QString& value) {
    settings::IniFile(modMain().IniFilePath).WriteIni(section, key, value);
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

} // namespace app
