// SPDX-License-Identifier: MIT
// The life of a scan: start, end of each loop, stop, pause, "Run Forever", the end of the scan
// with its save, and quitting while a scan runs.
#include "app/frm_specan.h"

#include "core/conventions.h"
#include "core/program_state.h"
#include "core/wait.h"
#include "display/plot_view.h"
#include "display/up_down.h"
#include "scan/frm_scan_quit.h"
#include "settings/program_settings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace app {

namespace {

QString now() {
    return core::dateTimeText(QDateTime::currentDateTime());
}

} // namespace

void frmSpecAn::cmdScan_Click() {
    OpenScanFile(QString(), false);
    LoopCount = 1;
    ResetPeaks();
    ResetAverages();
    txtAtten->setEnabled(true);

    const QString started = now();
    for (QLabel* label : {lblCount, lblStatus, lblDisplayTime, lblElapsed})
        setStatusColor(label, LiveColor);
    setStatusCaption(lblCount, QStringLiteral("Count: 0"));
    setStatusCaption(lblStatus, QStringLiteral("Started: ") + started);
    setStatusCaption(lblDisplayTime, started);
    LoopStartText = lblDisplayTime->text();
    StopAfterLoop = false;
    HaltRequests = false;
    frDisplay->Cls();

    cmdScan->setEnabled(false);
    cmdPauseTest->setEnabled(true);
    cmdStopTest->setEnabled(true);
    for (QWidget* control : std::initializer_list<QWidget*>{udFLLimit, udFULimit, udAtten})
        control->setEnabled(false);
    scrollTime->setMaximum(1);
    scrollTime->setValue(1);
    core::modMain().CurrentFreq = 0;
    setStatusBox(QStringLiteral("Active Scan"));
    tmrFlash->stop();

    // A reply that arrived after the previous scan ended, or codes of its unfinished loop, must
    // not be taken for this scan's first channel.
    m_parser.clear();
    m_model.codes().clear();
    core::modMain().ScanActive = true;
    RequestNextChannel();
}

void frmSpecAn::EndOfLoop() {
    WriteLoopRecord();
    if (StopAfterLoop) {
        core::modMain().ScanActive = false;
        HaltRequests = true;
        EndScan(false);
        return;
    }
    if (ClearPeaksPending)
        ResetPeaks();
    if (ClearAveragesPending)
        ResetAverages();
    if (LoopCount > 1) {
        if (scrollTime->value() == scrollTime->maximum()) {
            scrollTime->setMaximum(scrollTime->maximum() + 1);
            scrollTime->setValue(scrollTime->maximum());
            setStatusCaption(lblDisplayTime, now());
            setStatusCaption(lblCount, QStringLiteral("Count: %1").arg(LoopCount));
        } else {
            scrollTime->setMaximum(scrollTime->maximum() + 1);
            setStatusCaption(lblCount, QStringLiteral("Count: %1 (%2)")
                                           .arg(scrollTime->value())
                                           .arg(scrollTime->maximum()));
        }
    }
    ++LoopCount;
    LoopStartText = now();
    setStatusCaption(lblDisplayTime, LoopStartText);
}

void frmSpecAn::EndScan(bool linkLost) {
    cmdScan->setEnabled(!linkLost);
    cmdConnect->setEnabled(true);
    tmrRSSI->stop();
    cmdStopTest->setEnabled(false);
    cmdPauseTest->setEnabled(false);
    cmdGotoEnd->setEnabled(false);
    scrlSpeed->setEnabled(true);
    tmrFlash->stop();
    txtRestoredScan->show();
    for (QWidget* control : std::initializer_list<QWidget*>{udFLLimit, udFULimit, udAtten})
        control->setEnabled(true);
    setStatusCaption(lblCount, QStringLiteral("Count: %1").arg(LoopCount));
    core::modMain().LinkState = core::LinkIdle;
    if (LoopCount < 1)
        return;
    if (!chkRunForever->isChecked() && !core::modMain().AutoSaveScanOn) {
        PromptSaveScan();
        core::Wait(100);
    } else {
        SaveLastScan();
    }
}

void frmSpecAn::cmdStopTest_Click() {
    StopAfterLoop = true;
    scrlSpeed->setEnabled(false);
    cmdStopTest->setEnabled(false);
    cmdPauseTest->setEnabled(false);
    setStatusBox(QStringLiteral("Quitting After Loop"));
    enableTimer(tmrFlash);
}

// The caption is the pause state: while it reads "Resume" live readings are not drawn, but the
// scan, the readings and the recording go on.
void frmSpecAn::cmdPauseTest_Click() {
    cmdPauseTest->setText(cmdPauseTest->text() == QLatin1String("Pause") ? QStringLiteral("Resume")
                                                                         : QStringLiteral("Pause"));
}

void frmSpecAn::chkRunForever_Click() {
    settings::WriteIni(QStringLiteral("DefaultSettings"), QStringLiteral("Forever"),
                       chkRunForever->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void frmSpecAn::tmrFlash_Timer() {
    txtRestoredScan->setVisible(!txtRestoredScan->isVisible());
}

void frmSpecAn::cmdClose_Click() {
    if (!core::modMain().ScanActive) {
        close();
        return;
    }
    setEnabled(false);
    if (!m_scanQuit) {
        m_scanQuit = new scan::frmScanQuit();
        connect(m_scanQuit, &scan::frmScanQuit::answered, this, [this](bool yes) {
            setEnabled(true);
            core::modMain().QuitConfirmed = yes;
        });
    }
    const QPoint plot = frDisplay->mapToGlobal(QPoint(0, 0));
    m_scanQuit->move(plot.x() + frDisplay->width() / 2 - m_scanQuit->width() / 2,
                     plot.y() + frDisplay->height() / 2 - m_scanQuit->height() / 2);
    m_scanQuit->show();
    m_scanQuit->raise();
    enableTimer(tmrScanQuit);
}

void frmSpecAn::tmrScanQuit_Timer() {
    if (m_scanQuit && m_scanQuit->isVisible())
        return;
    if (core::modMain().ScanActive) {
        delete m_scanQuit;
        m_scanQuit = nullptr;
        raise();
        if (core::modMain().QuitConfirmed)
            cmdStopTest_Click(); // repeated every tick until the loop in progress ends
        else
            tmrScanQuit->stop();
        return;
    }
    // The scan has ended: the window closes, and keeps trying each tick while a recovery or a
    // connection attempt still holds it open.
    setEnabled(true);
    close();
}

} // namespace app
