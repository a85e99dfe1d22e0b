// SPDX-License-Identifier: MIT
// The recording of a scan: a new lastScan.dat at every scan start, one record per finished loop,
// and the save under a name at the end.
#include "engine/scan_engine.h"

#include "core/conventions.h"
#include "recording/data_folder.h"
#include "recording/scan_library.h"
#include "recording/scan_names.h"

#include <utility>

namespace engine {

namespace {

const QString FilesystemError = QStringLiteral("Filesystem Error");
const QString FileIoError = QStringLiteral("Unspecified File I/O Error");

} // namespace

void ScanEngine::WriteLoopRecord() {
    scan::LoopCodes& codes = m_model.codes();
    if (m_scanFile.isWritable() && m_loopCount >= 1) {
        recording::ScanRecord record;
        record.LoopNumber = m_loopCount;
        record.Attenuation = m_scanAttenuation;
        record.LoopStartText = core::dateTimeText(m_loopStart).toLatin1();
        record.LastCodes = codes.LastCodes;
        record.AverageCodes = codes.AverageCodes;
        record.PeakCodes = codes.PeakCodes;
        // A disk that is full or a folder that went away: the scan goes on, and the user hears
        // of it once.
        if (m_scanFile.writeRecord(m_loopCount, record)) {
            emit loopRecorded(record);
        } else if (!m_writeFailureReported) {
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
    m_scanFileName = recording::defaultScanName(QDateTime::currentDateTime(),
                                                QString::number(m_scanAttenuation));
    const bool created = m_scanFile.create(recording::recordingFilePath(m_dataFolder));
    ++m_scanFileGeneration;
    if (!created)
        emit failure(FileIoError, FilesystemError);
    return created;
}

// Playback never takes the scan file from a scan that runs or is being connected.
bool ScanEngine::OpenScanFile(const QString& path, bool goToEnd) {
    if (m_scanActive || m_linkState != LinkIdle) {
        emit failure(QStringLiteral("A scan is being recorded: a saved scan can be opened once "
                                    "it has ended."),
                     QStringLiteral("Open Saved Scan"));
        return false;
    }
    return openForPlayback(path, goToEnd);
}

bool ScanEngine::openForPlayback(const QString& path, bool goToEnd) {
    const bool opened = m_scanFile.openForReading(path);
    ++m_scanFileGeneration;
    if (!opened) {
        emit failure(FileIoError, FilesystemError);
        return false;
    }
    emit scanFileOpened(path, m_scanFile.recordCount(), goToEnd);
    return true;
}

void ScanEngine::askSaveName() {
    m_saveQuestion = ++m_lastQuestion;
    emit saveNameAsked(*m_saveQuestion, m_scanFileName);
}

void ScanEngine::answerSaveName(quint64 question, const QString& name) {
    if (m_saveQuestion != question)
        return;
    m_saveQuestion.reset();
    if (!name.isEmpty()) {
        m_scanFileName = name;
        SaveLastScan(); // may ask again
    }
    if (m_saveQuestion)
        return;
    if (m_state == EngineState::AskingSaveName)
        settle();
    if (std::exchange(m_reconnectAfterSave, false))
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
        ++m_scanFileGeneration;
        if (!m_runForever && !m_autoSave)
            askSaveName();
        return;
    }
    openForPlayback(m_dataFolder + QLatin1Char('/') + result.savedName, true);
    emit recordingSaved(result.savedName);
    if (!result.message.isEmpty())
        emit failure(result.message, FilesystemError);
}

} // namespace engine
