// SPDX-License-Identifier: MIT
#include "fleet/broker_address.h"

#include <QUrl>

namespace fleet {

QString BrokerAddress::shown() const {
    QString text = (tls ? QStringLiteral("mqtts://") : QStringLiteral("mqtt://"));
    if (!user.isEmpty())
        text += user + QLatin1Char('@');
    return text + host + QLatin1Char(':') + QString::number(port) + QLatin1Char('/') + prefix;
}

std::variant<BrokerAddress, QString> parseBrokerAddress(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts")))
        return QStringLiteral("%1 is not a broker address (mqtt://host[:port][/prefix])").arg(text);
    if (url.host().isEmpty())
        return QStringLiteral("%1 names no host").arg(text);
    if (url.hasQuery() || url.hasFragment())
        return QStringLiteral("%1: a broker address has no query or fragment").arg(text);
    BrokerAddress address;
    address.tls = scheme == QLatin1String("mqtts");
    address.host = url.host();
    address.port = url.port(address.tls ? 8883 : 1883);
    address.user = url.userName();
    address.password = url.password();
    QString prefix = url.path();
    while (prefix.startsWith(QLatin1Char('/')))
        prefix.remove(0, 1);
    while (prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    if (!prefix.isEmpty())
        address.prefix = prefix;
    if (address.prefix.contains(QLatin1Char('+')) || address.prefix.contains(QLatin1Char('#')))
        return QStringLiteral("%1: the topic prefix cannot hold + or #").arg(text);
    return address;
}

QString siteNameProblem(const QString& site) {
    if (site.isEmpty())
        return QStringLiteral("a site needs a name");
    for (const QChar c : site) {
        if (c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#') ||
            c.category() == QChar::Other_Control)
            return QStringLiteral("the site name %1 cannot hold /, +, # or control characters")
                .arg(site);
    }
    return QString();
}

} // namespace fleet
