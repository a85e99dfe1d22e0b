// SPDX-License-Identifier: MIT
#pragma once

#include "engine/engine_status.h"
#include "recording/scan_record.h"
#include "scan/readings.h"

#include <QDateTime>
#include <QObject>
#include <QString>

namespace engine {

// What the scan engine reports. ScanEngine emits these on its own thread; EngineThread emits the
// same on its owner's thread, in the same order, from copies.
class EngineEvents : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void stateChanged(engine::EngineState state);
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
    // The connection was given up (the user answered No, the port failed, or the owner interrupted
    // the attempt): the link is idle.
    void connectGivenUp(bool portFailed);
    // Questions for the owner, answered with answerTryAgain and answerSaveName.
    // The radio did not answer the wake-up and "Run Forever" is off: try again?
    void tryAgainAsked(quint64 question, int comPort);
    // A scan ended that is not saved without asking: under which name?
    void saveNameAsked(quint64 question, const QString& proposedName);

    void scanStarted(const QDateTime& start);
    // A live reading went into the model: the channel's reading as it now stands.
    void channelStored(int chan, const scan::ChannelReading& reading);
    // A channel the sweep skips, inside the frequency limits: its slot shows empty.
    void channelSkipped(int chan);
    // The whole readings table changed (a reset, a new table); it now stands so.
    void readingsReplaced(const scan::Readings& readings);
    // A loop went to the scan file as this record; the last loop of a scan too.
    void loopRecorded(const recording::ScanRecord& record);
    // The loop finishedLoop has ended and the next began at loopStart; not for the last loop of a
    // scan, which ends the scan instead.
    void loopEnded(qint32 finishedLoop, const QDateTime& loopStart);
    // A reset asked for was carried out.
    void peaksReset();
    void averagesReset();
    void stopping();
    void scanEnded(engine::ScanEnd how, qint32 loopsRecorded);
    // A scan file is open for playback (a saved scan, or the recording after its save failed):
    // it holds loops records (perhaps none), and the owner shows loop 1 or, with goToEnd, the
    // last.
    void scanFileOpened(const QString& path, qint64 loops, bool goToEnd);
    void recordingSaved(const QString& savedName);
    // Something the user must hear about (the message box's text and title).
    void failure(const QString& text, const QString& title);
    // After Quit() or Interrupt(): the engine is at rest, with every scan ended and saved (or its
    // save question answered).
    void quitDone();
};

} // namespace engine
