// SPDX-License-Identifier: MIT
#include "settings/remote_settings.h"

#include "settings/ini_file.h"
#include "settings/program_settings.h"

namespace settings {

namespace {

const QString BrokerKey = QStringLiteral("Broker");

} // namespace

QString readRemoteBroker() {
    const QString url = ReadIni(RemoteSection, BrokerKey);
    return url == NotSet ? QString() : url;
}

bool writeRemoteBroker(const QString& url) {
    return WriteIni(RemoteSection, BrokerKey, url);
}

} // namespace settings
