// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QtGlobal>

// The little state that the window, its dialogs and the programs without a window share. The
// state of the link and of a scan belongs to the scan engine.
namespace core {

struct MainModule {
    QString IniFilePath;
    bool AutoStartScanOn = false;
    qint16 BarGap = 2; // pixels between neighbouring bars
};

MainModule& modMain();

} // namespace core
