// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

namespace engine {

// LinkState values.
constexpr qint32 LinkIdle = 0;
constexpr qint32 LinkConnecting = 1;
constexpr qint32 LinkScanning = 4;

// What the engine is doing. Each wait of the protocol is a state of its own that a timer ends.
enum class EngineState {
    Idle,               // no connection attempt, no scan, no question
    Waking,             // ESC sent: a random 0.4 to 1.1 s before the bursts
    Bursting,           // a CR LF burst sent: 300 ms for the radio to answer
    Unlocking,          // the radio answered: "SETUP" and the access code, 250 ms apart
    AskingRetry,        // the radio did not answer: "Try again?" waits for its answer
    WaitingToRetry,     // "Run Forever": 5 s before the next attempt
    Scanning,           // one request to the radio outstanding at a time
    StoppingAfterLoop,  // Stop: the loop in progress is the scan's last
    EndingScan,         // a missed reply or "CLOSED": 1 s before the scan ends
    WaitingToReconnect, // 5 s after such an end before connecting again, or resting
    AskingSaveName,     // the scan has ended and its save waits for a name
};

// How a scan ended.
enum class ScanEnd {
    Stopped,     // Stop, or the loops asked for: after the loop in progress
    MissedReply, // the radio did not answer a request in time
    LinkClosed,  // the radio reported "CLOSED": it left its setup mode
    PortLost,    // the serial device vanished (an unplugged adapter)
    Interrupted, // ended at once by its owner; the loop in progress is dropped
};

// The engine's state as one value, for the thread that owns the engine: what the engine decides,
// never what its owner sets.
struct EngineStatus {
    EngineState state = EngineState::Idle;
    qint32 linkState = LinkIdle;
    bool scanActive = false;
    bool stopRequested = false;
    // The loop in progress (1 for the first); after the scan, the number of loops recorded.
    qint32 loopCount = 0;
    QDateTime scanStart;
    QDateTime loopStart;
    // The radio answered the access code with "CLOSED" at the last unlock.
    bool accessCodeRefused = false;
    bool portOpen = false;
    bool clearPeaksPending = false;
    bool clearAveragesPending = false;
    // The name the recording will be saved under.
    QString scanFileName;
    // The open scan file (the recording, or a saved scan for playback), empty when none; its
    // generation changes each time a file is opened or created there.
    QString scanFilePath;
    bool scanFileWritable = false;
    qint64 recordCount = 0;
    quint32 scanFileGeneration = 0;

    // A connection attempt, or the handling of a missed reply or a lost link, is under way.
    bool busy() const {
        return state != EngineState::Idle && state != EngineState::AskingSaveName &&
               state != EngineState::Scanning && state != EngineState::StoppingAfterLoop;
    }

    friend bool operator==(const EngineStatus& a, const EngineStatus& b);
    friend bool operator!=(const EngineStatus& a, const EngineStatus& b) { return !(a == b); }
};

} // namespace engine

Q_DECLARE_METATYPE(engine::EngineState)
Q_DECLARE_METATYPE(engine::ScanEnd)
