// SPDX-License-Identifier: MIT
#include "tools/record/alarm_command.h"

#include <QProcess>

#include <utility>

namespace tools::record {

AlarmCommand::AlarmCommand(const QString& command, const QString& site, QObject* parent)
    : QObject(parent), m_command(command), m_site(site) {}

void AlarmCommand::run(const survey::AlarmEvent& event) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORLAN_ALARM"), event.kindText());
    env.insert(QStringLiteral("KORLAN_ALARM_RULE"), event.rule);
    env.insert(QStringLiteral("KORLAN_ALARM_LOOP"), QString::number(event.loop));
    env.insert(QStringLiteral("KORLAN_ALARM_TIME"), event.loopStart.toString(Qt::ISODate));
    env.insert(QStringLiteral("KORLAN_ALARM_MHZ"), event.mhzText());
    env.insert(QStringLiteral("KORLAN_ALARM_DBM"), QString::number(event.dbm));
    if (!m_site.isEmpty())
        env.insert(QStringLiteral("KORLAN_SITE"), m_site);

    auto* process = new QProcess(this);
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    connect(process, &QProcess::readyReadStandardOutput, this,
            [this, process] { emit output(process->readAllStandardOutput()); });
    connect(process, &QProcess::finished, this,
            [this, process](int exitCode, QProcess::ExitStatus status) {
                emit output(process->readAllStandardOutput());
                ended(process,
                      status == QProcess::CrashExit ? QStringLiteral("was ended by a signal")
                      : exitCode != 0 ? QStringLiteral("exited with status %1").arg(exitCode)
                                      : QString());
            });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            ended(process, QStringLiteral("could not start (%1)").arg(process->errorString()));
    });
    ++m_running;
    process->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), m_command});
}

void AlarmCommand::ended(QProcess* process, const QString& failure) {
    process->deleteLater();
    if (!failure.isEmpty() && !std::exchange(m_failureTold, true))
        emit problem(QStringLiteral("the alarm command %1; recording goes on, and later failures "
                                    "of the command are not told")
                         .arg(failure));
    if (--m_running == 0)
        emit allFinished();
}

} // namespace tools::record
