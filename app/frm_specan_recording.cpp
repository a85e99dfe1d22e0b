// SPDX-License-Identifier: MIT
// The scan file: one record per finished loop, the save at the end of a scan, and showing a
// recorded loop.
#include "app/frm_specan.h"

#include "app/msg_box.h"
#include "core/conventions.h"
#include "core/program_state.h"
#include "core/wait.h"
#include "display/plot_view.h"
#include "display/up_down.h"
#include "recording/data_folder.h"
#include "recording/frm_dlg_file_save.h"
#include "recording/scan_library.h"
#include "recording/scan_names.h"
#include "settings/program_settings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace app {

namespace {

const QString FilesystemError = QStringLiteral("Filesystem Error");

} // namespace

void frmSpecAn::WriteLoopRecord() {
    if (!m_scanFile.isOpen() || LoopCount < 1)
        return;
    scan::LoopCodes& codes = m_model.codes();
    recording::ScanRecord record;
    record.LoopNumber = LoopCount;
    record.Attenuation = core::CLng(core::Val(txtAtten->text())).value_or(0);
    record.LoopStartText = LoopStartText.toLatin1();
    record.LastCodes = codes.LastCodes;
    record.AverageCodes = codes.AverageCodes;
    record.PeakCodes = codes.PeakCodes;
    m_scanFile.writeRecord(LoopCount, record);
    codes.clear();
}

bool frmSpecAn::OpenScanFile(const QString& path, bool goToEnd) {
    if (m_scanFile.isOpen())
        m_scanFile.close();
    QString file = path;
    if (path.isEmpty()) {
        core::modMain().ScanFileName =
            recording::defaultScanName(QDateTime::currentDateTime(), txtAtten->text());
        file = recording::recordingFilePath(m_dataFolder);
    } else {
        core::modMain().ScanActive = false;
    }

    const auto fail = [] {
        MsgBox(QStringLiteral("Unspecified File I/O Error"), MsgBoxButtons::Ok, FilesystemError);
        return false;
    };
    const bool opened = path.isEmpty() ? m_scanFile.create(file) : m_scanFile.openForReading(file);
    if (!opened)
        return fail();
    const qint64 loops = m_scanFile.recordCount();
    if (loops > 0) {
        m_model.clear();
        const auto first = m_scanFile.readRecord(1);
        if (!first)
            return fail();
        for (QLabel* label : {lblStatus, lblCount, lblElapsed, lblDisplayTime})
            setStatusColor(label, RecordedColor);
        setStatusCaption(lblStatus,
                         QStringLiteral("Started: ") + QString::fromLatin1(first->LoopStartText));
        setStatusCaption(lblCount, QStringLiteral("Count: 1"));
        setStatusCaption(lblElapsed, QStringLiteral("Elapsed: 0s"));
        scrollTime->setMaximum(int(std::min<qint64>(loops, std::numeric_limits<int>::max())));
        if (!goToEnd) {
            BuildFreqAxis();
            scrollTime->setValue(1);
        } else {
            scrollTime->setValue(scrollTime->maximum());
        }
        scrollTime_Change();
    }
    return true;
}

// Saves the recording under ScanFileName and shows the saved copy at its last loop. When the
// copy fails the user is told and the recording stays in lastScan.dat, shown as it was.
void frmSpecAn::SaveLastScan() {
    m_scanFile.close();
    const recording::SaveResult result =
        recording::SaveLastScan(m_dataFolder, core::modMain().ScanFileName);
    if (!result.ok) {
        MsgBox(result.message, MsgBoxButtons::Ok, FilesystemError);
        m_scanFile.openForReading(recording::recordingFilePath(m_dataFolder));
        return;
    }
    OpenScanFile(m_dataFolder + QLatin1Char('/') + result.savedName, true);
    txtRestoredScan->setText(result.savedName);
    txtRestoredScan->show();
    if (!result.message.isEmpty())
        MsgBox(result.message, MsgBoxButtons::Ok, FilesystemError);
}

