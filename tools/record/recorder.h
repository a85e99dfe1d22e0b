// SPDX-License-Identifier: MIT
#pragma once

#include "engine/engine_thread.h"
#include "fleet/mqtt_client.h"
#include "fleet/outbox.h"
#include "survey/alarm_watch.h"
#include "tools/record/alarm_command.h"
#include "tools/record/recorder_options.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTextStream>

#include <memory>
#include <optional>

namespace tools::record {

// Drives the scan engine, on its own thread, without a window: it answers the engine's questions
// by rule (no retry without --forever, every ended scan saved under its default name), prints a
// line per recorded loop on its output and everything else on its messages, and ends the
// application with the exit status once the run is over and the engine is at rest. With a broker
// to publish to, every recorded loop also goes into the outbox. Level alarms are watched on the
// loops as they are delivered here, on the recorder's thread: each start and end is printed, runs
// the alarm command and is published.
class Recorder : public QObject {
    Q_OBJECT

public:
    // How long a run that has ended waits for the broker to take the loops it still has.
    static constexpr int CatchUpSeconds = 10;

    Recorder(RecorderOptions options, const QString& dataFolder, const QString& settingsPath,
             QTextStream& output, QTextStream& messages);

    // Starts the run from the event loop; false (after a message) when the port, or the outbox of
    // the loops to publish, cannot be used.
    bool start();
    // SIGINT or SIGTERM: the scan ends at once and is saved.
    void interrupt();

private:
    void loopRecorded(const recording::ScanRecord& record);
    void alarm(const survey::AlarmEvent& event);
    // Hands the alarm messages that wait to the broker once it is connected: what the client
    // takes then it keeps until the broker has it.
    void publishAlarms();
    void scanEnded(engine::ScanEnd how, qint32 loops);
    void deadline();
    void say(const QString& message);
    // The run is over: the engine winds down, and the application ends once it is at rest. The
    // first status given is the exit status; without one, the run succeeded when a scan was saved.
    void endRun(std::optional<int> exitStatus);
    void finish();
    // The broker has loops to take, with a connection to take them.
    bool loopsWait() const;
    // Nothing waits for the broker and no alarm command runs.
    bool settled() const;
    void exitWhenSettled();
    void exit();
    void setUpPublishing();

    RecorderOptions m_options;
    engine::EngineThread m_engine;
    QTextStream& m_output;
    QTextStream& m_messages;
    QString m_device;
    int m_savedScans = 0;
    bool m_fileFailed = false;
    bool m_ending = false;
    bool m_exiting = false;
    std::optional<int> m_exitStatus;
    std::unique_ptr<fleet::MqttClient> m_broker;
    std::unique_ptr<fleet::Outbox> m_outbox; // goes before its client
    survey::AlarmWatch m_alarms;
    std::unique_ptr<AlarmCommand> m_alarmCommand;
    QList<QByteArray> m_alarmsToPublish;
};

} // namespace tools::record
