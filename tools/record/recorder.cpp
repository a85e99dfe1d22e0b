// SPDX-License-Identifier: MIT
#include "tools/record/recorder.h"

#include "core/conventions.h"
#include "core/wall_clock.h"
#include "radio/comm_port.h"
#include "radio/port_access.h"
#include "radio/port_directory.h"
#include "scan/channel_plan.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <utility>

namespace tools::record {

namespace {

int speedPosition(int baud) {
    switch (baud) {
    case 19200:
        return 1;
    case 38400:
        return 2;
    case 57600:
        return 3;
    default:
        return 4;
    }
}

// The strongest measured channel of a loop: "915.4 MHz -62 dBm", or "no reading".
QString strongestOf(const recording::ScanRecord& record) {
    int best = -1;
    for (int chan = 0; chan < record.LastCodes.size() && chan < scan::ChannelCount; ++chan) {
        const int code = static_cast<unsigned char>(record.LastCodes[chan]);
        if (code > 0 && code < 200 &&
            (best < 0 || code < static_cast<unsigned char>(record.LastCodes[best])))
            best = chan;
    }
    if (best < 0)
        return QStringLiteral("no reading");
    return QStringLiteral("%1 MHz %2 dBm")
        .arg(scan::frequencyText(scan::channelF10(best)))
        .arg(-int(static_cast<unsigned char>(record.LastCodes[best])));
}

} // namespace

Recorder::Recorder(RecorderOptions options, const QString& dataFolder, const QString& settingsPath,
                   QTextStream& output, QTextStream& messages)
    : m_options(std::move(options)), m_output(output), m_messages(messages) {
    m_engine.setDataFolder(dataFolder);
    if (!m_options.device.isEmpty()) {
        m_device = m_options.device;
        m_engine.setPortDirectory(radio::PortDirectory(QString(), QStringList{m_options.device}));
        m_engine.setComPort(1);
    } else {
        const radio::PortDirectory directory(settingsPath);
        m_device = directory.devicePath(m_options.port);
        m_engine.setPortDirectory(directory);
        m_engine.setComPort(m_options.port);
    }
    m_engine.setSpeedPosition(speedPosition(m_options.baud));
    m_engine.setFrequencyLimits(m_options.limits);
    m_engine.setAttenuation(m_options.attenuation);
    m_engine.setRunForever(m_options.runForever);
    m_engine.setAutoSave(true);
    m_engine.setLoopsPerScan(m_options.loops.value_or(0));

    connect(&m_engine, &engine::EngineThread::loopRecorded, this, &Recorder::loopRecorded);
    connect(&m_engine, &engine::EngineThread::scanEnded, this, &Recorder::scanEnded);
    connect(&m_engine, &engine::EngineThread::recordingSaved, this, [this](const QString& name) {
        ++m_savedScans;
        say(QStringLiteral("%1 loops saved in %2")
                .arg(m_engine.recordCount())
                .arg(QDir(m_engine.dataFolder()).filePath(name)));
    });
    connect(&m_engine, &engine::EngineThread::failure, this,
            [this](const QString& text, const QString& title) {
                if (title == QLatin1String("Filesystem Error"))
                    m_fileFailed = true;
                say(title.isEmpty() ? text : title + QStringLiteral(": ") + text);
            });
    connect(&m_engine, &engine::EngineThread::connectGivenUp, this, [this](bool portFailed) {
        if (!portFailed && !m_ending)
            say(QStringLiteral("the radio on %1 did not answer the wake-up").arg(m_device));
        endRun(1);
    });
    connect(&m_engine, &engine::EngineThread::tryAgainAsked, &m_engine,
            [this](quint64 question) { m_engine.answerTryAgain(question, false); });
    connect(&m_engine, &engine::EngineThread::saveNameAsked, &m_engine,
            &engine::EngineThread::answerSaveName);
    connect(&m_engine, &engine::EngineThread::quitDone, this, &Recorder::finish);
    if (m_options.publish)
        setUpPublishing();
    m_alarms = survey::AlarmWatch(m_options.alarms);
    if (!m_options.onAlarm.isEmpty()) {
        m_alarmCommand = std::make_unique<AlarmCommand>(m_options.onAlarm, m_options.site);
        connect(m_alarmCommand.get(), &AlarmCommand::problem, this, &Recorder::say);
        connect(m_alarmCommand.get(), &AlarmCommand::output, this, [this](const QByteArray& bytes) {
            m_messages << QString::fromLocal8Bit(bytes);
            m_messages.flush();
        });
    }
}

void Recorder::setUpPublishing() {
    const fleet::BrokerAddress& address = *m_options.publish;
    m_broker = std::make_unique<fleet::MqttClient>(
        QStringLiteral("korlan-record-") + m_options.site, true);
    fleet::SiteStatus status;
    status.site = m_options.site;
    m_broker->setWill(address.statusTopic(status.site), fleet::statusMessage(status), true);
    status.online = true;
    status.version = QCoreApplication::applicationVersion();
    status.lowF10 = m_options.limits.FreqLowLimit;
    status.highF10 = m_options.limits.FreqHighLimit;
    m_outbox = std::make_unique<fleet::Outbox>(*m_broker, address, status, m_engine.dataFolder());
    connect(&m_engine, &engine::EngineThread::loopRecorded, m_outbox.get(),
            &fleet::Outbox::loopRecorded);
    connect(&m_engine, &engine::EngineThread::recordingSaved, m_outbox.get(),
            &fleet::Outbox::recordingSaved);
    connect(m_outbox.get(), &fleet::Outbox::problem, this, &Recorder::say);
    connect(m_broker.get(), &fleet::MqttClient::connected, this, [this] {
        say(QStringLiteral("publishing to %1 as site %2")
                .arg(m_options.publish->shown(), m_options.site));
        publishAlarms();
    });
    connect(m_broker.get(), &fleet::MqttClient::connectionLost, this, [this](const QString& why) {
        say(QStringLiteral("the broker at %1 cannot be reached (%2); recording goes on and the "
                           "loops wait in the scan files")
                .arg(m_options.publish->shown(), why));
    });
}

bool Recorder::start() {
    if (m_device.isEmpty()) {
        say(QStringLiteral("no serial device is mapped to Com %1").arg(m_options.port));
        return false;
    }
    if (const QString problem = radio::portAccessProblem(m_device); !problem.isEmpty()) {
        say(problem);
        return false;
    }
    if (!QDir().mkpath(m_engine.dataFolder())) {
        say(QStringLiteral("the folder %1 cannot be created").arg(m_engine.dataFolder()));
        return false;
    }
    if (m_outbox) {
        QString problem;
        if (!m_outbox->load(&problem) ||
            !m_broker->start(*m_options.publish, m_options.caFile, &problem)) {
            say(problem);
            return false;
        }
    }
    if (m_options.durationSeconds)
        QTimer::singleShot(std::chrono::seconds(*m_options.durationSeconds), this,
                           &Recorder::deadline);
    m_engine.Start();
    return true;
}

void Recorder::interrupt() {
    m_ending = true;
    m_engine.Interrupt(); // the engine's rest finishes the run
}

void Recorder::deadline() {
    if (!m_engine.ScanActive())
        say(QStringLiteral("the time is up"));
    endRun(std::nullopt);
}

void Recorder::loopRecorded(const recording::ScanRecord& record) {
    const qint64 elapsed = core::wallClockSecsTo(m_engine.scanStart(), core::nowToTheSecond());
    m_output << QStringLiteral("loop %1  elapsed %2  strongest %3")
                    .arg(record.LoopNumber)
                    .arg(core::FormatElapsed(double(elapsed)).trimmed())
                    .arg(strongestOf(record))
             << Qt::endl;
    for (const survey::AlarmEvent& event : m_alarms.take(survey::alarmLoopOf(record)))
        alarm(event);
}

void Recorder::alarm(const survey::AlarmEvent& event) {
    m_output << QStringLiteral("alarm %1  %2  loop %3  %4 MHz %5 dBm")
                    .arg(event.kindText(), event.rule)
                    .arg(event.loop)
                    .arg(event.mhzText())
                    .arg(event.dbm)
             << Qt::endl;
    if (m_alarmCommand)
        m_alarmCommand->run(event);
    if (m_broker) {
        fleet::SiteAlarm published;
        published.site = m_options.site;
        published.starts = event.starts();
        published.rule = event.rule;
        published.loop = event.loop;
        published.start = event.loopStart;
        published.f10 = event.f10;
        published.dbm = event.dbm;
        m_alarmsToPublish.append(fleet::alarmMessage(published));
        publishAlarms();
    }
}

void Recorder::publishAlarms() {
    while (m_broker->isConnected() && !m_alarmsToPublish.isEmpty()) {
        if (m_broker->publish(m_options.publish->alarmTopic(m_options.site),
                              m_alarmsToPublish.first(), 1, false) < 0)
            return; // the next alarm or connection tries again
        m_alarmsToPublish.removeFirst();
    }
}

void Recorder::scanEnded(engine::ScanEnd how, qint32 loops) {
    switch (how) {
    case engine::ScanEnd::Stopped:
    case engine::ScanEnd::Interrupted:
        endRun(loops > 0 && !m_fileFailed ? 0 : 1);
        return;
    case engine::ScanEnd::MissedReply:
    case engine::ScanEnd::LinkClosed:
    case engine::ScanEnd::PortLost:
        break;
    }
    if (m_engine.accessCodeRefused()) {
        say(QStringLiteral("the radio refused the access code"));
        endRun(1);
        return;
    }
    const QString what = how == engine::ScanEnd::MissedReply ? QStringLiteral("stopped answering")
                         : how == engine::ScanEnd::LinkClosed
                             ? QStringLiteral("left its setup mode")
                             : QStringLiteral("went away");
    if (m_options.runForever && !m_ending) {
        say(QStringLiteral("the radio %1; reconnecting").arg(what));
        return;
    }
    say(QStringLiteral("the radio %1").arg(what));
    endRun(1);
}

void Recorder::say(const QString& message) {
    QString line = message;
    line.replace(QStringLiteral("\r\n\r\n"), QStringLiteral(" "))
        .replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    m_messages << QStringLiteral("korlan-record: ") << line << Qt::endl;
}

void Recorder::endRun(std::optional<int> exitStatus) {
    if (!m_exitStatus)
        m_exitStatus = exitStatus;
    if (m_ending)
        return;
    m_ending = true;
    m_engine.Quit();
}

// What the engine still had to report has been delivered: the scan is saved and the port may
// close.
void Recorder::finish() {
    m_engine.shutDown();
    if (settled())
        return exit();
    // Loops the broker has yet to acknowledge: a little time to catch up, then the next run
    // publishes what is left.
    if (loopsWait()) {
        say(QStringLiteral("%1 loops wait to be published; waiting up to %2 s")
                .arg(m_outbox->waitingLoops())
                .arg(CatchUpSeconds));
        connect(m_outbox.get(), &fleet::Outbox::caughtUp, this, &Recorder::exitWhenSettled);
    }
    // An alarm command that is still running (the last loop's, often) is given as long to end.
    if (m_alarmCommand && m_alarmCommand->running() > 0)
        connect(m_alarmCommand.get(), &AlarmCommand::allFinished, this, &Recorder::exitWhenSettled);
    QTimer::singleShot(std::chrono::seconds(CatchUpSeconds), this, [this] {
        if (loopsWait())
            say(QStringLiteral("%1 loops are left for the next run to publish")
                    .arg(m_outbox->waitingLoops()));
        exit();
    });
}

bool Recorder::loopsWait() const {
    return m_outbox && m_broker->isConnected() && m_outbox->waitingLoops() > 0;
}

bool Recorder::settled() const {
    return !loopsWait() && !(m_alarmCommand && m_alarmCommand->running() > 0);
}

void Recorder::exitWhenSettled() {
    if (settled())
        exit();
}

void Recorder::exit() {
    if (m_exiting)
        return;
    m_exiting = true;
    if (m_broker && m_broker->isConnected()) {
        fleet::SiteStatus offline;
        offline.site = m_options.site;
        m_broker->publish(m_options.publish->statusTopic(offline.site),
                          fleet::statusMessage(offline), 1, true);
    }
    QCoreApplication::exit(m_exitStatus.value_or(m_savedScans > 0 && !m_fileFailed ? 0 : 1));
}

} // namespace tools::record
