// SPDX-License-Identifier: MIT
#pragma once

#include "survey/alarm_watch.h"

#include <QObject>
#include <QString>

class QProcess;

namespace tools::record {

// The --on-alarm command, run through /bin/sh -c at each alarm start and end without waiting for
// it: every run is a process of its own, started asynchronously, with the alarm in its
// environment. What it prints, on either channel, is handed on as `output` for the recorder's
// messages. The first run that cannot start or ends in failure is told as `problem`; later
// failures are not, so that a broken command does not fill the messages.
class AlarmCommand : public QObject {
    Q_OBJECT

public:
    // site: KORLAN_SITE, when not empty.
    AlarmCommand(const QString& command, const QString& site, QObject* parent = nullptr);

    void run(const survey::AlarmEvent& event);
    // Runs that have not ended yet.
    int running() const { return m_running; }

signals:
    void output(const QByteArray& bytes);
    void problem(const QString& text);
    // The last run still going has ended.
    void allFinished();

private:
    void ended(QProcess* process, const QString& failure);

    QString m_command;
    QString m_site;
    int m_running = 0;
    bool m_failureTold = false;
};

} // namespace tools::record
