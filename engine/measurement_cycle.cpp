// SPDX-License-Identifier: MIT
// The measurement cycle: one request to the radio at a time, its reply parsed as the characters
// arrive, the reply watchdog and the recovery when the radio stops answering, leaves its setup
// mode or the port goes away.
#include "engine/scan_engine.h"

#include "core/time_scale.h"
#include "radio/comm_port.h"
#include "radio/protocol.h"
#include "scan/channel_stepper.h"

#include <QTimer>

#include <array>
#include <utility>

namespace engine {

namespace {

// The request for every channel of the plan, made once.
const QByteArray& requestFor(int f10) {
    static const std::array<QByteArray, scan::ChannelCount> requests = [] {
        std::array<QByteArray, scan::ChannelCount> made;
        for (int chan = 0; chan < scan::ChannelCount; ++chan)
            made[chan] = radio::protocol::levelRequest(scan::frequencyText(scan::channelF10(chan)));
        return made;
    }();
    return requests[scan::channelIndexFromF10(f10)];
}

} // namespace

void ScanEngine::RequestNextChannel() {
    int freq = m_currentFreq;
    const auto next =
        scan::stepToNextChannel(freq, m_model.codes(), m_boxes, m_scanLimits, m_stepHooks);
    m_currentFreq = freq;
    if (next)
        msComm->Output(requestFor(*next));
    // With no channel to measure nothing is sent, and the watchdog ends the scan.
    tmrRSSI->arm();
}

void ScanEngine::msComm_OnComm() {
    if (CommPaused || msComm->CommEvent() != radio::CommPort::DataReceived)
        return;
    // The first event of a chunk takes all of it; the others find the buffer empty.
    if (const QByteArray received = msComm->Input(); !received.isEmpty())
        m_parser.append(received);

    if (m_linkState != LinkScanning) {
        if (m_parser.containsClosed()) {
            m_linkState = LinkIdle;
            m_parser.clear();
        }
        return;
    }

    if (tmrConnect->isActive())
        tmrConnect->stop();
    if (const auto reply = m_parser.takeReply()) {
        tmrRSSI->disarm();
        if (reply->channelIndex)
            storeChannelReading(*reply->channelIndex, reply->level);
        // Every channel of the loop keeps its own position in the record, even when its reply
        // brought no usable level: such a channel gets code 0, which playback leaves undrawn.
        if (m_scanActive && m_currentFreq != 0)
            m_model.codes().fitTo(scan::channelIndexFromF10(m_currentFreq) + 1, 0);
        // The next request goes out before the reading is announced, so that the radio works on
        // it meanwhile. What the step itself announces (a skipped slot, the end
        // of the loop) still comes after the reading.
        if (!HaltRequests && m_state != EngineState::EndingScan)
            RequestNextChannel();
        announceStoredReading();
    } else if (m_parser.containsClosed()) {
        linkLost();
    }
}

void ScanEngine::announceStoredReading() {
    if (const auto chan = std::exchange(m_unannouncedReading, std::nullopt))
        emit channelStored(*chan, m_model.reading(*chan));
}

void ScanEngine::storeChannelReading(int Chan, qint32 Level) {
    if (m_model.UpdateChannelReading(Chan, Level, m_scanAttenuation) == scan::UpdateOutcome::Stored)
        m_unannouncedReading = Chan;
}

void ScanEngine::UpdateChannelReading(int Chan, qint32 Level) {
    storeChannelReading(Chan, Level);
    announceStoredReading();
}

void ScanEngine::tmrRSSI_Timer() {
    tmrRSSI->disarm();
    if (!m_scanActive || m_state == EngineState::EndingScan)
        return;
    endScanAndMaybeReconnect(ScanEnd::MissedReply, m_runForever);
}

// The radio reported "CLOSED": it has left its setup mode. The scan ends and the program
// reconnects whatever "Run Forever" says.
void ScanEngine::linkLost() {
    m_linkState = LinkIdle;
    m_parser.clear();
    if (m_state == EngineState::EndingScan)
        return;
    endScanAndMaybeReconnect(ScanEnd::LinkClosed, true);
}

// The scan ends 1 s after the failure and the reconnect follows 5 s later, each a timed state.
void ScanEngine::endScanAndMaybeReconnect(ScanEnd how, bool reconnect) {
    tmrRSSI->disarm();
    m_endingHow = how;
    m_reconnectAfterEnd = reconnect;
    setState(EngineState::EndingScan);
    startWait(1000);
}

void ScanEngine::reconnectWhenIdle() {
    // A new scan would empty the recording: while the save question waits for an answer, the
    // reconnect waits for it too.
    if (m_saveQuestion) {
        m_reconnectAfterSave = true;
        return;
    }
    if (m_linkState == LinkIdle && !m_quitting)
        connectNow(false);
}

// The adapter was unplugged or the device vanished: the port has closed itself. A running scan
// ends as after a missed reply, its recorded loops kept, and the user hears of it once.
void ScanEngine::msComm_LinkError(const QString& message) {
    const bool scanning = m_scanActive || m_linkState == LinkScanning;
    if (!scanning || m_portLossReported)
        return;
    m_portLossReported = true;
    tmrRSSI->disarm();
    if (m_state != EngineState::EndingScan) {
        Stop();
        m_scanActive = false;
        EndScan(ScanEnd::PortLost);
        settle();
        // "Run Forever" keeps trying through the reconnect timer until the adapter is back.
        if (m_runForever && !m_quitting && !tmrConnect->isActive())
            tmrConnect->start();
    }
    emit failure(QStringLiteral("The serial port to the radio was lost (%1).\r\n\r\nThe scan has "
                                "ended; every finished loop is kept.")
                     .arg(message),
                 QStringLiteral("Serial Port Error"));
}

} // namespace engine
