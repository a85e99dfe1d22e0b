// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

namespace recording {

inline const QString SettingsFileName = QStringLiteral("KorlanSpecAn.ini");
inline const QString DataFolderName = QStringLiteral("Data");
// The recording of the current or last scan; it holds the scan until it is saved under a name.
inline const QString RecordingFileName = QStringLiteral("lastScan.dat");

struct ProgramFolders {
    QString settingsFile; // full path of the INI file
    QString dataFolder;   // full path, without a trailing separator
    bool perUser = false; // true when both live in the user's folders instead of beside the program
};

// True when a file can be created in the folder (tried with a temporary file that is removed
// again); false for a missing folder or a path below a regular file.
bool canCreateFilesIn(const QString& folder);

// A program in a folder named "bin" is an installed copy, as a package or "cmake --install" puts
// it, and keeps its files in the per-user folders.
bool isInstalledProgramFolder(const QString& programFolder);

// The settings file and the Data folder beside the program when the program's folder can be
// written (and a Data entry already there is a folder that can be written) and it is not an
// installed copy; otherwise the INI in the per-user configuration folder and Data in the per-user
// data folder. Nothing is created: the
// caller makes the data folder, and when perUser the settings file's folder, with
// ensureDataFolder. Names already beside the program in another letter case are used as spelled.
ProgramFolders locateProgramFolders(const QString& programFolder);
ProgramFolders locateProgramFolders(const QString& programFolder,
                                    const std::function<bool(const QString&)>& isWritable);

// True when the path names a folder (or a link to one); false otherwise, also when it cannot be
// examined.
bool DirExists(const QString& path);

// Creates the folder and any missing parents; true when it exists afterwards.
bool ensureDataFolder(const QString& path);

// The spelling under which an entry of that name, compared without regard to case, exists in the
// folder: the name itself when it exists as spelled, else the first match in name order, else "".
QString findNameInFolder(const QString& folder, const QString& name);

// Full path of the recording file in the data folder, in the letter case it exists in;
// folder + "/lastScan.dat" when there is none.
QString recordingFilePath(const QString& dataFolder);

} // namespace recording
