// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The program's settings file, at core::modMain().IniFilePath.
namespace settings {

// The trimmed value, or "NOT SET" for anything missing or empty.
QString ReadIni(const QString& section, const QString& key);
// False when the value could not be stored.
bool WriteIni(const QString& section, const QString& key, const QString& value);

} // namespace settings
