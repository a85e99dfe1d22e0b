// SPDX-License-Identifier: MIT
#pragma once

#include "engine/engine_events.h"
#include "engine/reply_watchdog.h"
#include "radio/port_directory.h"
#include "radio/reply_parser.h"
#include "recording/scan_file.h"
#include "recording/scan_record.h"
#include "scan/channel_state.h"
#include "scan/channel_stepper.h"
#include "scan/readings.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <optional>

class QTimer;

namespace radio {
class CommPort;
}

namespace engine {

// The radio link, the measurement cycle, the life of a scan and its recording. It owns the serial
// port, the reply parser, the readings, the scan file and the protocol timers.
//
// Threads. A ScanEngine belongs to the thread it is made on and is used from that thread only:
// every call, every port event and every timer runs there. EngineThread makes one on a thread of
// its own for the window and the recorder; what crosses between that thread and the owner's is
// commands in (queued calls) and its EngineEvents out, each copied into an immutable update,
// nothing else.
//
// Nothing here waits. The engine is a state machine (EngineState) moved on only by calls, port
// events and timers; each wait of the handshake and the recovery is a state that a timer ends,
// and a question to the owner is a state that the owner's answer ends. Between two of those
// steps the engine is back in its thread's event loop.
//
// A scan: Start() tests and opens the port, wakes the radio and unlocks its setup mode, then the
// scan starts and steps the receiver over the channel plan, one request outstanding at a time.
// Every finished loop is written to lastScan.dat in the data folder at once. Stop() ends the scan
// after the loop in progress; a missed reply, "CLOSED" or a lost port end it. An ended scan is
// saved under its default name without asking when "Run Forever" or automatic saving is on;
// otherwise the owner is asked for a name.
class ScanEngine : public EngineEvents {
    Q_OBJECT

public:
    explicit ScanEngine(QObject* parent = nullptr);
    ~ScanEngine() override;

    // Settings; the limits, the boxes and the attenuation take effect from the next request.
    void setDataFolder(const QString& folder) { m_dataFolder = folder; }
    void setPortDirectory(const radio::PortDirectory& directory);
    void setComPort(int port);
    void setSpeedPosition(int position) { m_speedPosition = position; } // "Scan Speed" 1 ... 4
    void setRunForever(bool on) { m_runForever = on; }
    void setAutoSave(bool on) { m_autoSave = on; }
    void setGroupBoxes(const scan::GroupBoxes& boxes) { m_boxes = boxes; }
    // A scan keeps the limits it started with: new ones take effect at the next scan.
    void setFrequencyLimits(const scan::FrequencyLimits& limits);
    // A scan keeps the attenuation it started with.
    void setAttenuation(int dB);
    // The lower level limit in dBm: peaks are reset to its magnitude.
    void setLowerLevelLimit(int dBm) { m_lowerLevelLimit = dBm; }
    // Every scan stops by itself after this many loops; 0 for no limit.
    void setLoopsPerScan(qint32 loops) { m_loopsPerScan = loops; }

    EngineStatus status() const;

    // The Start button; the reconnect timer and the recovery paths come here too. Ignored while
    // an attempt runs, a scan runs or a question waits for its answer.
    void Start();
    // Stops the scan after the loop in progress; nothing when no scan runs.
    void Stop();
    // Arms the reconnect timer: unless the link is up by then, a connection starts within 10 s.
    void armReconnect();
    // The owner is leaving (a confirmed quit, the recorder's time is up): nothing reconnects any
    // more, a running scan ends after the loop in progress, and a connection attempt or a wait
    // under way is given up. quitDone() follows once the engine is at rest.
    void Quit();
    // As Quit(), but a running scan ends at once (SIGINT): every finished loop is kept and saved
    // as at any end of a scan, the loop in progress is dropped.
    void Interrupt();
    // "Reset Peaks" and "Reset Averages": carried out at the end of the loop in progress, or by
    // the next scan start.
    void requestResetPeaks() { m_clearPeaksPending = true; }
    void requestResetAverages() { m_clearAveragesPending = true; }

    // The answers to tryAgainAsked and saveNameAsked, naming the question they answer; an answer
    // to a question that is no longer open changes nothing. An empty name keeps the recording in
    // lastScan.dat until the next scan starts; a name is a bare file name (the owner checks it).
    void answerTryAgain(quint64 question, bool yes);
    void answerSaveName(quint64 question, const QString& name);

