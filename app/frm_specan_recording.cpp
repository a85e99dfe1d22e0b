// SPDX-License-Identifier: MIT
// The save prompt at the end of a scan, and showing a recorded loop.
#include "app/frm_specan.h"

#include "app/frm_scan_restore.h"
#include "app/msg_box.h"
#include "core/conventions.h"
#include "core/time_scale.h"
#include "core/wall_clock.h"
#include "display/plot_view.h"
#include "display/up_down.h"
#include "recording/frm_dlg_file_save.h"
#include "recording/scan_names.h"
#include "settings/program_settings.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

namespace app {

void frmSpecAn::engineSaveNameAsked(quint64 question, const QString& proposedName) {
    m_saveQuestion = question;
    PromptSaveScan(proposedName);
}

void frmSpecAn::PromptSaveScan(const QString& proposedName) {
    setEnabled(false);
    delete m_fileSave;
    m_fileSave = new recording::frmDlgFileSave(this);
    connect(m_fileSave, &recording::frmDlgFileSave::answered, this, &frmSpecAn::saveNameAnswered);
    m_fileSave->Form_Load(proposedName,
                          core::Val(settings::ReadIni(QStringLiteral("DefaultSettings"),
                                                      QStringLiteral("AutoSaveScan"))) > 0);
    m_fileSave->show();
    m_fileSave->raise();
}

void frmSpecAn::saveNameAnswered(const QString& name, bool autoSave) {
    // A save name is a file name in the Data folder and nothing else.
    if (const auto refusal = name.isEmpty() ? std::nullopt : recording::checkSaveName(name)) {
        MsgBox(*refusal + QStringLiteral("\r\n\r\nThe scan is kept; choose another name."),
               MsgBoxButtons::Ok, QStringLiteral("Save Scan"));
        if (m_fileSave) {
            m_fileSave->show();
            m_fileSave->raise();
        }
        return;
    }
    // The prompt's unload: its box decides whether later scans are saved without asking.
    settings::WriteIni(QStringLiteral("DefaultSettings"), QStringLiteral("AutoSaveScan"),
                       autoSave ? QStringLiteral("1") : QStringLiteral("0"));
    m_view.setAutoSave(autoSave);
    if (m_fileSave) {
        m_fileSave->deleteLater();
        m_fileSave = nullptr;
    }
    setEnabled(true);
    if (name.isEmpty())
        setStatusBox(QStringLiteral("Not Saved - kept until the next scan"));
    // A failed save asks again: the engine asks a new question.
    engine().answerSaveName(m_saveQuestion, name);
}

void frmSpecAn::mnuOpenSavedScan_Click() {
    setEnabled(false);
    delete m_scanRestore;
    m_scanRestore = new frmScanRestore(this);
    connect(m_scanRestore, &frmScanRestore::chosen, this, &frmSpecAn::scanChosen);
    m_scanRestore->Form_Load(m_dataFolder);
    m_scanRestore->show();
    m_scanRestore->raise();
}

// The list may have been opened before a scan started by itself ("Run Forever"): the scan goes
// on, and the saved scan is not opened.
void frmSpecAn::scanChosen(const QString& name) {
    setEnabled(true);
    if (m_scanRestore) {
        m_scanRestore->deleteLater();
        m_scanRestore = nullptr;
    }
    if (name.isEmpty() || refusedWhileScanning(QStringLiteral("Open Saved Scan")))
        return;
    setStatusBox(name);
    setStatusBoxShown(true);
    engine().OpenScanFile(QDir(m_dataFolder).filePath(name), false);
}

bool frmSpecAn::refusedWhileScanning(const QString& title) {
    if (!engine().ScanActive() && engine().LinkState() == engine::LinkIdle)
        return false;
    MsgBox(QStringLiteral("A scan is running and being recorded. It goes on; try again once it "
                          "has ended."),
           MsgBoxButtons::Ok, title);
    return true;
}

// The box says for a few seconds that the scan was saved, then shows the scan on display by name.
void frmSpecAn::engineRecordingSaved(const QString& savedName) {
    setStatusBox(QStringLiteral("Saved as ") + savedName);
    setStatusBoxShown(true);
    QTimer::singleShot(core::scaledMs(SavedNoticeMs), txtRestoredScan, [this, savedName] {
        if (m_statusText == QStringLiteral("Saved as ") + savedName)
            setStatusBox(savedName);
    });
}

// A scan file opened for playback: its start in red, and its first or last loop on display.
void frmSpecAn::engineScanFileOpened(const QString&, qint64 loops, bool goToEnd) {
    const auto first = loops > 0 ? engine().readRecord(1) : std::nullopt;
    if (!first) {
        // Nothing on display stays as if it belonged to this scan.
        frDisplay->Cls();
        {
            const QSignalBlocker blocker(scrollTime);
            scrollTime->setRange(1, 1);
        }
        cmdGotoEnd->setEnabled(false);
        setStatusCaption(lblStatus, QStringLiteral("Stopped"));
        setStatusCaption(lblCount, QStringLiteral("Count: 0"));
        setStatusCaption(lblDisplayTime, QString());
        if (loops > 0)
            engineFailure(QStringLiteral("Unspecified File I/O Error"),
                          QStringLiteral("Filesystem Error"));
        return;
    }
    for (QLabel* label : {lblStatus, lblCount, lblElapsed, lblDisplayTime})
        setStatusColor(label, RecordedColor);
    setStatusCaption(lblStatus,
                     QStringLiteral("Started: ") + QString::fromLatin1(first->LoopStartText));
    setStatusCaption(lblCount, QStringLiteral("Count: 1"));
    setStatusCaption(lblElapsed, QStringLiteral("Elapsed: 0s"));
    m_shownScanStart =
        core::parseDateTimeText(QString::fromLatin1(first->LoopStartText)).value_or(QDateTime());
    {
        const QSignalBlocker blocker(scrollTime);
        scrollTime->setMaximum(int(std::min<qint64>(loops, std::numeric_limits<int>::max())));
        if (!goToEnd) {
            BuildFreqAxis();
            scrollTime->setValue(1);
        } else {
            scrollTime->setValue(scrollTime->maximum());
        }
    }
    scrollTime_Change();
}

void frmSpecAn::scrollTime_Change() {
    const int position = scrollTime->value();
    const int maximum = scrollTime->maximum();
    if (engine().ScanActive() && position >= maximum) {
        m_view.setFollowingLive(true);
        cmdReDraw->hide();
        cmdGotoEnd->setEnabled(false);
        setStatusColor(lblDisplayTime, LiveColor);
        return;
    }
    m_view.setFollowingLive(false);
    if (position < maximum)
        cmdGotoEnd->setEnabled(true);
    setStatusColor(lblDisplayTime, RecordedColor);
    if (position >= 1) {
        ShowRecordedLoop(position);
        txtInput->setText(QStringLiteral("%1    %2").arg(position).arg(maximum));
    }
}

void frmSpecAn::cmdGotoEnd_Click() {
    if (scrollTime->maximum() < 2)
        return;
    {
        const QSignalBlocker blocker(scrollTime);
        scrollTime->setValue(scrollTime->maximum());
    }
    cmdGotoEnd->setEnabled(false);
    setStatusColor(lblDisplayTime, LiveColor);
    scrollTime_Change();
}

void frmSpecAn::ShowRecordedLoop(qint32 n) {
    const auto draws = m_view.showRecordedLoop(n);
    if (!draws)
        return;
    const recording::ScanRecord& record = m_view.shownLoop();
    m_view.setAttenuation(record.Attenuation);
    setStatusCaption(lblDisplayTime, QString::fromLatin1(record.LoopStartText).trimmed());
    setStatusCaption(lblCount, QStringLiteral("Count: %1 (%2)").arg(n).arg(scrollTime->maximum()));
    const auto loopStart = core::parseDateTimeText(QString::fromLatin1(record.LoopStartText));
    if (loopStart && m_shownScanStart.isValid())
        setStatusCaption(lblElapsed, QStringLiteral("Elapsed: ") +
                                         core::FormatElapsed(double(
                                             core::wallClockSecsTo(m_shownScanStart, *loopStart))));
    frDisplay->Cls();
    for (const display::ChannelDraw& draw : *draws)
        DrawChannel(draw);
    frDisplay->update();
}

} // namespace app
