// SPDX-License-Identifier: MIT
// The life of a scan: its start, the end of each loop with the resets asked for, stopping after
// the loop, ending at once, and the end of the scan with its save.
#include "engine/scan_engine.h"

#include "core/wall_clock.h"

#include <QTimer>

namespace engine {

void ScanEngine::StartScan() {
    m_scanLimits = m_limits;
    m_scanAttenuation = m_attenuation;
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
    setState(EngineState::Scanning);
    emit scanStarted(m_scanStart);
    if (m_loopsPerScan == 1)
        Stop();
    RequestNextChannel();
}

void ScanEngine::EndOfLoop() {
    WriteLoopRecord();
    if (m_stopAfterLoop) {
        m_scanActive = false;
        HaltRequests = true;
        EndScan(ScanEnd::Stopped);
        settle();
        return;
    }
    if (m_clearPeaksPending)
        ResetPeaks();
    if (m_clearAveragesPending)
        ResetAverages();
    const qint32 finished = m_loopCount;
    ++m_loopCount;
    m_loopStart = core::nowToTheSecond();
    emit loopEnded(finished, m_loopStart);
    if (m_loopCount == m_loopsPerScan)
        Stop(); // the loop now in progress is the last
}

void ScanEngine::Stop() {
    if (!m_scanActive)
        return;
    m_stopAfterLoop = true;
    if (m_state == EngineState::Scanning)
        setState(EngineState::StoppingAfterLoop);
    emit stopping();
    emit statusText(QStringLiteral("Quitting After Loop"));
    emit statusBlinking(true);
}

void ScanEngine::Quit() {
    m_quitting = true;
    tmrConnect->stop();
    switch (m_state) {
    case EngineState::Scanning:
    case EngineState::StoppingAfterLoop:
        if (!m_stopAfterLoop)
            Stop();
        return;
    case EngineState::EndingScan:
    case EngineState::AskingSaveName:
        return; // quitDone follows the end of the scan, or the answer
    default:
        Interrupt();
        return;
    }
}

void ScanEngine::Interrupt() {
    m_quitting = true;
    tmrConnect->stop();
    switch (m_state) {
    case EngineState::Waking:
    case EngineState::Bursting:
    case EngineState::Unlocking:
    case EngineState::AskingRetry:
    case EngineState::WaitingToRetry:
        giveUpConnecting();
        return;
    case EngineState::WaitingToReconnect:
        m_wait->stop();
        settle();
        return;
    case EngineState::Idle:
    case EngineState::Scanning:
    case EngineState::StoppingAfterLoop:
    case EngineState::EndingScan:
    case EngineState::AskingSaveName:
        break;
    }
    m_wait->stop();
    if (!m_scanActive) {
        settle();
        return;
    }
    tmrRSSI->disarm();
    HaltRequests = true;
    m_scanActive = false;
    EndScan(ScanEnd::Interrupted);
    settle();
}

// The link goes idle with the port left open, and the scan is saved or its name asked for. The
// caller decides what the engine does next.
void ScanEngine::EndScan(ScanEnd how) {
    tmrRSSI->disarm();
    emit statusBlinking(false);
    emit statusShown(true);
    m_linkState = LinkIdle;
    const qint32 loops = qint32(m_scanFile.recordCount());
    emit scanEnded(how, loops);
    // A scan that ended before its first loop was recorded leaves nothing to save.
    if (m_loopCount < 1 || loops < 1)
        return;
    if (!m_runForever && !m_autoSave)
        askSaveName();
    else
        SaveLastScan();
}

void ScanEngine::clearReadings() {
    if (m_scanActive)
        return;
    m_model.clear();
    m_model.codes().clear();
    emit readingsReplaced(m_model.readings());
}

void ScanEngine::ResetPeaks() {
    m_model.ResetPeaks(m_lowerLevelLimit);
    m_clearPeaksPending = false;
    emit readingsReplaced(m_model.readings());
    emit peaksReset();
}

void ScanEngine::ResetAverages() {
    m_model.ResetAverages();
    m_clearAveragesPending = false;
    emit readingsReplaced(m_model.readings());
    emit averagesReset();
}

} // namespace engine
