// SPDX-License-Identifier: MIT
#include "app/frm_specan.h"
#include "app/manifest.h"
#include "app/program_start.h"
#include "app/program_version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QProcess>

#include <cstdio>

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
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("The 900 MHz band through a Ternaflow radio."));
    options.addHelpOption();
    options.addVersionOption();
    const QCommandLineOption remote(QStringLiteral("remote"),
                                    QStringLiteral("Watch a site of the fleet through this broker "
                                                   "(mqtt://host[:port][/prefix])."),
                                    QStringLiteral("url"));
    const QCommandLineOption site(QStringLiteral("site"), QStringLiteral("The site to watch."),
                                  QStringLiteral("name"));
    options.addOptions({remote, site});
    options.process(application);
    if (options.isSet(remote) != options.isSet(site)) {
        std::fprintf(stderr, "KorlanSpecAn: --remote and --site go together\n");
        return 2;
    }
    app::frmSpecAn window;
    if (options.isSet(remote))
        window.watchAtStart(options.value(remote), options.value(site));
    app::startProgram(window, QCoreApplication::applicationDirPath());
    return QApplication::exec();
}
