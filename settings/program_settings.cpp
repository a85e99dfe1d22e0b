// SPDX-License-Identifier: MIT
#include "settings/program_settings.h"

#include "core/program_state.h"
#include "settings/ini_file.h"

namespace settings {

namespace {
WriteFailureHandler g_writeFailure;
}

QString ReadIni(const QString& section, const QString& key) {
    return IniFile(core::modMain().IniFilePath).ReadIni(section, key);
}

bool WriteIni(const QString& section, const QString& key, const QString& value) {
    const QString& path = core::modMain().IniFilePath;
    const bool written = IniFile(path).WriteIni(section, key, value);
    if (!written && g_writeFailure)
        g_writeFailure(path);
    return written;
}

void setWriteFailureHandler(WriteFailureHandler handler) {
    g_writeFailure = std::move(handler);
}

} // namespace settings
