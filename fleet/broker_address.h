// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <variant>

namespace fleet {

// Where a site's loops go: mqtt://[user[:password]@]host[:port][/prefix], or mqtts:// for TLS.
struct BrokerAddress {
    bool tls = false;
    QString host;
    int port = 1883; // 8883 with TLS
    QString user, password;
    QString prefix = QStringLiteral("korlan"); // topics are <prefix>/<site>/...

    QString loopTopic(const QString& site) const { return topic(site, QStringLiteral("loop")); }
    QString statusTopic(const QString& site) const { return topic(site, QStringLiteral("status")); }
    QString resendTopic(const QString& site) const { return topic(site, QStringLiteral("resend")); }
    QString alarmTopic(const QString& site) const { return topic(site, QStringLiteral("alarm")); }
    QString topic(const QString& site, const QString& leaf) const {
        return prefix + QLatin1Char('/') + site + QLatin1Char('/') + leaf;
    }
    // The address as it may be shown: without the password.
    QString shown() const;
};

// The address, or why the text is not one.
std::variant<BrokerAddress, QString> parseBrokerAddress(const QString& text);

// Why a site name cannot name a site (it is a level of every topic), or "" when it can.
QString siteNameProblem(const QString& site);

} // namespace fleet
