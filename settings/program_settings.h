// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

// The program's settings file, at core::modMain().IniFilePath.
namespace settings {

// The trimmed value, or "NOT SET" for anything missing or empty.
QString ReadIni(const QString& section, const QString& key);
// False when the value could not be stored; the file is then left as it was.
bool WriteIni(const QString& section, const QString& key, const QString& value);

// Called with the file's path after every write that failed; an empty function calls nothing.
using WriteFailureHandler = std::function<void(const QString& iniPath)>;
void setWriteFailureHandler(WriteFailureHandler handler);

} // namespace settings
