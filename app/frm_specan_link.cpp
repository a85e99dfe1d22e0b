// SPDX-License-Identifier: MIT
// The serial port menu, the Start button and what the window shows of the connection.
#include "app/frm_specan.h"

#include "app/msg_box.h"
#include "core/conventions.h"
#include "core/program_state.h"
#include "display/up_down.h"
#include "radio/comm_port.h"
#include "radio/port_access.h"
#include "radio/port_probe.h"
#include "radio/protocol.h"
#include "settings/program_settings.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace app {

namespace {

// Why the devices behind these ports cannot be opened although they exist: a user who lacks the
// permission learns which group to join. Empty when there is nothing to tell.
QString blockedDeviceText(const radio::PortDirectory& directory, const QList<int>& ports) {
    QStringList problems;
    for (int port : ports) {
        const QString device = directory.devicePath(port);
        if (device.isEmpty() || !QFileInfo::exists(device))
            continue;
        const QString problem = radio::portAccessProblem(device);
        if (!problem.isEmpty() && !problems.contains(problem))
            problems << problem;
    }
    return problems.join(QStringLiteral("\r\n\r\n"));
}

} // namespace

void enableTimer(QTimer* timer) {
    if (!timer->isActive())
        timer->start();
}

void frmSpecAn::FindComPorts() {
    m_view.FindComPorts();
    const QStringList devices = m_view.portDirectory().devicePaths();
    for (int n = 1; n <= radio::PortDirectory::PortCount; ++n) {
        mnuCom[n]->setEnabled(m_view.portUsable(n));
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
    const radio::PortDirectory& directory = m_view.portDirectory();
    if (port < 1) {
        QList<int> disabled;
        for (int n = 1; n <= radio::PortDirectory::PortCount; ++n) {
            if (!m_view.portUsable(n))
                disabled << n;
        }
        const QString blocked = blockedDeviceText(directory, disabled);
        MsgBox(QStringLiteral("The Com Port number that was saved from the previous\r\nsession "
                              "(Com %1) is no longer valid.")
                       .arg(port) +
                   (blocked.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + blocked),
               MsgBoxButtons::Ok, QStringLiteral("Serial Port Error"));
        setAutoSizeCaption(lblCurrentComPort, QStringLiteral("Com ?"));
    } else {
        ClearComChecks();
        if (m_view.portUsable(port)) {
            mnuCom[port]->setChecked(true);
            m_view.usePort(port);
        } else if (const QString blocked = blockedDeviceText(directory, {port});
                   !blocked.isEmpty()) {
            MsgBox(blocked, MsgBoxButtons::Ok, QStringLiteral("Serial Port Error"));
        }
        setAutoSizeCaption(lblCurrentComPort,
                           QStringLiteral("Current Port: COM %1").arg(m_view.ComPort()));
    }
    m_view.setSpeedPosition(radio::restoredSpeed(
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
    if (!m_view.choosePort(N))
        return;
    RestoreComPort(N);
    ClearComChecks();
    mnuCom[N]->setChecked(true);
}

void frmSpecAn::scrlSpeed_Change() {
    m_view.setSpeedPosition(scrlSpeed->value());
    settings::WriteIni(QStringLiteral("Program"), QStringLiteral("Speed"),
                       QString::number(scrlSpeed->value()));
}

void frmSpecAn::mnuSettings_Click() {
    if (!engine().ScanActive())
        mnuSerialPort->setEnabled(true);
}

// The ticks show the choices in force, which a named set may have changed since the file was
// last written.
void frmSpecAn::mnuDisplay_Click() {
    mnuAutoSave->setChecked(m_view.autoSave());
    mnuAutoStart->setChecked(core::modMain().AutoStartScanOn);
    const bool idle = !engine().ScanActive();
    for (QAction* entry : {mnuOpenSavedScan, mnuDisplayColor, mnuSaveSettings, mnuRestoreSettings})
        entry->setEnabled(idle);
    mnuSerialPort->setEnabled(!engine().portOpen());
    for (QAction* entry : {mnuWaterfall, mnuSurveyReport})
        entry->setEnabled(!engine().scanFilePath().isEmpty());
}

void frmSpecAn::setStatusBox(const QString& text) {
    m_statusText = text;
    showStatusBox();
}

void frmSpecAn::setStatusBoxShown(bool shown) {
    m_statusBoxShown = shown;
    showStatusBox();
}

void frmSpecAn::cmdConnect_Click() {
    engine().Start();
}

// Asked from the event loop, so that the updates go on while the question is open.
void frmSpecAn::engineTryAgainAsked(quint64 question, int comPort) {
    QTimer::singleShot(0, this, [this, question, comPort] {
        const bool yes =
            MsgBox(QStringLiteral("Connect Failed.\r\n\r\nBe sure there is a Ternaflow radio "
                                  "attached to Com %1.\r\n\r\nIf there is, make sure it is "
                                  "powered up.\r\n\r\nTry Again ?\r\n")
                       .arg(comPort),
                   MsgBoxButtons::YesNo, QStringLiteral("Failed to connect")) == MsgBoxAnswer::Yes;
        engine().answerTryAgain(question, yes);
    });
}

void frmSpecAn::engineConnecting() {
    cmdStopTest->setEnabled(false);
    cmdPauseTest->setEnabled(false);
    cmdConnect->setEnabled(false);
    cmdSetup->setEnabled(true);
}

void frmSpecAn::engineConnectGivenUp(bool portFailed) {
    cmdConnect->setEnabled(true);
    if (portFailed)
        ClearComChecks();
    else
        mnuSerialPort->setEnabled(true);
}

void frmSpecAn::engineFailure(const QString& text, const QString& title) {
    QTimer::singleShot(0, this, [text, title] { MsgBox(text, MsgBoxButtons::Ok, title); });
}

// The diagnostic terminal and the hidden setup buttons.
void frmSpecAn::cmdConnect1_Click() {
    engine().armReconnect();
}

void frmSpecAn::cmdSetup_Click() {
    engine().sendRaw(radio::protocol::SetupCommandCrLf);
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
    engine().sendRaw(typed.toLatin1());
}

} // namespace app
