// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testing {

// A private PostgreSQL server in a temporary folder, reached only through a Unix socket there,
// with every client trusted. It can be stopped and started again, as a database that goes away
// for a while; the destructor stops it. Run as root, the server runs as the "postgres" user.
class PostgresServer {
public:
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // The first start makes the cluster; a later one starts the same cluster again.
    bool start();
    bool stop();
    bool isRunning() const { return m_running; }

    // "postgresql://postgres@/postgres?host=<socket folder>"
    QString storeAddress() const;
    // What went wrong, with what the failing program said.
    QString error() const { return m_error; }

private:
    bool run(const QString& tool, const QStringList& arguments);
    bool fail(const QString& text);

    QTemporaryDir m_dir;
    QString m_binaries;
    QString m_error;
    bool m_created = false;
    bool m_running = false;
};

} // namespace testing
