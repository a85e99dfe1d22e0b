// SPDX-License-Identifier: MIT
#pragma once

#include "engine/reply_watchdog.h"
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

// LinkState values.
constexpr qint32 LinkIdle = 0;
constexpr qint32 LinkConnecting = 1;
constexpr qint32 LinkScanning = 4;

// What the engine cannot decide alone. The window answers with its message boxes and dialogs; a
// program without a window answers by rule.
class EngineQuestions {
public:
    virtual ~EngineQuestions() = default;
    // The radio did not answer the wake-up and "Run Forever" is off: try again?
    virtual bool tryConnectAgain(int comPort) = 0;
    // A scan ended that is not saved without asking. The answer may come at once or later, as
    // ScanEngine::SaveRecordingAs or ScanEngine::KeepRecording.
    virtual void chooseSaveName(const QString& proposedName) = 0;
};

// How a scan ended.
enum class ScanEnd {
    Stopped,     // Stop, or the loops asked for: after the loop in progress
    MissedReply, // the radio did not answer a request in time
    LinkClosed,  // the radio reported "CLOSED": it left its setup mode
    PortLost,    // the serial device vanished (an unplugged adapter)
    Interrupted, // ended at once by its owner; the loop in progress is dropped
};

// The radio link, the measurement cycle, the life of a scan and its recording. It owns the serial
// port, the reply parser, the readings, the scan file and the protocol timers; whoever shows the
// scan watches its signals and answers its questions.
//
// A scan: Start() tests and opens the port, wakes the radio and unlocks its setup mode, then the
// scan starts and steps the receiver over the channel plan, one request outstanding at a time.
// Every finished loop is written to lastScan.dat in the data folder at once. Stop() ends the scan
// after the loop in progress; a missed reply, "CLOSED" or a lost port end it at once. An ended
// scan is saved under its default name without asking when "Run Forever" or automatic saving is
// on; otherwise the owner is asked for a name.
class ScanEngine : public QObject {
    Q_OBJECT

public:
    explicit ScanEngine(EngineQuestions& questions, QObject* parent = nullptr);
    ~ScanEngine() override;

    radio::CommPort& port() { return *msComm; }

    // Settings; the limits, the boxes and the attenuation take effect from the next request.
    void setDataFolder(const QString& folder) { m_dataFolder = folder; }
    const QString& dataFolder() const { return m_dataFolder; }
    void setComPort(int port);
    int ComPort() const { return m_comPort; }
    void setSpeedPosition(int position) { m_speedPosition = position; } // "Scan Speed" 1 ... 4
    void setRunForever(bool on) { m_runForever = on; }
    bool RunForever() const { return m_runForever; }
    void setAutoSave(bool on) { m_autoSave = on; }
    bool AutoSaveScanOn() const { return m_autoSave; }
    void setGroupBoxes(const scan::GroupBoxes& boxes) { m_boxes = boxes; }
    void setFrequencyLimits(const scan::FrequencyLimits& limits) { m_limits = limits; }
    const scan::FrequencyLimits& frequencyLimits() const { return m_limits; }
    void setAttenuation(int dB) { m_attenuation = dB; }
    int Attenuation() const { return m_attenuation; }
    // The lower level limit in dBm: peaks are reset to its magnitude.
    void setLowerLevelLimit(int dBm) { m_lowerLevelLimit = dBm; }

    qint32 LinkState() const { return m_linkState; }
    bool ScanActive() const { return m_scanActive; }
    qint32 CurrentFreq() const { return m_currentFreq; }
    // The loop in progress (1 for the first); after the scan, the number of loops recorded.
    qint32 LoopCount() const { return m_loopCount; }
    const QDateTime& scanStart() const { return m_scanStart; }
    const QDateTime& loopStart() const { return m_loopStart; }
    // A connection attempt, or the handling of a missed reply or a lost link, is under way.
    bool busy() const { return m_connecting || m_recovering; }
    bool stopRequested() const { return m_stopAfterLoop; }
    // The radio answered the access code with "CLOSED" at the last unlock.
    bool accessCodeRefused() const { return m_accessRefused; }
    const QString& ScanFileName() const { return m_scanFileName; }
    const scan::ReadingsModel& model() const { return m_model; }
    bool clearPeaksPending() const { return m_clearPeaksPending; }
    bool clearAveragesPending() const { return m_clearAveragesPending; }

    // The open scan file: the recording, or a saved scan opened for playback.
    const recording::ScanFile& scanFile() const { return m_scanFile; }
    qint64 recordCount() const { return m_scanFile.recordCount(); }
    std::optional<recording::ScanRecord> readRecord(qint32 n) const;