    // Opens a saved scan for playback (for reading only). Refused (false, after failure()) while
    // a scan runs or a connection is being made: nothing closes the recording of a running scan.
    bool OpenScanFile(const QString& path, bool goToEnd);

    // The program ends: timers stop, the scan file and the port close, a question still open is
    // dropped. Nothing goes to the radio.
    void shutDown();

    // The diagnostic terminal: text straight to the port while it is open.
    void sendRaw(const QByteArray& text);

    // The single entry of a live level (dBm as the radio reported it) into the readings.
    void UpdateChannelReading(int Chan, qint32 Level);
    // The readings table made anew, every field zero, and the loop's codes emptied (a new
    // frequency axis). Ignored while a scan runs.
    void clearReadings();
    // Every Peak to the lower level limit's magnitude; every Sum and Count to 0.
    void ResetPeaks();
    void ResetAverages();

private:
    void setState(EngineState state);
    // What the engine does once the work in hand is done: waits for the save question's answer,
    // or rests (and, when quitting, says so).
    void settle();
    void startWait(int milliseconds);
    void waitOver();

    // The connection: the port is tested and opened, then the radio woken and unlocked.
    void connectNow(bool byUser);
    bool preparePort();
    void ConnectRadio();
    void EnterSetupMode(int attempt);
    void sendBurst();
    void burstAnswered();
    void unlockStep();
    void setupSucceeded();
    void setupFailed();
    void portFailed(bool byUser);
    void giveUpConnecting();
    void tmrConnect_Timer();

    void RequestNextChannel();
    void msComm_OnComm();
    // A live level into the readings; channelStored follows from announceStoredReading().
    void storeChannelReading(int Chan, qint32 Level);
    void announceStoredReading();
    void tmrRSSI_Timer();
    void linkLost();
    void msComm_LinkError(const QString& message);
    void endScanAndMaybeReconnect(ScanEnd how, bool reconnect);
    void reconnectWhenIdle();

    void StartScan();
    void EndOfLoop();
    void EndScan(ScanEnd how);

    void WriteLoopRecord();
    bool OpenNewRecording();
    bool openForPlayback(const QString& path, bool goToEnd);
    void SaveLastScan();
    void askSaveName();

    radio::CommPort* msComm;
    radio::ReplyParser m_parser;
    scan::ReadingsModel m_model;
    recording::ScanFile m_scanFile;
    ReplyWatchdog* tmrRSSI;
    QTimer* tmrConnect;
    QTimer* m_wait; // ends the timed states
    scan::StepHooks m_stepHooks;
    // A reading stored but not yet announced with channelStored (see msComm_OnComm).
    std::optional<int> m_unannouncedReading;

    QString m_dataFolder;
    int m_comPort = 0;
    int m_speedPosition = 4;
    bool m_runForever = false;
    bool m_autoSave = false;
    scan::GroupBoxes m_boxes;
    scan::FrequencyLimits m_limits;     // for the next scan
    scan::FrequencyLimits m_scanLimits; // of the scan running
    int m_attenuation = 0;              // for the next scan
    int m_scanAttenuation = 0;          // of the scan running
    int m_lowerLevelLimit = -120;
    qint32 m_loopsPerScan = 0;

    EngineState m_state = EngineState::Idle;
    qint32 m_linkState = LinkIdle;
    bool m_scanActive = false;
    qint32 m_currentFreq = 0; // tenths of a MHz; 0 before the first request of a scan
    bool CommPaused = false;  // the unlock reads the port itself
    bool HaltRequests = false;
    bool m_stopAfterLoop = false;
    qint32 m_loopCount = 0;
    QDateTime m_scanStart;
    QDateTime m_loopStart;
    bool m_clearPeaksPending = false;
    bool m_clearAveragesPending = false;
    QString m_scanFileName; // the name the recording will be saved under
    quint32 m_scanFileGeneration = 0;
    bool m_accessRefused = false;
    bool m_quitting = false;

    // The handshake in progress.
    bool m_connectByUser = false;
    int m_attempt = 0;
    int m_burst = 0;
    int m_unlockStep = 0;
    QByteArray m_firstAnswer;
    // The recovery in progress.
    ScanEnd m_endingHow = ScanEnd::Stopped;
    bool m_reconnectAfterEnd = false;

    quint64 m_lastQuestion = 0;
    std::optional<quint64> m_saveQuestion; // open until answered
    bool m_reconnectAfterSave = false;     // a lost link reconnects once the name is given
    bool m_portLossReported = false;       // the user heard that the port went away
    bool m_writeFailureReported = false;
};

} // namespace engine
