// SPDX-License-Identifier: MIT
// The serial port menu and the connection handshake with the radio.
#include "app/frm_specan.h"

#include "app/msg_box.h"
#include "core/conventions.h"
#include "core/program_state.h"
#include "core/wait.h"
#include "display/up_down.h"
#include "radio/comm_port.h"
#include "radio/port_probe.h"
#include "radio/protocol.h"
#include "settings/program_settings.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTimer>

namespace app {

namespace {

const QString PortFailureText =
    QStringLiteral("A serial port that was detected at program starup failed\r\n"
                   "to initialze properly. The port will be removed from the\r\n"
                   "selection box.\r\n\r\nPlease select another port.");

} // namespace

void enableTimer(QTimer* timer) {
    if (!timer->isActive())
        timer->start();
}

void frmSpecAn::FindComPorts() {
    const QList<int> usable = radio::FindComPorts(*msComm);
    const QStringList devices = msComm->portDirectory().devicePaths();
    for (int n = 1; n <= radio::PortDirectory::PortCount; ++n) {
        mnuCom[n]->setEnabled(usable.contains(n));
        const QString device = devices.value(n - 1);
        const QString tip = device.isEmpty() ? QStringLiteral("No device") : device;
        mnuCom[n]->setToolTip(tip);
        mnuCom[n]->setStatusTip(tip);
    }
}

void frmSpecAn::RestoreComPort(int port) {
    if (port < 1)
        port = radio::restoredPort(
            settings::ReadIni(QStringLiteral("Program"), QStringLiteral("Port")));
    if (port < 1) {
        MsgBox(QStringLiteral("The Com Port number that was saved from the previous\r\nsession "
                              "(Com %1) is no longer valid.")
                   .arg(port),
               MsgBoxButtons::Ok, QStringLiteral("Serial Port Error"));
        setAutoSizeCaption(lblCurrentComPort, QStringLiteral("Com ?"));
    } else {
        ClearComChecks();
        if (port <= radio::PortDirectory::PortCount && mnuCom[port]->isEnabled()) {
            mnuCom[port]->setChecked(true);
            msComm->setCommPort(port);
            core::modMain().ComPort = static_cast<qint16>(port);
        }
        setAutoSizeCaption(lblCurrentComPort,
                           QStringLiteral("Current Port: COM %1").arg(core::modMain().ComPort));
    }
    scrlSpeed->setValue(radio::restoredSpeed(
        settings::ReadIni(QStringLiteral("Program"), QStringLiteral("Speed"))));
}

void frmSpecAn::ClearComChecks() {
    for (int n = 1; n <= radio::PortDirectory::PortCount; ++n)
        mnuCom[n]->setChecked(false);
}

// All ten entries behave alike: a port that passes the test becomes the port in use.
void frmSpecAn::mnuCom_Click(int N) {
    // The entry toggled its tick when it was triggered; the tick follows the port in use instead.
    mnuCom[N]->setChecked(!mnuCom[N]->isChecked());
    if (!radio::TestComPort(*msComm, N))
        return;
    core::modMain().ComPort = static_cast<qint16>(N);
    RestoreComPort(N);
    ClearComChecks();
    mnuCom[N]->setChecked(true);
}

void frmSpecAn::scrlSpeed_Change() {
    settings::WriteIni(QStringLiteral("Program"), QStringLiteral("Speed"),
                       QString::number(scrlSpeed->value()));
}

void frmSpecAn::mnuSettings_Click() {
    if (!core::modMain().ScanActive)
        mnuSerialPort->setEnabled(true);
}

void frmSpecAn::mnuDisplay_Click() {
    const QString section = QStringLiteral("DefaultSettings");
    mnuAutoSave->setChecked(core::Val(settings::ReadIni(section, QStringLiteral("AutoSaveScan"))) >
                            0);
    mnuAutoStart->setChecked(
        core::Val(settings::ReadIni(section, QStringLiteral("AutoStartScan"))) > 0);
    const bool idle = !core::modMain().ScanActive;
    for (QAction* entry : {mnuOpenSavedScan, mnuDisplayColor, mnuSaveSettings, mnuRestoreSettings})
        entry->setEnabled(idle);
    mnuSerialPort->setEnabled(!msComm->PortOpen());
}

void frmSpecAn::SaveSettings() {
    const QString section = QStringLiteral("DefaultSettings");
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    settings::WriteIni(section, QStringLiteral("LUL"), QString::number(udULimit->value()));
    settings::WriteIni(section, QStringLiteral("LLL"), QString::number(udLLimit->value()));
    settings::WriteIni(section, QStringLiteral("FUL"), QString::number(udFULimit->value()));
    settings::WriteIni(section, QStringLiteral("FLL"), QString::number(udFLLimit->value()));
    settings::WriteIni(section, QStringLiteral("Mode"), flag(chkLine->isChecked()));
    settings::WriteIni(section, QStringLiteral("Peak"), flag(chkShowPeaks->isChecked()));
    settings::WriteIni(section, QStringLiteral("Average"), flag(chkShowAverages->isChecked()));
    settings::WriteIni(section, QStringLiteral("Spectrum"), flag(chkSpectrum->isChecked()));
    settings::WriteIni(section, QStringLiteral("Channel"), flag(chkChannel->isChecked()));
    settings::WriteIni(section, QStringLiteral("AutoSaveScan"),
                       flag(core::modMain().AutoSaveScanOn));
    settings::WriteIni(section, QStringLiteral("Legend"), flag(picLegend->isVisible()));
    settings::WriteIni(QStringLiteral("Program"), QStringLiteral("Port"),
                       QString::number(core::modMain().ComPort));
}

void frmSpecAn::setStatusBox(const QString& text) {
    txtRestoredScan->setText(text);
}

// The Start button, the reconnect timer and the recovery paths all come here. An attempt that is
// already running is never stacked on: a restart asked for meanwhile is ignored, and a retry runs
// in this loop rather than by calling itself.
void frmSpecAn::cmdConnect_Click() {
    if (m_connecting)
        return;
    m_connecting = true;
    ConnectOutcome outcome = ConnectOutcome::GiveUp;
    do {
        enableTimer(tmrConnect);
        if (!preparePort()) {
            outcome = ConnectOutcome::PortFailed;
            break;
        }
        msComm->setRThreshold(1);
        if (txtRestoredScan->isVisible())
            txtRestoredScan->hide();
        cmdStopTest->setEnabled(false);
        cmdPauseTest->setEnabled(false);
        cmdConnect->setEnabled(false);
        cmdSetup->setEnabled(true);
        LoopCount = 0;
        outcome = ConnectRadio();
    } while (outcome == ConnectOutcome::Retry && !core::modMain().QuitConfirmed);
    if (outcome == ConnectOutcome::PortFailed) {
        // Back to idle, so that Start and closing the window work again; the reconnect timer
        // keeps trying. After a lost adapter the user has been told once: retries stay quiet.
        core::modMain().LinkState = core::LinkIdle;
        tmrFlash->stop();
        cmdConnect->setEnabled(true);
        if (!m_portLossReported)
            MsgBox(PortFailureText, MsgBoxButtons::Ok);
        ClearComChecks();
    }
    m_connecting = false;
}

// Tests the chosen port and leaves it in the state it had. A port that fails the test is a
// failure: the last port the start-up probe tried is never used in its place.
bool frmSpecAn::preparePort() {
    const int port = core::modMain().ComPort;
    if (port < 1 || !radio::TestComPort(*msComm, port))
        return false;
    msComm->setCommPort(port);
    if (!msComm->setPortOpen(true))
        return false;
    msComm->setPortOpen(false);
    return true;
}

frmSpecAn::ConnectOutcome frmSpecAn::ConnectRadio() {
    core::modMain().LinkState = core::LinkConnecting;
    setStatusBox(QStringLiteral("Connecting - Step 1....."));
    enableTimer(tmrFlash);
    cmdConnect->setEnabled(false);
    if (const auto settings = radio::speedSettings(scrlSpeed->value()))
        msComm->setSettings(*settings);
    if (!msComm->PortOpen() && !msComm->setPortOpen(true))
        return ConnectOutcome::PortFailed;

    if (EnterSetupMode()) {
        core::modMain().LinkState = core::LinkScanning;
        m_portLossReported = false;
        setStatusBox(QStringLiteral("Test Running....."));
        cmdScan_Click();
        SaveSettings();
        return ConnectOutcome::Connected;
    }

    if (!chkRunForever->isChecked()) {
        const MsgBoxAnswer answer = MsgBox(
            QStringLiteral("Connect Failed.\r\n\r\nBe sure there is a Ternaflow radio attached to "
                           "Com %1.\r\n\r\nIf there is, make sure it is powered up.\r\n\r\n"
                           "Try Again ?\r\n")
                .arg(core::modMain().ComPort),
            MsgBoxButtons::YesNo, QStringLiteral("Failed to connect"));
        if (answer == MsgBoxAnswer::Yes)
            return ConnectOutcome::Retry;
        tmrFlash->stop();
        txtRestoredScan->hide();
        msComm->setPortOpen(false);
        mnuSerialPort->setEnabled(true);
        cmdConnect->setEnabled(true);
        tmrConnect->stop();
        core::modMain().LinkState = core::LinkIdle;
        return ConnectOutcome::GiveUp;
    }

    // "Run Forever": the next attempt starts 5 s later from the event loop; the link stays in
    // its connecting state meanwhile.
    setStatusBox(QStringLiteral("Connect Failed - Waiting....."));
    QTimer::singleShot(core::scaledMs(5000), this, [this] {
        if (core::modMain().LinkState == core::LinkConnecting && !core::modMain().QuitConfirmed)
            cmdConnect_Click();
    });
    return ConnectOutcome::Waiting;
}

// Wakes the radio with ESC and CR LF bursts, then unlocks its setup mode with the access code.
// Success means only that the radio answered the wake-up; a refused code shows up later as a
// missing reply or "CLOSED".
bool frmSpecAn::EnterSetupMode() {
    CommPaused = true;
    for (int attempt = 0; attempt <= 5; ++attempt) {
        msComm->Input();
        QCoreApplication::processEvents();
        if (!msComm->Output(radio::protocol::WakeUp))
            return false;
        core::Wait(400 + QRandomGenerator::global()->bounded(701));
        for (int burst = 0; burst <= 3; ++burst) {
            if (!msComm->Output(radio::protocol::WakeUpBurst))
                return false;
            core::Wait(300);
            txtTerm->setPlainText(QStringLiteral("Connecting"));
            if (msComm->InBufferCount() != 0) {
                core::Wait(250);
                const QByteArray answer = msComm->Input();
                core::Wait(250);
                if (!answer.contains(radio::protocol::SetupPrompt))
                    msComm->Output(radio::protocol::SetupCommand);
                core::Wait(250);
                msComm->Input();
                msComm->Output(radio::protocol::AccessCommand);
                core::Wait(250);
                msComm->Input();
                CommPaused = false;
                return true;
            }
            txtTerm->setPlainText(txtTerm->toPlainText() +
                                  QString(attempt + burst, QLatin1Char('.')));
        }
    }
    return false;
}

// The diagnostic terminal and the hidden setup buttons.
void frmSpecAn::cmdConnect1_Click() {
    msComm->setRThreshold(1);
    enableTimer(tmrConnect);
}

void frmSpecAn::cmdSetup_Click() {
    msComm->Output(radio::protocol::SetupCommandCrLf);
}

void frmSpecAn::Command5_Click() {
    cmdConnect->setEnabled(true);
    cmdScan->setEnabled(false);
    cmdPauseTest->setEnabled(false);
    cmdStopTest->setEnabled(false);
}

void frmSpecAn::Command8_Click() {
    txtTerm->clear();
}

void frmSpecAn::txtTerm2_KeyPress(const QString& typed) {
    if (msComm->PortOpen())
        msComm->Output(typed.toLatin1());
}

void frmSpecAn::tmrConnect_Timer() {
    if (core::modMain().LinkState != core::LinkScanning)
        cmdConnect_Click();
}

} // namespace app
