// SPDX-License-Identifier: MIT
// The analyser as a process of its own, for tests that must end it abruptly: it loads from the
// folder given, answers every message box, starts a scan and runs until it is killed.
#include "app/frm_specan.h"
#include "app/msg_box.h"
#include "core/program_state.h"
#include "core/wait.h"
#include "settings/program_settings.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc < 2)
        return 2;
    core::setTimeScale(0.05);
    app::setMsgBoxAnswerer([](const app::MsgBoxCall&) { return app::MsgBoxAnswer::No; });
    app::frmSpecAn window;
    window.Form_Load(QString::fromLocal8Bit(argv[1]));
    window.show();
    QTimer::singleShot(0, &window, &app::frmSpecAn::cmdConnect_Click);
    return QApplication::exec();
}