void frmSpecAn::PromptSaveScan() {
    setEnabled(false);
    delete m_fileSave;
    m_fileSave = new recording::frmDlgFileSave();
    m_fileSave->Form_Load(core::modMain().ScanFileName,
                          core::Val(settings::ReadIni(QStringLiteral("DefaultSettings"),
                                                      QStringLiteral("AutoSaveScan"))) > 0);
    m_fileSave->show();
    m_fileSave->raise();
    tmrFileSave->start();
    QCoreApplication::processEvents();
}

void frmSpecAn::tmrFileSave_Timer() {
    if (m_fileSave && m_fileSave->isVisible())
        return;
    tmrFileSave->stop();
    if (!m_fileSave)
        return;
    const QString name = m_fileSave->txtFileName->text();
    if (!name.isEmpty()) {
        // A save name is a file name in the Data folder and nothing else.
        if (const auto refusal = recording::checkSaveName(name)) {
            MsgBox(*refusal + QStringLiteral("\r\n\r\nThe scan is kept; choose another name."),
                   MsgBoxButtons::Ok, QStringLiteral("Save Scan"));
            m_fileSave->show();
            m_fileSave->raise();
            tmrFileSave->start();
            return;
        }
        core::modMain().ScanFileName = name;
        SaveLastScan();
    }
    // The dialog's unload: its box decides whether later scans are saved without asking.
    const bool autoSave = m_fileSave->chkAutoSave->isChecked();
    settings::WriteIni(QStringLiteral("DefaultSettings"), QStringLiteral("AutoSaveScan"),
                       autoSave ? QStringLiteral("1") : QStringLiteral("0"));
    core::modMain().AutoSaveScanOn = autoSave;
    setEnabled(true);
    m_fileSave->deleteLater();
    m_fileSave = nullptr;
    if (m_reconnectAfterSave) {
        m_reconnectAfterSave = false;
        reconnectWhenIdle();
    }
}

void frmSpecAn::scrollTime_Change() {
    const int position = scrollTime->value();
    const int maximum = scrollTime->maximum();
    if (core::modMain().ScanActive && position >= maximum) {
        cmdReDraw->hide();
        cmdGotoEnd->setEnabled(false);
        setStatusColor(lblDisplayTime, LiveColor);
        return;
    }
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
    scrollTime->setValue(scrollTime->maximum());
    cmdGotoEnd->setEnabled(false);
    setStatusColor(lblDisplayTime, LiveColor);
    scrollTime_Change();
}

void frmSpecAn::ShowRecordedLoop(qint32 n) {
    m_model.clear();
    const auto record = m_scanFile.readRecord(n);
    if (!record)
        return;
    PlaybackRecord = *record;
    udAtten->setValue(record->Attenuation);
    setStatusCaption(lblDisplayTime, QString::fromLatin1(record->LoopStartText).trimmed());
    setStatusCaption(lblCount, QStringLiteral("Count: %1 (%2)").arg(n).arg(scrollTime->maximum()));
    if (lblStatus->text().size() >= 8) {
        if (const auto seconds = core::secondsBetween(QStringView(lblStatus->text()).mid(8),
                                                      QStringView(lblDisplayTime->text())))
            setStatusCaption(lblElapsed,
                             QStringLiteral("Elapsed: ") + core::FormatElapsed(double(*seconds)));
    }
    frDisplay->Cls();

    const auto code = [](const QByteArray& codes, int p) {
        return p <= codes.size() ? int(static_cast<unsigned char>(codes[p - 1])) : 0;
    };
    const auto show = [&](int first, int last) {
        for (int p = first; p <= last; ++p) {
            const int lastCode = code(record->LastCodes, p);
            const int peakCode = code(record->PeakCodes, p);
            const int averageCode = code(record->AverageCodes, p);
            UpdateChannelReading(p - 1, lastCode, static_cast<qint16>(peakCode), averageCode, true);
            m_model.storeRecorded(p - 1, lastCode, peakCode, averageCode);
        }
    };
    switch (LowBandChannels) {
    case 0:
        show(33, 160);
        break;
    case 16:
        show(17, 160);
        break;
    case 32:
        show(1, 160);
        break;
    default:
        break;
    }
    if (FreqHighLimit > 9276)
        show(161, 176);
    if (FreqHighLimit > 9308)
        show(177, 192);
    frDisplay->update();
}

} // namespace app
