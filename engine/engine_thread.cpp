// SPDX-License-Identifier: MIT
#include "engine/engine_thread.h"

#include "engine/scan_engine.h"
#include "radio/comm_port.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace engine {

// Lives on the engine's thread beside the engine: turns each of its signals into an update for
// the owner's thread, noting the engine's status where it changed, and sends what has gathered
// at most once a frame.
class UpdateRelay : public QObject {
public:
    UpdateRelay(ScanEngine& engine, EngineThread& owner, QObject* parent)
        : QObject(parent), m_engine(engine), m_owner(owner) {
        m_flush.setSingleShot(true);
        connect(&m_flush, &QTimer::timeout, this, &UpdateRelay::flush);
        m_sinceFlush.start();

        // Readings change no status: they go without a look at it.
        relay(&EngineEvents::channelStored, false);
        relay(&EngineEvents::channelSkipped, false);
        relay(&EngineEvents::stateChanged);
        relay(&EngineEvents::statusText);
        relay(&EngineEvents::statusBlinking);
        relay(&EngineEvents::statusShown);
        relay(&EngineEvents::setupProgress);
        relay(&EngineEvents::connecting);
        relay(&EngineEvents::connected);
        relay(&EngineEvents::connectGivenUp);
        relay(&EngineEvents::tryAgainAsked);
        relay(&EngineEvents::saveNameAsked);
        relay(&EngineEvents::scanStarted);
        relay(&EngineEvents::readingsReplaced);
        relay(&EngineEvents::loopRecorded);
        relay(&EngineEvents::loopEnded);
        relay(&EngineEvents::peaksReset);
        relay(&EngineEvents::averagesReset);
        relay(&EngineEvents::stopping);
        relay(&EngineEvents::scanEnded);
        relay(&EngineEvents::scanFileOpened);
        relay(&EngineEvents::recordingSaved);
        relay(&EngineEvents::failure);
        relay(&EngineEvents::quitDone);
    }

    // A command has run: what it changed without a signal goes with the next batch.
    void commandDone() {
        noteStatus();
        scheduleFlush();
    }

private:
    // Each argument is copied into the update, which emits the same signal on the owner.
    template <typename... Args>
    void relay(void (EngineEvents::*signal)(Args...), bool changesStatus = true) {
        connect(&m_engine, signal, this, [this, signal, changesStatus](Args... args) {
            if (changesStatus)
                noteStatus();
            m_batch.push_back([signal, args...](EngineThread& owner) { (owner.*signal)(args...); });
            scheduleFlush();
        });
    }

    void noteStatus() {
        EngineStatus now = m_engine.status();
        if (now == m_sent)
            return;
        m_sent = now;
        m_batch.push_back([now](EngineThread& owner) { owner.takeStatus(now); });
    }

    void scheduleFlush() {
        if (m_batch.empty() || m_flush.isActive())
            return;
        m_flush.start(int(std::max<qint64>(0, EngineThread::FrameMs - m_sinceFlush.elapsed())));
    }

    void flush() {
        m_sinceFlush.start();
        QMetaObject::invokeMethod(
            &m_owner,
            [owner = &m_owner, batch = std::exchange(m_batch, {})]() mutable {
                owner->deliver(std::move(batch));
            },
            Qt::QueuedConnection);
    }

    ScanEngine& m_engine;
    EngineThread& m_owner; // only posted to
    EngineThread::Batch m_batch;
    EngineStatus m_sent;
    QTimer m_flush;
    QElapsedTimer m_sinceFlush;
};

EngineThread::EngineThread(QObject* parent) : EngineEvents(parent) {
    // The mirrors follow the updates before anyone else hears of them.
    connect(this, &EngineThread::channelStored, this,
            [this](int chan, const scan::ChannelReading& reading) { m_readings[chan] = reading; });
    connect(this, &EngineThread::readingsReplaced, this,
            [this](const scan::Readings& readings) { m_readings = readings; });

    m_thread.setObjectName(QStringLiteral("engine"));
    m_thread.start();
    m_home = new QObject;
    m_home->moveToThread(&m_thread);
    // The engine, its port and its timers are made on their own thread.
    QMetaObject::invokeMethod(
        m_home,
        [this] {
            m_engine = new ScanEngine(m_home);
            m_relay = new UpdateRelay(*m_engine, *this, m_home);
        },
        Qt::BlockingQueuedConnection);
}

EngineThread::~EngineThread() {
    shutDown();
}

template <typename Command> void EngineThread::post(Command command) {
    if (!m_home)
        return;
    QMetaObject::invokeMethod(
        m_home,
        [engine = m_engine, relay = m_relay, command = std::move(command)] {
            command(*engine);
            relay->commandDone();
        },
        Qt::QueuedConnection);
}

