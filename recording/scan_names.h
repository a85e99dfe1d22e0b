// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace recording {

// "yyyy-MM-dd_HH-mm-ss", then "_-" + the attenuation + "dB" only when Val(attenuationText) is a
// number above 0 (a plain decimal of at most six significant digits: 20, 12.5; an exponent only
// far out of range: 1e+300), then ".dat": 2009-10-30_14-05-33_-20dB.dat.
QString defaultScanName(const QDateTime& now, const QString& attenuationText);

// The name typed into the save prompt as it is saved: "" stays "" (do not save); a name whose
// last four characters are not ".dat" in any letter case gets ".dat" appended.
QString saveNameFromPrompt(const QString& typed);

// Why the name cannot name a scan file in the data folder, or nothing when it can. A scan name is
// a bare file name: no folder part, no "..", no control or reserved characters, not a device name,
// not the recording file lastScan.dat in any letter case, and short enough for the file system.
std::optional<QString> checkSaveName(const QString& name);

} // namespace recording
