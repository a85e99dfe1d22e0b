// SPDX-License-Identifier: MIT
#include "recording/data_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace recording {

bool canCreateFilesIn(const QString& folder) {
    if (!DirExists(folder))
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".write-probe-XXXXXX")));
    return probe.open();
}

bool isInstalledProgramFolder(const QString& programFolder) {
    return QDir(QDir::cleanPath(programFolder)).dirName() == QLatin1String("bin");
}

ProgramFolders locateProgramFolders(const QString& programFolder) {
    // An installed copy never writes beside itself, even for a user who could.
    const bool installed = isInstalledProgramFolder(programFolder);
    return locateProgramFolders(programFolder, [installed](const QString& folder) {
        return !installed && canCreateFilesIn(folder);
    });
}

ProgramFolders locateProgramFolders(const QString& programFolder,
                                    const std::function<bool(const QString&)>& isWritable) {
    const QDir beside(programFolder);
    QString dataName = findNameInFolder(programFolder, DataFolderName);
    if (dataName.isEmpty())
        dataName = DataFolderName;
    const QString dataBeside = QDir::cleanPath(beside.absoluteFilePath(dataName));
    const bool dataUsable =
        !QFileInfo::exists(dataBeside) || (DirExists(dataBeside) && isWritable(dataBeside));

    if (isWritable(programFolder) && dataUsable) {
        QString iniName = findNameInFolder(programFolder, SettingsFileName);
        if (iniName.isEmpty())
            iniName = SettingsFileName;
        return {QDir::cleanPath(beside.absoluteFilePath(iniName)), dataBeside, false};
    }

    const QDir config(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    const QDir data(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    return {QDir::cleanPath(config.filePath(SettingsFileName)),
            QDir::cleanPath(data.filePath(DataFolderName)), true};
}

bool DirExists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isDir();
}

bool ensureDataFolder(const QString& path) {
    if (DirExists(path))
        return true;
    if (path.isEmpty())
        return false;
    QDir().mkpath(path);
    return DirExists(path);
}

QString findNameInFolder(const QString& folder, const QString& name) {
    if (!DirExists(folder) || name.isEmpty())
        return {};
    const QDir dir(folder);
    if (QFileInfo::exists(dir.filePath(name)))
        return name;
    const QStringList entries = dir.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return {};
}

QString recordingFilePath(const QString& dataFolder) {
    const QString found = findNameInFolder(dataFolder, RecordingFileName);
    return QDir(dataFolder).filePath(found.isEmpty() ? RecordingFileName : found);
}

} // namespace recording
