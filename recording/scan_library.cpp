// SPDX-License-Identifier: MIT
#include "recording/scan_library.h"

#include "core/conventions.h"
#include "core/wall_clock.h"
#include "recording/data_folder.h"
#include "recording/scan_file.h"
#include "recording/scan_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace recording {

namespace {

constexpr qint64 CopyChunk = 64 * 1024; // bytes

const QString CrLf = QStringLiteral("\r\n");

bool isDatName(const QString& name) {
    return name.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive);
}

// A scan the list may show: a ".dat" file right in the data folder other than the recording,
// whatever characters the file system allowed in its name.
bool isScanEntryName(const QString& name) {
#ifdef Q_OS_WIN
    if (name.contains(QLatin1Char('\\')))
        return false;
#endif
    return isDatName(name) && !name.contains(QLatin1Char('/')) &&
           name.compare(RecordingFileName, Qt::CaseInsensitive) != 0;
}

std::filesystem::path fsPath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Hands the file's bytes to the storage device, so that the copy survives a power cut before the
// recording is deleted.
bool syncToDisk(QFileDevice& file) {
    if (!file.flush())
        return false;
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

// Empty when both files hold the same bytes, otherwise what differs or could not be read.
QString compareFiles(const QString& expectedPath, const QString& actualPath) {
    QFile expected(expectedPath);
    QFile actual(actualPath);
    if (!expected.open(QIODevice::ReadOnly))
        return expected.errorString();
    if (!actual.open(QIODevice::ReadOnly))
        return actual.errorString();
    if (expected.size() != actual.size()) {
        return QStringLiteral("the copy holds %1 bytes instead of %2")
            .arg(actual.size())
            .arg(expected.size());
    }
    while (!expected.atEnd()) {
        const QByteArray a = expected.read(CopyChunk);
        const QByteArray b = actual.read(CopyChunk);
        if (a.isEmpty() && expected.error() != QFileDevice::NoError)
            return expected.errorString();
        if (b.isEmpty() && actual.error() != QFileDevice::NoError)
            return actual.errorString();
        if (a != b)
            return QStringLiteral("the copy differs from the recording");
    }
    return {};
}

// Copies source into the open file; empty on success, otherwise the reason.
QString copyInto(const QString& sourcePath, QFileDevice& target) {
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return source.errorString();
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(CopyChunk);
        if (chunk.isEmpty()) {
            if (source.error() != QFileDevice::NoError)
                return source.errorString();
            break;
        }
        if (target.write(chunk) != chunk.size())
            return target.errorString();
    }
    if (!syncToDisk(target))
        return target.errorString();
    return {};
}

SaveResult failed(const QString& message) {
    return {false, message, {}};
}

} // namespace

QStringList FillScanList(const QString& dataFolder) {
    if (!DirExists(dataFolder))
        return {};
    QStringList names;
    const QStringList entries =
        QDir(dataFolder).entryList(QDir::Files | QDir::Hidden, QDir::NoSort);
    for (const QString& name : entries) {
        if (isScanEntryName(name))
            names << name;
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded > 0 : a.compare(b, Qt::CaseSensitive) > 0;
    });
    return names;
}

QString scanSummary(const QString& path) {
    ScanFile file;
    if (!file.openForReading(path))
        return {};
    const qint64 loops = file.recordCount();
    const auto startOf = [&file](qint64 n) -> std::optional<QDateTime> {
        const auto record =
            n >= 1 ? file.readRecord(qint32(std::min<qint64>(n, INT32_MAX))) : std::nullopt;
        return record ? core::parseDateTimeText(QString::fromLatin1(record->LoopStartText))
                      : std::nullopt;
    };
    const auto first = startOf(1);
    const auto last = startOf(loops);
    const QString began = first ? core::dateTimeText(*first) : QStringLiteral("?");
    const QString lasted =
        first && last ? core::FormatElapsed(double(core::wallClockSecsTo(*first, *last))).trimmed()
                      : QStringLiteral("?");
    return QStringLiteral("%1, %2, %3 %4")
        .arg(began, lasted)
        .arg(loops)
        .arg(loops == 1 ? QStringLiteral("loop") : QStringLiteral("loops"));
}

