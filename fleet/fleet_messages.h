// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/site_loop.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

// The JSON a site and the fleet's centre exchange. Each message is one JSON object; the README
// shows them.
namespace fleet {

// <prefix>/<site>/loop: one finished loop.
QByteArray loopMessage(const SiteLoop& loop);
// Nothing, with the reason, for a message that is not a loop in this form.
std::optional<SiteLoop> parseLoopMessage(const QByteArray& json, QString* problem);

// <prefix>/<site>/status, retained: online with the program's version and the scan's limits, or
// offline (the recorder's last will).
struct SiteStatus {
    QString site;
    bool online = false;
    QString version;
    int lowF10 = 0, highF10 = 0; // the limits in tenths of a MHz; 0 when offline
};
QByteArray statusMessage(const SiteStatus& status);
std::optional<SiteStatus> parseStatusMessage(const QByteArray& json, QString* problem);

// <prefix>/<site>/resend: the store asks the site for loops of one of its scans.
struct ResendRequest {
    QString scan;
    std::vector<qint32> loops;
};
QByteArray resendMessage(const ResendRequest& request);
std::optional<ResendRequest> parseResendMessage(const QByteArray& json, QString* problem);

// <prefix>/<site>/alarm: a level alarm of the site began or ended with a loop.
struct SiteAlarm {
    QString site;
    bool starts = true; // or ends
    QString rule;       // "Grp 3 >= -80 dBm for 3 loops"
    qint32 loop = 0;
    QDateTime start; // the loop's start, with the site's offset from UTC
    int f10 = 0;     // the rule's strongest channel in that loop, tenths of a MHz
    int dbm = 0;     // and its level
};
QByteArray alarmMessage(const SiteAlarm& alarm);
std::optional<SiteAlarm> parseAlarmMessage(const QByteArray& json, QString* problem);

} // namespace fleet
