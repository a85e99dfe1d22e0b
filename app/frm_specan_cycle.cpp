// SPDX-License-Identifier: MIT
// The measurement cycle: one request to the radio at a time, its reply parsed as the characters
// arrive, the reply watchdog and the recovery when the radio stops answering or leaves its setup
// mode.
#include "app/frm_specan.h"

#include "app/msg_box.h"
#include "core/program_state.h"
#include "core/wait.h"
#include "radio/comm_port.h"
#include "radio/protocol.h"
#include "scan/channel_stepper.h"
#include "settings/program_settings.h"

#include <QCheckBox>
#include <QTimer>

namespace app {

void frmSpecAn::RequestNextChannel() {
    scan::StepHooks hooks;
    hooks.endOfLoop = [this] { EndOfLoop(); };
    hooks.drawSkipped = [this](int index) { UpdateChannelReading(index, 120, 121, 121, true); };
    const auto next = scan::stepToNextChannel(core::modMain().CurrentFreq, m_model.codes(),
                                              groupBoxes(), frequencyLimits(), hooks);
    if (next) {
        FreqText = scan::frequencyText(*next);
        msComm->Output(radio::protocol::levelRequest(FreqText));
    }
    // With no channel to measure nothing is sent, and the watchdog ends the scan.
    tmrRSSI->start();
}

void frmSpecAn::msComm_OnComm() {
    if (CommPaused || msComm->CommEvent() != radio::CommPort::DataReceived)
        return;
    m_parser.append(msComm->Input());

    if (core::modMain().LinkState != core::LinkScanning) {
        if (m_parser.containsClosed()) {
            core::modMain().LinkState = core::LinkIdle;
            m_parser.clear();
        }
        return;
    }

    tmrConnect->stop();
    if (const auto reply = m_parser.takeReply()) {
        tmrRSSI->stop();
        if (reply->channelIndex)
            UpdateChannelReading(*reply->channelIndex, reply->level, 0, 0, false);
        // Every channel of the loop keeps its own position in the record, even when its reply
        // brought no usable level: such a channel gets code 0, which playback leaves undrawn.
        if (core::modMain().ScanActive && core::modMain().CurrentFreq != 0)
            m_model.codes().fitTo(scan::channelIndexFromF10(core::modMain().CurrentFreq) + 1, 0);
        if (!HaltRequests && !m_recovering)
            RequestNextChannel();
    } else if (m_parser.containsClosed()) {
        linkLost();
    }
}

void frmSpecAn::tmrRSSI_Timer() {
    tmrRSSI->stop();
    if (!core::modMain().ScanActive || m_recovering)
        return;
    endScanAndMaybeReconnect(false, chkRunForever->isChecked());
}

// The radio reported "CLOSED": it has left its setup mode. The scan ends and the program
// reconnects whatever "Run Forever" says.
void frmSpecAn::linkLost() {
    core::modMain().LinkState = core::LinkIdle;
    m_parser.clear();
    if (m_recovering)
        return;
    endScanAndMaybeReconnect(true, true);
}

// The scan ends 1 s after the failure and the reconnect follows 5 s later. Both steps run from
// the event loop rather than from inside this handler, so that a radio that keeps failing never
// piles handlers on top of each other.
void frmSpecAn::endScanAndMaybeReconnect(bool linkLost, bool reconnect) {
    m_recovering = true;
    tmrRSSI->stop();
    QTimer::singleShot(core::scaledMs(1000), this, [this, linkLost, reconnect] {
        if (core::modMain().ScanActive || core::modMain().LinkState == core::LinkScanning) {
            cmdStopTest_Click();
            core::modMain().ScanActive = false;
            EndScan(linkLost);
        }
        QTimer::singleShot(core::scaledMs(5000), this, [this, reconnect] {
            m_recovering = false;
            if (reconnect)
                reconnectWhenIdle();
        });
    });
}

void frmSpecAn::reconnectWhenIdle() {
    // A new scan would empty the recording: while the save prompt still waits for an answer, the
    // reconnect waits for it too.
    if (m_fileSave) {
        m_reconnectAfterSave = true;
        return;
    }
    // Whatever ran meanwhile may have started a new scan or confirmed a quit.
    if (core::modMain().LinkState == core::LinkIdle && !core::modMain().QuitConfirmed)
        cmdConnect_Click();
}

// The adapter was unplugged or the device vanished: the port has closed itself. A running scan
// ends as after a missed reply, its recorded loops kept, and the user hears of it once.
void frmSpecAn::msComm_LinkError(const QString& message) {
    const bool scanning =
        core::modMain().ScanActive || core::modMain().LinkState == core::LinkScanning;
    if (!scanning || m_portLossReported)
        return;
    m_portLossReported = true;
    tmrRSSI->stop();
    if (!m_recovering) {
        cmdStopTest_Click();
        core::modMain().ScanActive = false;
        EndScan(false);
        // "Run Forever" keeps trying through the reconnect timer until the adapter is back.
        if (chkRunForever->isChecked() && !tmrConnect->isActive())
            tmrConnect->start();
    }
    MsgBox(QStringLiteral("The serial port to the radio was lost (%1).\r\n\r\nThe scan has ended; "
                          "every finished loop is kept.")
               .arg(message),
           MsgBoxButtons::Ok, QStringLiteral("Serial Port Error"));
}

} // namespace app
