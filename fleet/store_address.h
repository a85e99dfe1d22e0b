// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

namespace fleet {

// Where the loops are kept: an SQLite file, or a PostgreSQL database.
struct StoreAddress {
    enum class Kind { Sqlite, Postgresql };
    Kind kind = Kind::Sqlite;
    QString path;     // the SQLite file
    QString user;     // PostgreSQL: empty fields take the client library's defaults
    QString password; // PostgreSQL
    QString host;     // a name, an address, or a Unix-socket folder (starting with '/')
    int port = -1;    // -1: the default
    QString database;

    // The address as the user wrote it, without the password, for messages.
    QString displayText() const;
};

// "sqlite:PATH", or "postgresql://[user[:password]@][host][:port][/dbname][?host=/socket/dir]"
// ("postgres://" too; user, password and dbname percent-encoded). Nothing, with a sentence in
// `error`, for any other text.
std::optional<StoreAddress> parseStoreAddress(const QString& text, QString* error);

// The store of one machine: "sqlite:" and fleet.sqlite in the Data folder.
QString defaultStore(const QString& dataFolder);

} // namespace fleet
