// SPDX-License-Identifier: MIT
// The life of a scan: its start, the end of each loop with the resets asked for, stopping after
// the loop, ending at once, and the end of the scan with its save.
#include "engine/scan_engine.h"

#include "core/wait.h"
#include "core/wall_clock.h"

#include <QTimer>

namespace engine {

void ScanEngine::StartScan() {
    OpenNewRecording();
    m_loopCount = 1;
    ResetPeaks();
    ResetAverages();
    m_scanStart = core::nowToTheSecond();
    m_loopStart = m_scanStart;
    m_stopAfterLoop = false;
    HaltRequests = false;
    m_currentFreq = 0;
    m_writeFailureReported = false;
    emit statusText(QStringLiteral("Active Scan"));
    emit statusBlinking(false);

    // A reply that arrived after the previous scan ended, or codes of its unfinished loop, must
    // not be taken for this scan's first channel.
    m_parser.clear();
    m_model.codes().clear();
    m_scanActive = true;
    emit scanStarted(m_scanStart);
    RequestNextChannel();
}

void ScanEngine::EndOfLoop() {
    WriteLoopRecord();
    if (m_stopAfterLoop) {
        m_scanActive = false;
        HaltRequests = true;
        EndScan(ScanEnd::Stopped);
        return;
    }
    if (m_clearPeaksPending)
        ResetPeaks();
    if (m_clearAveragesPending)
        ResetAverages();
    const qint32 finished = m_loopCount;
    ++m_loopCount;
    m_loopStart = core::nowToTheSecond();
    emit loopEnded(finished);
}

void ScanEngine::Stop() {
    m_stopAfterLoop = true;
    emit stopping();
    emit statusText(QStringLiteral("Quitting After Loop"));
    emit statusBlinking(true);
}

void ScanEngine::Interrupt() {
    m_quitting = true;
    m_recovering = false; // what the recovery still has pending finds the scan ended
    if (!m_scanActive)
        return;
    tmrRSSI->disarm();
    HaltRequests = true;
    m_scanActive = false;
    EndScan(ScanEnd::Interrupted);
}

void ScanEngine::EndScan(ScanEnd how) {
    tmrRSSI->disarm();
    emit statusBlinking(false);
    emit statusShown(true);
    setLinkState(LinkIdle);
    const qint32 loops = qint32(m_scanFile.recordCount());
    emit scanEnded(how, loops);
    // A scan that ended before its first loop was recorded leaves nothing to save.
    if (m_loopCount < 1 || loops < 1)
        return;
    if (!m_runForever && !m_autoSave) {
        m_saveQuestionOpen = true;
        m_questions.chooseSaveName(m_scanFileName);
        core::Wait(100);
    } else {
        SaveLastScan();
    }
}

void ScanEngine::clearReadings() {
    m_model.clear();
    m_model.codes().clear();
}

void ScanEngine::ResetPeaks() {
    m_model.ResetPeaks(m_lowerLevelLimit);
    m_clearPeaksPending = false;
    emit peaksReset();
}

void ScanEngine::ResetAverages() {
    m_model.ResetAverages();
    m_clearAveragesPending = false;
    emit averagesReset();
}

} // namespace engine