void EngineThread::shutDown() {
    if (!m_home)
        return;
    EngineStatus last;
    QMetaObject::invokeMethod(
        m_home,
        [engine = m_engine, &last] {
            engine->shutDown();
            last = engine->status();
        },
        Qt::BlockingQueuedConnection);
    // Deleted on its own thread as the thread ends.
    m_home->deleteLater();
    m_thread.quit();
    m_thread.wait();
    m_home = nullptr;
    m_engine = nullptr;
    m_relay = nullptr;
    m_undelivered.clear();
    m_status = last;
    m_reader.close();
}

// Batches are delivered one after the other, each whole: one that arrives while a slot of an
// earlier one runs a nested event loop waits for it.
void EngineThread::deliver(Batch batch) {
    if (!m_home)
        return;
    m_undelivered.push_back(std::move(batch));
    if (m_delivering)
        return;
    m_delivering = true;
    const QPointer<EngineThread> self(this);
    while (self && m_home && !m_undelivered.empty()) {
        const Batch next = std::move(m_undelivered.front());
        m_undelivered.pop_front();
        for (const Update& update : next) {
            update(*this);
            if (!self || !m_home)
                return;
        }
        emit batchDelivered();
        if (!self || !m_home)
            return;
    }
    if (self)
        m_delivering = false;
}

std::optional<recording::ScanRecord> EngineThread::readRecord(qint32 n) const {
    if (m_status.scanFilePath.isEmpty())
        return std::nullopt;
    if (m_readerGeneration != m_status.scanFileGeneration || !m_reader.isOpen()) {
        m_readerGeneration = m_status.scanFileGeneration;
        if (!m_reader.openForReading(m_status.scanFilePath))
            return std::nullopt;
    }
    return m_reader.readRecord(n);
}

void EngineThread::setDataFolder(const QString& folder) {
    m_dataFolder = folder;
    post([folder](ScanEngine& e) { e.setDataFolder(folder); });
}

void EngineThread::setPortDirectory(const radio::PortDirectory& directory) {
    post([directory](ScanEngine& e) { e.setPortDirectory(directory); });
}

void EngineThread::setComPort(int port) {
    post([port](ScanEngine& e) { e.setComPort(port); });
}

void EngineThread::setSpeedPosition(int position) {
    post([position](ScanEngine& e) { e.setSpeedPosition(position); });
}

void EngineThread::setRunForever(bool on) {
    post([on](ScanEngine& e) { e.setRunForever(on); });
}

void EngineThread::setAutoSave(bool on) {
    post([on](ScanEngine& e) { e.setAutoSave(on); });
}

void EngineThread::setGroupBoxes(const scan::GroupBoxes& boxes) {
    post([boxes](ScanEngine& e) { e.setGroupBoxes(boxes); });
}

void EngineThread::setFrequencyLimits(const scan::FrequencyLimits& limits) {
    post([limits](ScanEngine& e) { e.setFrequencyLimits(limits); });
}

void EngineThread::setAttenuation(int dB) {
    post([dB](ScanEngine& e) { e.setAttenuation(dB); });
}

void EngineThread::setLowerLevelLimit(int dBm) {
    post([dBm](ScanEngine& e) { e.setLowerLevelLimit(dBm); });
}

void EngineThread::setLoopsPerScan(qint32 loops) {
    post([loops](ScanEngine& e) { e.setLoopsPerScan(loops); });
}

void EngineThread::Start() {
    post([](ScanEngine& e) { e.Start(); });
}

void EngineThread::Stop() {
    post([](ScanEngine& e) { e.Stop(); });
}

void EngineThread::armReconnect() {
    post([](ScanEngine& e) { e.armReconnect(); });
}

void EngineThread::Interrupt() {
    post([](ScanEngine& e) { e.Interrupt(); });
}

void EngineThread::Quit() {
    post([](ScanEngine& e) { e.Quit(); });
}

void EngineThread::requestResetPeaks() {
    post([](ScanEngine& e) { e.requestResetPeaks(); });
}

void EngineThread::requestResetAverages() {
    post([](ScanEngine& e) { e.requestResetAverages(); });
}

void EngineThread::answerTryAgain(quint64 question, bool yes) {
    post([question, yes](ScanEngine& e) { e.answerTryAgain(question, yes); });
}

void EngineThread::answerSaveName(quint64 question, const QString& name) {
    post([question, name](ScanEngine& e) { e.answerSaveName(question, name); });
}

void EngineThread::OpenScanFile(const QString& path, bool goToEnd) {
    post([path, goToEnd](ScanEngine& e) { e.OpenScanFile(path, goToEnd); });
}

void EngineThread::sendRaw(const QByteArray& text) {
    post([text](ScanEngine& e) { e.sendRaw(text); });
}

void EngineThread::UpdateChannelReading(int Chan, qint32 Level) {
    post([Chan, Level](ScanEngine& e) { e.UpdateChannelReading(Chan, Level); });
}

void EngineThread::clearReadings() {
    post([](ScanEngine& e) { e.clearReadings(); });
}

} // namespace engine
