// SPDX-License-Identifier: MIT
// What the window shows of the life of a scan, Stop, Pause, "Run Forever", and quitting while a
// scan runs.
#include "app/frm_specan.h"

#include "core/conventions.h"
#include "display/plot_view.h"
#include "display/up_down.h"
#include "scan/frm_scan_quit.h"
#include "settings/program_settings.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

namespace app {

namespace {

void enableLimits(std::initializer_list<QWidget*> controls, bool on) {
    for (QWidget* control : controls)
        control->setEnabled(on);
}

} // namespace

void frmSpecAn::engineScanStarted(const QDateTime& start) {
    txtAtten->setEnabled(true);
    const QString started = core::dateTimeText(start);
    for (QLabel* label : {lblCount, lblStatus, lblDisplayTime, lblElapsed})
        setStatusColor(label, LiveColor);
    setStatusCaption(lblCount, QStringLiteral("Count: 0"));
    setStatusCaption(lblStatus, QStringLiteral("Started: ") + started);
    setStatusCaption(lblDisplayTime, started);
    m_shownScanStart = start;
    m_shownElapsed = -1;
    frDisplay->Cls();

    cmdScan->setEnabled(false);
    cmdPauseTest->setEnabled(true);
    cmdStopTest->setEnabled(true);
    enableLimits({udFLLimit, udFULimit, udAtten}, false);
    // One position, the live loop. Setting it must not play back a loop of the previous file.
    {
        const QSignalBlocker blocker(scrollTime);
        scrollTime->setMaximum(1);
        scrollTime->setValue(1);
    }
    m_view.setFollowingLive(true);
    cmdGotoEnd->setEnabled(false);
}

void frmSpecAn::engineLoopEnded(qint32 finishedLoop, const QDateTime& loopStart) {
    if (finishedLoop > 1) {
        const QSignalBlocker blocker(scrollTime);
        scrollTime->setMaximum(scrollTime->maximum() + 1);
        if (m_view.followingLive()) {
            scrollTime->setValue(scrollTime->maximum());
            setStatusCaption(lblCount, QStringLiteral("Count: %1").arg(finishedLoop));
        } else {
            setStatusCaption(lblCount, QStringLiteral("Count: %1 (%2)")
                                           .arg(scrollTime->value())
                                           .arg(scrollTime->maximum()));
        }
    }
    // A recorded loop on display keeps its own time stamp.
    if (m_view.followingLive())
        setStatusCaption(lblDisplayTime, core::dateTimeText(loopStart));
}

void frmSpecAn::engineStopping() {
    scrlSpeed->setEnabled(false);
    cmdStopTest->setEnabled(false);
    cmdPauseTest->setEnabled(false);
}

void frmSpecAn::engineScanEnded(engine::ScanEnd how, qint32) {
    cmdScan->setEnabled(how != engine::ScanEnd::LinkClosed);
    cmdConnect->setEnabled(true);
    cmdStopTest->setEnabled(false);
    cmdPauseTest->setEnabled(false);
    cmdGotoEnd->setEnabled(false);
    scrlSpeed->setEnabled(true);
    enableLimits({udFLLimit, udFULimit, udAtten}, true);
    setStatusCaption(lblCount, QStringLiteral("Count: %1").arg(engine().LoopCount()));
}

void frmSpecAn::cmdStopTest_Click() {
    engine().Stop();
}

// While paused, live readings are not drawn; the scan, the readings and the recording go on.
void frmSpecAn::cmdPauseTest_Click() {
    m_view.togglePause();
}

void frmSpecAn::chkRunForever_Click() {
    m_view.setRunForever(chkRunForever->isChecked());
    settings::WriteIni(QStringLiteral("DefaultSettings"), QStringLiteral("Forever"),
                       chkRunForever->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void frmSpecAn::tmrFlash_Timer() {
    setStatusBoxShown(!m_statusBoxShown);
}

void frmSpecAn::cmdClose_Click() {
    if (!engine().ScanActive()) {
        close();
        return;
    }
    setEnabled(false);
    if (!m_scanQuit) {
        m_scanQuit = new scan::frmScanQuit(this);
        connect(m_scanQuit, &scan::frmScanQuit::answered, this, &frmSpecAn::scanQuitAnswered);
    }
    const QPoint plot = frDisplay->mapToGlobal(QPoint(0, 0));
    m_scanQuit->move(plot.x() + frDisplay->width() / 2 - m_scanQuit->width() / 2,
                     plot.y() + frDisplay->height() / 2 - m_scanQuit->height() / 2);
    m_scanQuit->show();
    m_scanQuit->raise();
}

// Yes lets the loop in progress finish and be recorded, the scan be saved (or its name asked
// for), and then closes the window. Either answer closes it when the scan has ended meanwhile.
void frmSpecAn::scanQuitAnswered(bool yes) {
    setEnabled(true);
    m_scanQuit->deleteLater();
    m_scanQuit = nullptr;
    raise();
    if (yes || !engine().ScanActive()) {
        m_closeWhenQuitDone = true;
        engine().Quit();
    }
}

} // namespace app