    // The Start button; the reconnect timer and the recovery paths come here too.
    void Start();
    // Stops the scan after the loop in progress.
    void Stop();
    // Arms the reconnect timer: unless the link is up by then, a connection starts within 10 s.
    void armReconnect();
    // Ends a running scan at once: every finished loop is kept and saved as at any end of a scan,
    // the loop in progress is dropped.
    void Interrupt();
    // The user confirmed quitting: nothing reconnects any more.
    void setQuitting(bool quitting) { m_quitting = quitting; }
    // "Reset Peaks" and "Reset Averages": carried out at the end of the loop in progress, or by
    // the next scan start.
    void requestResetPeaks() { m_clearPeaksPending = true; }
    void requestResetAverages() { m_clearAveragesPending = true; }

    // The answer to chooseSaveName: save the recording under this name (checked by the caller),
    // or keep it in lastScan.dat until the next scan starts.
    void SaveRecordingAs(const QString& name);
    void KeepRecording();

    // Opens a saved scan for playback (for reading only). False, after failure(), when it cannot
    // be opened.
    bool OpenScanFile(const QString& path, bool goToEnd);

    // The program ends: timers stop, the scan file and the port close. Nothing goes to the radio.
    void shutDown();

    // The diagnostic terminal: text straight to the port while it is open.
    void sendRaw(const QByteArray& text);

    // The single entry of a live level (dBm as the radio reported it) into the readings.
    void UpdateChannelReading(int Chan, qint32 Level);
    // The readings table made anew, every field zero, and the loop's codes emptied (a new
    // frequency axis).
    void clearReadings();
    // Every Peak to the lower level limit's magnitude; every Sum and Count to 0.
    void ResetPeaks();
    void ResetAverages();

signals:
    void linkStateChanged(qint32 state);
    // The status box's text, its blinking and whether it shows.
    void statusText(const QString& text);
    void statusBlinking(bool on);
    void statusShown(bool shown);
    // The unlock's progress as the diagnostic terminal shows it.
    void setupProgress(const QString& text);

    // A connection attempt begins.
    void connecting();
    // The radio is unlocked and the scan has started; the port and speed worked.
    void connected();
    // The connection was given up (the user answered No, or the port failed): the link is idle.
    void connectGivenUp(bool portFailed);
    void scanStarted(const QDateTime& start);
    // A live reading went into the model.
    void channelStored(int chan);
    // A channel the sweep skips, inside the frequency limits: its slot shows empty.
    void channelSkipped(int chan);
    // The loop finishedLoop has been written; the next loop began at loopStart().
    void loopEnded(qint32 finishedLoop);
    // A reset asked for was carried out.
    void peaksReset();
    void averagesReset();
    void stopping();
    void scanEnded(engine::ScanEnd how, qint32 loopsRecorded);
    // A scan file is open for playback (a saved scan, or the recording after its save failed):
    // it holds loops records, and the owner shows loop 1 or, with goToEnd, the last.
    void scanFileOpened(const QString& path, qint64 loops, bool goToEnd);
    void recordingSaved(const QString& savedName);
    // Something the user must hear about (the message box's text and title).
    void failure(const QString& text, const QString& title);

private:
    enum class ConnectOutcome { Connected, Retry, Waiting, GiveUp, PortFailed };

    void setLinkState(qint32 state);
    void connectNow(bool byUser);
    bool preparePort();
    ConnectOutcome ConnectRadio();
    bool EnterSetupMode();
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
    void SaveLastScan();
    void finishSaveQuestion();

    EngineQuestions& m_questions;
    radio::CommPort* msComm;
    radio::ReplyParser m_parser;
    scan::ReadingsModel m_model;
    recording::ScanFile m_scanFile;
    ReplyWatchdog* tmrRSSI;
    QTimer* tmrConnect;
    scan::StepHooks m_stepHooks;
    // A reading stored but not yet announced with channelStored (see msComm_OnComm).
    std::optional<int> m_unannouncedReading;

    QString m_dataFolder;
    int m_comPort = 0;
    int m_speedPosition = 4;
    bool m_runForever = false;
    bool m_autoSave = false;
    scan::GroupBoxes m_boxes;
    scan::FrequencyLimits m_limits;
    int m_attenuation = 0;
    int m_lowerLevelLimit = -120;

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
    bool m_accessRefused = false;
    bool m_quitting = false;

    bool m_connecting = false;         // a connection attempt is running
    bool m_recovering = false;         // a missed reply or a lost link is being handled
    bool m_portLossReported = false;   // the user heard that the port went away
    bool m_saveQuestionOpen = false;   // chooseSaveName waits for its answer
    bool m_reconnectAfterSave = false; // a lost link reconnects once the question is answered
    bool m_writeFailureReported = false;
};

} // namespace engine
