// SPDX-License-Identifier: MIT
#include "fleet/store_address.h"

#include <QDir>
#include <QUrl>

namespace fleet {

namespace {

const QString SqlitePrefix = QStringLiteral("sqlite:");
const QString Schemes[] = {QStringLiteral("postgresql://"), QStringLiteral("postgres://")};

std::optional<int> portNumber(const QString& text) {
    bool ok = false;
    const int port = text.toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

bool isHexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'));
}

// A percent-encoded part; nothing when an escape is not two hex digits.
std::optional<QString> decoded(const QString& text) {
    for (qsizetype at = text.indexOf(QLatin1Char('%')); at >= 0;
         at = text.indexOf(QLatin1Char('%'), at + 1)) {
        if (at + 2 >= text.size() || !isHexDigit(text[at + 1]) || !isHexDigit(text[at + 2]))
            return std::nullopt;
    }
    return QUrl::fromPercentEncoding(text.toUtf8());
}

bool fail(QString* error, const QString& text, const QString& why) {
    *error = QStringLiteral("'%1' is not a store address: %2").arg(text, why);
    return false;
}

std::nullopt_t refuse(QString* error, const QString& text, const QString& why) {
    fail(error, text, why);
    return std::nullopt;
}

// host[:port] or [v6 address][:port].
bool takeHostAndPort(const QString& part, StoreAddress& address, const QString& text,
                     QString* error) {
    QString host = part;
    QString port;
    if (part.startsWith(QLatin1Char('['))) {
        const qsizetype close = part.indexOf(QLatin1Char(']'));
        if (close < 0)
            return fail(error, text, QStringLiteral("the host's '[' is not closed"));
        host = part.mid(1, close - 1);
        const QString rest = part.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))
            return fail(error, text, QStringLiteral("'%1' follows the host").arg(rest));
        port = rest.mid(1);
    } else if (const qsizetype colon = part.lastIndexOf(QLatin1Char(':')); colon >= 0) {
        host = part.left(colon);
        port = part.mid(colon + 1);
    }
    const auto decodedHost = decoded(host);
    if (!decodedHost)
        return fail(error, text, QStringLiteral("a bad %-escape in the host"));
    address.host = *decodedHost;
    if (!port.isEmpty()) {
        const auto number = portNumber(port);
        if (!number)
            return fail(
                error, text,
                QStringLiteral("the port must be a number from 1 to 65535, not '%1'").arg(port));
        address.port = *number;
    }
    return true;
}

bool takeQuery(const QString& query, StoreAddress& address, const QString& text, QString* error) {
    for (const QString& pair : query.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        const QString key = pair.left(equals);
        const auto value = decoded(equals < 0 ? QString() : pair.mid(equals + 1));
        if (equals < 0 || !value)
            return fail(error, text, QStringLiteral("'%1' is not name=value").arg(pair));
        if (key == QLatin1String("host")) {
            address.host = *value;
        } else if (key == QLatin1String("port")) {
            const auto number = portNumber(*value);
            if (!number)
                return fail(error, text,
                            QStringLiteral("the port must be a number from 1 to 65535, not '%1'")
                                .arg(*value));
            address.port = *number;
        } else if (key == QLatin1String("user")) {
            address.user = *value;
        } else if (key == QLatin1String("password")) {
            address.password = *value;
        } else if (key == QLatin1String("dbname")) {
            address.database = *value;
        } else {
            return fail(error, text,
                        QStringLiteral("unknown parameter '%1' (host, port, user, password or "
                                       "dbname)")
                            .arg(key));
        }
    }
    return true;
}

std::optional<StoreAddress> parsePostgresql(const QString& text, const QString& rest,
                                            QString* error) {
    StoreAddress address;
    address.kind = StoreAddress::Kind::Postgresql;
    const qsizetype question = rest.indexOf(QLatin1Char('?'));
    const QString beforeQuery = rest.left(question);
    const qsizetype slash = beforeQuery.indexOf(QLatin1Char('/'));
    QString authority = beforeQuery.left(slash);
    if (slash >= 0) {
        const auto database = decoded(beforeQuery.mid(slash + 1));
        if (!database)
            return refuse(error, text, QStringLiteral("a bad %-escape in the database name"));
        address.database = *database;
    }
    if (const qsizetype at = authority.lastIndexOf(QLatin1Char('@')); at >= 0) {
        const QString userInfo = authority.left(at);
        authority = authority.mid(at + 1);
        const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
        const auto user = decoded(userInfo.left(colon));
        const auto password = decoded(colon < 0 ? QString() : userInfo.mid(colon + 1));
        if (!user || !password)
            return refuse(error, text, QStringLiteral("a bad %-escape in the user or password"));
        address.user = *user;
        address.password = *password;
    }
    if (!takeHostAndPort(authority, address, text, error))
        return std::nullopt;
    if (question >= 0 && !takeQuery(rest.mid(question + 1), address, text, error))
        return std::nullopt;
    return address;
}

} // namespace

QString StoreAddress::displayText() const {
    if (kind == Kind::Sqlite)
        return SqlitePrefix + path;
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += QString::fromUtf8(QUrl::toPercentEncoding(user)) + QLatin1Char('@');
    const bool socket = host.startsWith(QLatin1Char('/'));
    if (!socket)
        text += host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    if (port > 0)
        text += QLatin1Char(':') + QString::number(port);
    if (!database.isEmpty())
        text += QLatin1Char('/') + QString::fromUtf8(QUrl::toPercentEncoding(database));
    if (socket)
        text += QStringLiteral("?host=") + host;
    return text;
}

std::optional<StoreAddress> parseStoreAddress(const QString& text, QString* error) {
    if (text.startsWith(SqlitePrefix)) {
        StoreAddress address;
        address.path = text.mid(SqlitePrefix.size());
        if (address.path.isEmpty())
            return refuse(error, text, QStringLiteral("the SQLite file's path is missing"));
        return address;
    }
    for (const QString& scheme : Schemes)
        if (text.startsWith(scheme))
            return parsePostgresql(text, text.mid(scheme.size()), error);
    return refuse(error, text, QStringLiteral("expected sqlite:PATH or postgresql://..."));
}

QString defaultStore(const QString& dataFolder) {
    return QStringLiteral("sqlite:") + QDir(dataFolder).filePath(QStringLiteral("fleet.sqlite"));
}

} // namespace fleet