namespace {

// The copy of a scan file into the data folder under scanFileName; keptNote ends a message that
// says why the copy failed.
SaveResult copyIntoDataFolder(const QString& sourcePath, const QString& dataFolder,
                              const QString& scanFileName, const QString& keptNote) {
    const QDir folder(dataFolder);
    QString savedName = findNameInFolder(dataFolder, scanFileName);
    if (savedName.isEmpty())
        savedName = scanFileName;
    const QString targetPath = folder.filePath(savedName);
    const auto cannotSave = [&](const QString& reason) {
        return failed(
            QStringLiteral("The scan cannot be saved as \"%1\": %2.").arg(savedName, reason) +
            keptNote);
    };
    // Not ending in ".dat", so an interrupted save never shows up as a scan.
    QTemporaryFile copy(folder.filePath(QStringLiteral(".saving-XXXXXX.tmp")));
    if (!copy.open())
        return cannotSave(copy.errorString());
    QString reason = copyInto(sourcePath, copy);
    copy.close();
    if (reason.isEmpty() && copy.error() != QFileDevice::NoError)
        reason = copy.errorString();
    if (reason.isEmpty())
        reason = compareFiles(sourcePath, copy.fileName());
    if (!reason.isEmpty())
        return cannotSave(reason);
    // The copy was made private to the program; the saved scan is an ordinary file, with the
    // mode the recording got from the user's umask.
    QFile::setPermissions(copy.fileName(), QFileInfo(sourcePath).permissions());

    std::error_code error;
    std::filesystem::rename(fsPath(copy.fileName()), fsPath(targetPath), error);
    if (error) {
        return cannotSave(QFileInfo(targetPath).isDir()
                              ? QStringLiteral("a folder of that name is in the Data folder")
                              : QString::fromStdString(error.message()));
    }
    copy.setAutoRemove(false);
    return {true, {}, savedName};
}

std::optional<SaveResult> refusedSave(const QString& dataFolder, const QString& scanFileName) {
    if (const auto why = checkSaveName(scanFileName))
        return failed(*why);
    if (!DirExists(dataFolder)) {
        return failed(
            QStringLiteral("The scan cannot be saved: the Data folder \"%1\" does not exist.")
                .arg(QDir::toNativeSeparators(dataFolder)));
    }
    return std::nullopt;
}

} // namespace

SaveResult SaveLastScan(const QString& dataFolder, const QString& scanFileName) {
    if (auto refused = refusedSave(dataFolder, scanFileName))
        return *refused;
    const QDir folder(dataFolder);
    const QString recordingName = findNameInFolder(dataFolder, RecordingFileName);
    const QString sourcePath = folder.filePath(recordingName);
    if (recordingName.isEmpty() || !QFileInfo(sourcePath).isFile()) {
        return failed(QStringLiteral("The scan cannot be saved: there is no recording (%1) in "
                                     "the Data folder.")
                          .arg(RecordingFileName));
    }
    const SaveResult copied =
        copyIntoDataFolder(sourcePath, dataFolder, scanFileName,
                           QStringLiteral(" The recording is kept in %1.").arg(recordingName));
    if (!copied.ok)
        return copied;
    QFile recording(sourcePath);
    if (!recording.remove()) {
        return {true,
                QStringLiteral("The scan is saved as \"%1\", but %2 could not be deleted: %3.")
                    .arg(copied.savedName, recordingName, recording.errorString()),
                copied.savedName};
    }
    return copied;
}

SaveResult saveScanCopy(const QString& sourcePath, const QString& dataFolder,
                        const QString& scanFileName) {
    if (auto refused = refusedSave(dataFolder, scanFileName))
        return *refused;
    return copyIntoDataFolder(sourcePath, dataFolder, scanFileName, QString());
}

QStringList deleteScans(const QString& dataFolder, const QStringList& names) {
    QStringList notDeleted;
    const QDir folder(dataFolder);
    for (const QString& name : names) {
        if (!isScanEntryName(name)) {
            notDeleted << name;
            continue;
        }
        const QString path = folder.filePath(name);
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            continue;
        if (info.isDir() || !QFile::remove(path))
            notDeleted << name;
    }
    return notDeleted;
}

QString deletionQuestion(const QStringList& names) {
    QString text =
        QStringLiteral("You have marked the following files for deletion:") + CrLf + CrLf;
    for (const QString& name : names)
        text += name + CrLf;
    return text + CrLf + QStringLiteral("Delete ?");
}

} // namespace recording
