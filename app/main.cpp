// SPDX-License-Identifier: MIT
#include "app/frm_specan.h"
#include "app/manifest.h"
#include "app/program_start.h"
#include "app/program_version.h"
#include "survey/alarm_rule.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QProcess>

#include <cstdio>
#include <vector>

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
    const QCommandLineOption alarm(
        QStringLiteral("alarm"),
        QStringLiteral("Show in the status box while a level alarm is on: 'GROUP >= LEVEL for N "
                       "loops' or 'MHz-MHz >= LEVEL for N loops' ('Grp 3 >= -80 for 3 loops'). "
                       "May be given more than once."),
        QStringLiteral("rule"));
    options.addOptions({remote, site, alarm});
    options.process(application);
    if (options.isSet(remote) != options.isSet(site)) {
        std::fprintf(stderr, "KorlanSpecAn: --remote and --site go together\n");
        return 2;
    }
    std::vector<survey::AlarmRule> alarms;
    for (const QString& text : options.values(alarm)) {
        auto rule = survey::parseAlarmRule(text);
        if (const auto* why = std::get_if<QString>(&rule)) {
            std::fprintf(stderr, "KorlanSpecAn: %s\n", qPrintable(*why));
            return 2;
        }
        alarms.push_back(std::get<survey::AlarmRule>(std::move(rule)));
    }
    app::frmSpecAn window;
    window.watchAlarms(std::move(alarms));
    if (options.isSet(remote))
        window.watchAtStart(options.value(remote), options.value(site));
    app::startProgram(window, QCoreApplication::applicationDirPath());
    return QApplication::exec();
}
