// SPDX-License-Identifier: MIT
#include "settings/program_settings.h"

#include "core/program_state.h"
#include "settings/ini_file.h"

namespace settings {

QString ReadIni(const QString& section, const QString& key) {
    return IniFile(core::modMain().IniFilePath).ReadIni(section, key);
}

bool WriteIni(const QString& section, const QString& key, const QString& value) {
    return IniFile(core::modMain().IniFilePath).WriteIni(section, key, value);
}

} // namespace settings
