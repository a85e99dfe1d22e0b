// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

namespace recording {

// The bare names of the scan files in the data folder: files ending in ".dat" in any letter case,
// leaving out the recording lastScan.dat in any letter case, newest first: by name without regard
// to case, descending, since default names begin with the date and time (ties in case order).
// Empty when the folder cannot be read.
QStringList FillScanList(const QString& dataFolder);

// What the list of saved scans says of one beside its name: when it began, how long it ran (from
// its first loop's start to its last's) and how many loops it holds; "?" for what its records
// do not tell. Empty when the file cannot be read.
QString scanSummary(const QString& path);

struct SaveResult {
    bool ok = false; // the scan is saved under savedName
    QString message; // why it failed; when ok, non-empty only if lastScan.dat could not be removed
    QString savedName; // the name as it is in the folder: an existing file whose name differs
                       // only in letter case is replaced under its own spelling
};

// Saves the recording lastScan.dat of the data folder as scanFileName (a bare name that passes
// checkSaveName), replacing an existing file of that name. The copy is made in a temporary file
// of the folder, compared byte for byte with the recording and then renamed over the target; only
// then is lastScan.dat deleted. On failure lastScan.dat and any existing target are left as they
// were and no temporary file remains. The caller closes the scan file before and opens the saved
// copy after.
SaveResult SaveLastScan(const QString& dataFolder, const QString& scanFileName);

// Saves a copy of the scan file at sourcePath in the data folder as scanFileName, as SaveLastScan
// saves the recording, and leaves the source as it is.
SaveResult saveScanCopy(const QString& sourcePath, const QString& dataFolder,
                        const QString& scanFileName);

// Deletes the named scan files of the data folder: any name FillScanList may show, and nothing
// outside the folder. Returns the names it did not delete: other names, and files that are still
// there afterwards. A file already gone counts as deleted.
QStringList deleteScans(const QString& dataFolder, const QStringList& names);

// The confirmation asked before deleting: the heading, an empty line, each name on its own line,
// an empty line and "Delete ?", lines ending in CR LF.
QString deletionQuestion(const QStringList& names);

} // namespace recording
