// SPDX-License-Identifier: MIT
// The recording of a scan: a new lastScan.dat at every scan start, one record per finished loop,
// and the save under a name at the end.
#include "engine/scan_engine.h"

#include "core/conventions.h"
#include "recording/data_folder.h"
#include "recording/scan_library.h"
#include "recording/scan_names.h"

namespace engine {

namespace {

const QString FilesystemError = QStringLiteral("Filesystem Error");
const QString FileIoError = QStringLiteral("Unspecified File I/O Error");

} // namespace

std::optional<recording::ScanRecord> ScanEngine::readRecord(qint32 n) const {
    return m_scanFile.readRecord(n);
}

void ScanEngine::WriteLoopRecord() {
    scan::LoopCodes& codes = m_model.codes();
    if (m_scanFile.isWritable() && m_loopCount >= 1) {
        recording::ScanRecord record;
        record.LoopNumber = m_loopCount;
        record.Attenuation = m_attenuation;
        record.LoopStartText = core::dateTimeText(m_loopStart).toLatin1();
        record.LastCodes = codes.LastCodes;
        record.AverageCodes = codes.AverageCodes;
        record.PeakCodes = codes.PeakCodes;
        // A disk that is full or a folder that went away: the scan goes on, and the user hears
        // of it once.
        if (!m_scanFile.writeRecord(m_loopCount, record) && !m_writeFailureReported) {
            m_writeFailureReported = true;
            emit failure(QStringLiteral("Loop %1 could not be recorded (%2).\r\n\r\nThe scan goes "
                                        "on, but loops that cannot be written are lost.")
                             .arg(m_loopCount)
                             .arg(m_scanFile.errorString()),
                         FilesystemError);
        }
    }
    codes.clear();
}

// A new recording: the default name for its save, and lastScan.dat created empty.
bool ScanEngine::OpenNewRecording() {
    m_scanFile.close();
    m_scanFileName =
        recording::defaultScanName(QDateTime::currentDateTime(), QString::number(m_attenuation));
    if (!m_scanFile.create(recording::recordingFilePath(m_dataFolder))) {
        emit failure(FileIoError, FilesystemError);
        return false;
    }
    return true;
}

bool ScanEngine::OpenScanFile(const QString& path, bool goToEnd) {
    m_scanActive = false;
    if (!m_scanFile.openForReading(path)) {
        emit failure(FileIoError, FilesystemError);
        return false;
    }
    const qint64 loops = m_scanFile.recordCount();
    if (loops > 0)
        emit scanFileOpened(path, loops, goToEnd);
    return true;
}

void ScanEngine::SaveRecordingAs(const QString& name) {
    m_saveQuestionOpen = false;
    m_scanFileName = name;
    SaveLastScan();
    finishSaveQuestion();
}

void ScanEngine::KeepRecording() {
    m_saveQuestionOpen = false;
    finishSaveQuestion();
}

void ScanEngine::finishSaveQuestion() {
    if (m_saveQuestionOpen || !m_reconnectAfterSave)
        return;
    m_reconnectAfterSave = false;
    reconnectWhenIdle();
}

// Saves the recording under ScanFileName and opens the saved copy for playback at its last loop.
// When the copy fails the user is told, the recording stays in lastScan.dat, and a name is asked
// for again unless the scan is saved without asking.
void ScanEngine::SaveLastScan() {
    m_scanFile.close();
    const recording::SaveResult result = recording::SaveLastScan(m_dataFolder, m_scanFileName);
    if (!result.ok) {
        emit failure(result.message, FilesystemError);
        m_scanFile.openForReading(recording::recordingFilePath(m_dataFolder));
        if (!m_runForever && !m_autoSave) {
            m_saveQuestionOpen = true;
            m_questions.chooseSaveName(m_scanFileName);
        }
        return;
    }
    OpenScanFile(m_dataFolder + QLatin1Char('/') + result.savedName, true);
    emit recordingSaved(result.savedName);
    if (!result.message.isEmpty())
        emit failure(result.message, FilesystemError);
}

} // namespace engine
