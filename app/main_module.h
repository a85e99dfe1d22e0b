// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QtGlobal>

// State shared by the main window and its dialogs, and the routines they share.
namespace app {

// LinkState values.
constexpr qint32 LinkIdle = 0;
constexpr qint32 LinkConnecting = 1;
constexpr qint32 LinkScanning = 4;

struct MainModule {
    QString IniFilePath;
    qint32 CurrentFreq = 0; // tenths of a MHz; 0 before the first request of a scan
    qint16 ComPort = 0;
    qint32 LinkState = LinkIdle;
    bool ScanActive = false;
    bool QuitConfirmed = false;
    QString ScanFileName; // file name (no folder) the recording will be saved under
    QString RestoreScanName;
    bool AutoSaveScanOn = false;
    bool AutoStartScanOn = false;
    QString SettingsRestoreName;
    qint16 BarGap = 2; // pixels between neighbouring bars
};

MainModule& modMain();

// The settings file at modMain().IniFilePath. Reads give "NOT SET" for anything missing or empty;
// writes report nothing.
QString ReadIni(const QString& section, const QString& key);
void WriteIni(const QString& section, const QString& key, const QString& value);

// Every protocol timer and wait goes through one scale factor; the program runs at 1, tests
// compress time with a smaller one.
double timeScale();
void setTimeScale(double scale);
int scaledMs(int milliseconds);

// Waits the given (scaled) time on a monotonic clock, processing pending events unless noEvents.
void Wait(int milliseconds, bool noEvents = false);

} // namespace app
