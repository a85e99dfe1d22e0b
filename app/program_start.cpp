// SPDX-License-Identifier: MIT
#include "app/program_start.h"

#include "app/frm_specan.h"
#include "app/frm_splash.h"

namespace app {

frmSplash* startProgram(frmSpecAn& window, const QString& programFolder) {
    auto* splash = new frmSplash(&window, frmSplash::Role::StartUp,
                                 [&window, programFolder] { window.Form_Load(programFolder); });
    splash->Form_Load();
    return splash;
}

} // namespace app
