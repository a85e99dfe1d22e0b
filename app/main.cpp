// SPDX-License-Identifier: MIT
#include "app/frm_specan.h"
#include "app/manifest.h"
#include "app/program_start.h"
#include "app/program_version.h"

#include <QApplication>
#include <QProcess>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KorlanSpecAn"));
    QApplication::setApplicationVersion(app::programVersion());
    // Desktops find the installed entry, and its icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.korlan.KorlanSpecAn"));
    // A manifest written just now takes effect in a new instance; this one ends unseen.
    if (app::EnsureManifest(QCoreApplication::applicationFilePath())) {
        QProcess::startDetached(QCoreApplication::applicationFilePath(), {},
                                QCoreApplication::applicationDirPath());
        return 0;
    }
    app::frmSpecAn window;
    app::startProgram(window, QCoreApplication::applicationDirPath());
    return QApplication::exec();
}
