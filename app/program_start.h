// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace app {

class frmSpecAn;
class frmSplash;

// The program's start: the splash shows, loads the main window from the program's folder behind
// itself and hands over to it when its progress has run out.
frmSplash* startProgram(frmSpecAn& window, const QString& programFolder);

} // namespace app
