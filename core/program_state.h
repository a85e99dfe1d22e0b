// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QtGlobal>

// State shared by the main window, its dialogs and the routines they share.
namespace core {

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

} // namespace core
