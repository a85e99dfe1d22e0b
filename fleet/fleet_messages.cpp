// SPDX-License-Identifier: MIT
#include "fleet/fleet_messages.h"

#include "scan/channel_plan.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace fleet {

namespace {

constexpr double StepMHz = scan::ChannelStepF10 / 10.0;
// Levels lie between these; anything else in a message is not a level.
constexpr int StrongestDbm = 0;
constexpr int WeakestDbm = -199;
constexpr int MaxLoopsPerRequest = 10000;

QJsonArray levelArray(const std::vector<Level>& levels) {
    QJsonArray array;
    for (const Level& level : levels)
        array.append(level ? QJsonValue(*level) : QJsonValue(QJsonValue::Null));
    return array;
}

bool fail(QString* problem, const QString& why) {
    if (problem)
        *problem = why;
    return false;
}

std::optional<QJsonObject> objectOf(const QByteArray& json, QString* problem) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        fail(problem, QStringLiteral("not JSON: %1").arg(error.errorString()));
        return std::nullopt;
    }
    if (!document.isObject()) {
        fail(problem, QStringLiteral("not a JSON object"));
        return std::nullopt;
    }
    return document.object();
}

// A whole number within [low, high], or nothing.
std::optional<int> wholeNumber(const QJsonValue& value, int low, int high) {
    if (!value.isDouble())
        return std::nullopt;
    const double x = value.toDouble();
    if (x != std::floor(x) || x < low || x > high)
        return std::nullopt;
    return int(x);
}

bool readLevels(const QJsonValue& value, std::vector<Level>& levels) {
    if (!value.isArray())
        return false;
    const QJsonArray array = value.toArray();
    if (array.size() > scan::ChannelCount)
        return false;
    levels.reserve(size_t(array.size()));
    for (const QJsonValue& entry : array) {
        if (entry.isNull()) {
            levels.emplace_back();
            continue;
        }
        const auto dbm = wholeNumber(entry, WeakestDbm, StrongestDbm);
        if (!dbm)
            return false;
        levels.emplace_back(*dbm);
    }
    return true;
}

std::optional<int> channelOfMHz(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double f10 = value.toDouble() * 10;
    const int rounded = int(std::lround(f10));
    if (std::abs(f10 - rounded) > 1e-6 || (rounded - scan::FirstChannelF10) % scan::ChannelStepF10)
        return std::nullopt;
    const int channel = scan::channelIndexFromF10(rounded);
    if (!scan::isChannelIndex(channel))
        return std::nullopt;
    return channel;
}

} // namespace

