// SPDX-License-Identifier: MIT
#pragma once

#include "engine/engine_events.h"
#include "radio/port_directory.h"
#include "recording/scan_file.h"
#include "recording/scan_record.h"
#include "scan/channel_state.h"
#include "scan/readings.h"

#include <QObject>
#include <QThread>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace engine {

class ScanEngine;
class UpdateRelay;

// The scan engine on a thread of its own, seen from the thread that makes this object: the
// window's, or the recorder's main thread (the owner's thread).
//
// Contract. Every member here is called on the owner's thread. The ScanEngine, its port, its
// timers and its scan file are made, used and destroyed on the engine's thread only; nothing of
// them is touched from the owner's thread, and no lock is shared.
// - Commands (the ScanEngine calls of the same names) are queued to the engine in the order they
//   are made and return at once.
// - Updates: what the engine reports comes back as the same EngineEvents, emitted here on the
//   owner's thread in the order the engine emitted them. They travel in batches, at most one per
//   FrameMs, each entry a copy of what the engine reported. Everything one step of the engine
//   emits arrives in one batch. A slot that runs a nested event loop (a
//   modal message box) holds the updates after it back until it returns; none is dropped or
//   reordered.
// - status() and readings() are the engine's as of the update being delivered: they lag the
//   engine by up to a frame, and never run ahead of the signals.
// - readRecord() reads the open scan file through a handle of the owner's thread; a record is
//   there once its loopRecorded has been delivered.
class EngineThread : public EngineEvents {
    Q_OBJECT

public:
    // Updates arrive at most once in this many milliseconds, ten times a second: a frame of the
    // live plot. Each frame costs the window's thread a wakeup, the slots and a repaint whatever
    // it holds; at this rate a paced sweep moves a fifth of the plot a frame.
    static constexpr int FrameMs = 100;

    explicit EngineThread(QObject* parent = nullptr);
    // Shuts the engine down if that has not been done.
    ~EngineThread() override;

    // Settings.
    void setDataFolder(const QString& folder);
    const QString& dataFolder() const { return m_dataFolder; }
    void setPortDirectory(const radio::PortDirectory& directory);
    void setComPort(int port);
    void setSpeedPosition(int position);
    void setRunForever(bool on);
    void setAutoSave(bool on);
    void setGroupBoxes(const scan::GroupBoxes& boxes);
    void setFrequencyLimits(const scan::FrequencyLimits& limits);
    void setAttenuation(int dB);
    void setLowerLevelLimit(int dBm);
    void setLoopsPerScan(qint32 loops);

    // Commands; see ScanEngine.
    void Start();
    void Stop();
    void armReconnect();
    void Interrupt();
    void Quit();
    void requestResetPeaks();
    void requestResetAverages();
    void answerTryAgain(quint64 question, bool yes);
    void answerSaveName(quint64 question, const QString& name);
    void OpenScanFile(const QString& path, bool goToEnd);
    void sendRaw(const QByteArray& text);
    void UpdateChannelReading(int Chan, qint32 Level);
    void clearReadings();

    // Blocks until the engine has closed its port and scan file and its thread has ended. Updates
    // not yet delivered are dropped; status() is the engine's last.
    void shutDown();
    bool isShutDown() const { return m_home == nullptr; }

    const EngineStatus& status() const { return m_status; }
    EngineState state() const { return m_status.state; }
    qint32 LinkState() const { return m_status.linkState; }
    bool ScanActive() const { return m_status.scanActive; }
    qint32 LoopCount() const { return m_status.loopCount; }
    bool busy() const { return m_status.busy(); }
    bool stopRequested() const { return m_status.stopRequested; }
    const QDateTime& scanStart() const { return m_status.scanStart; }
    const QDateTime& loopStart() const { return m_status.loopStart; }
    bool accessCodeRefused() const { return m_status.accessCodeRefused; }
    bool portOpen() const { return m_status.portOpen; }
    const QString& scanFilePath() const { return m_status.scanFilePath; }
    qint64 recordCount() const { return m_status.recordCount; }
    const scan::Readings& readings() const { return m_readings; }
    const scan::ChannelReading& reading(int chan) const { return m_readings[chan]; }
    std::optional<recording::ScanRecord> readRecord(qint32 n) const;

signals:
    // The updates of one batch have all been delivered: what they changed can be shown.
    void batchDelivered();

public:
    // An update as it travels: a call that emits one signal here, or takes a status.
    using Update = std::function<void(EngineThread&)>;
    using Batch = std::vector<Update>;

private:
    friend class UpdateRelay;

    template <typename Command> void post(Command command);
    void deliver(Batch batch);
    void takeStatus(const EngineStatus& status) { m_status = status; }

    QThread m_thread;
    QObject* m_home = nullptr;      // on the engine's thread: the engine and the relay's parent
    ScanEngine* m_engine = nullptr; // never touched here
    UpdateRelay* m_relay = nullptr; // never touched here

    EngineStatus m_status;
    scan::Readings m_readings{};
    std::deque<Batch> m_undelivered;
    bool m_delivering = false;

    QString m_dataFolder;

    mutable recording::ScanFile m_reader;
    mutable std::optional<quint32> m_readerGeneration;
};

} // namespace engine