QByteArray loopMessage(const SiteLoop& loop) {
    QJsonObject o;
    o[QLatin1String("site")] = loop.site;
    o[QLatin1String("scan")] = loop.scan;
    o[QLatin1String("loop")] = loop.loop;
    o[QLatin1String("start")] = loop.start.toString(Qt::ISODate);
    o[QLatin1String("attenuation_db")] = loop.attenuation;
    o[QLatin1String("first_mhz")] = scan::channelF10(loop.firstChannel) / 10.0;
    o[QLatin1String("step_mhz")] = StepMHz;
    o[QLatin1String("last_dbm")] = levelArray(loop.last);
    o[QLatin1String("peak_dbm")] = levelArray(loop.peak);
    o[QLatin1String("average_dbm")] = levelArray(loop.average);
    if (!loop.previousScan.isEmpty()) {
        o[QLatin1String("previous_scan")] = loop.previousScan;
        o[QLatin1String("previous_scan_loops")] = loop.previousLoops;
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<SiteLoop> parseLoopMessage(const QByteArray& json, QString* problem) {
    const auto o = objectOf(json, problem);
    if (!o)
        return std::nullopt;
    SiteLoop loop;
    loop.site = o->value(QLatin1String("site")).toString();
    loop.scan = o->value(QLatin1String("scan")).toString();
    if (loop.site.isEmpty() || loop.scan.isEmpty()) {
        fail(problem, QStringLiteral("no site or scan"));
        return std::nullopt;
    }
    const auto number = wholeNumber(o->value(QLatin1String("loop")), 1, INT_MAX);
    if (!number) {
        fail(problem, QStringLiteral("no loop number"));
        return std::nullopt;
    }
    loop.loop = *number;
    loop.start =
        QDateTime::fromString(o->value(QLatin1String("start")).toString(), Qt::ISODateWithMs);
    if (!loop.start.isValid()) {
        fail(problem, QStringLiteral("no start time"));
        return std::nullopt;
    }
    const auto attenuation = wholeNumber(o->value(QLatin1String("attenuation_db")), 0, 1000);
    const auto first = channelOfMHz(o->value(QLatin1String("first_mhz")));
    const double step = o->value(QLatin1String("step_mhz")).toDouble();
    if (!attenuation || !first || std::abs(step - StepMHz) > 1e-9) {
        fail(problem, QStringLiteral("no attenuation, first frequency or 0.2 MHz step"));
        return std::nullopt;
    }
    loop.attenuation = *attenuation;
    loop.firstChannel = *first;
    if (!readLevels(o->value(QLatin1String("last_dbm")), loop.last) ||
        !readLevels(o->value(QLatin1String("peak_dbm")), loop.peak) ||
        !readLevels(o->value(QLatin1String("average_dbm")), loop.average) ||
        loop.last.size() != loop.peak.size() || loop.last.size() != loop.average.size() ||
        loop.firstChannel + int(loop.last.size()) > scan::ChannelCount) {
        fail(problem, QStringLiteral("levels that do not fit the channel plan"));
        return std::nullopt;
    }
    loop.previousScan = o->value(QLatin1String("previous_scan")).toString();
    loop.previousLoops =
        wholeNumber(o->value(QLatin1String("previous_scan_loops")), 0, INT_MAX).value_or(0);
    return loop;
}

QByteArray statusMessage(const SiteStatus& status) {
    QJsonObject o;
    o[QLatin1String("site")] = status.site;
    o[QLatin1String("status")] =
        status.online ? QStringLiteral("online") : QStringLiteral("offline");
    if (status.online) {
        o[QLatin1String("version")] = status.version;
        o[QLatin1String("low_mhz")] = status.lowF10 / 10.0;
        o[QLatin1String("high_mhz")] = status.highF10 / 10.0;
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<SiteStatus> parseStatusMessage(const QByteArray& json, QString* problem) {
    const auto o = objectOf(json, problem);
    if (!o)
        return std::nullopt;
    SiteStatus status;
    status.site = o->value(QLatin1String("site")).toString();
    const QString word = o->value(QLatin1String("status")).toString();
    if (status.site.isEmpty() ||
        (word != QLatin1String("online") && word != QLatin1String("offline"))) {
        fail(problem, QStringLiteral("no site, or a status other than online or offline"));
        return std::nullopt;
    }
    status.online = word == QLatin1String("online");
    status.version = o->value(QLatin1String("version")).toString();
    status.lowF10 = int(std::lround(o->value(QLatin1String("low_mhz")).toDouble() * 10));
    status.highF10 = int(std::lround(o->value(QLatin1String("high_mhz")).toDouble() * 10));
    return status;
}

QByteArray resendMessage(const ResendRequest& request) {
    QJsonArray loops;
    for (const qint32 n : request.loops)
        loops.append(n);
    return QJsonDocument(
               QJsonObject{{QLatin1String("scan"), request.scan}, {QLatin1String("loops"), loops}})
        .toJson(QJsonDocument::Compact);
}

std::optional<ResendRequest> parseResendMessage(const QByteArray& json, QString* problem) {
    const auto o = objectOf(json, problem);
    if (!o)
        return std::nullopt;
    ResendRequest request;
    request.scan = o->value(QLatin1String("scan")).toString();
    const QJsonArray loops = o->value(QLatin1String("loops")).toArray();
    if (request.scan.isEmpty() || loops.size() > MaxLoopsPerRequest) {
        fail(problem, QStringLiteral("no scan, or too many loops asked for"));
        return std::nullopt;
    }
    for (const QJsonValue& value : loops) {
        const auto n = wholeNumber(value, 1, INT_MAX);
        if (!n) {
            fail(problem, QStringLiteral("a loop number that is not one"));
            return std::nullopt;
        }
        request.loops.push_back(*n);
    }
    return request;
}

QByteArray alarmMessage(const SiteAlarm& alarm) {
    QJsonObject o;
    o[QLatin1String("site")] = alarm.site;
    o[QLatin1String("alarm")] = alarm.starts ? QStringLiteral("start") : QStringLiteral("end");
    o[QLatin1String("rule")] = alarm.rule;
    o[QLatin1String("loop")] = alarm.loop;
    o[QLatin1String("start")] = alarm.start.toString(Qt::ISODate);
    o[QLatin1String("mhz")] = alarm.f10 / 10.0;
    o[QLatin1String("dbm")] = alarm.dbm;
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<SiteAlarm> parseAlarmMessage(const QByteArray& json, QString* problem) {
    const auto o = objectOf(json, problem);
    if (!o)
        return std::nullopt;
    SiteAlarm alarm;
    alarm.site = o->value(QLatin1String("site")).toString();
    alarm.rule = o->value(QLatin1String("rule")).toString();
    const QString kind = o->value(QLatin1String("alarm")).toString();
    if (alarm.site.isEmpty() || alarm.rule.isEmpty() ||
        (kind != QLatin1String("start") && kind != QLatin1String("end"))) {
        fail(problem, QStringLiteral("no site or rule, or an alarm other than start or end"));
        return std::nullopt;
    }
    alarm.starts = kind == QLatin1String("start");
    const auto loop = wholeNumber(o->value(QLatin1String("loop")), 1, INT_MAX);
    alarm.start =
        QDateTime::fromString(o->value(QLatin1String("start")).toString(), Qt::ISODateWithMs);
    const auto channel = channelOfMHz(o->value(QLatin1String("mhz")));
    const auto dbm = wholeNumber(o->value(QLatin1String("dbm")), WeakestDbm, StrongestDbm);
    if (!loop || !alarm.start.isValid() || !channel || !dbm) {
        fail(problem, QStringLiteral("no loop number, start time, channel or level"));
        return std::nullopt;
    }
    alarm.loop = *loop;
    alarm.f10 = scan::channelF10(*channel);
    alarm.dbm = *dbm;
    return alarm;
}

} // namespace fleet
