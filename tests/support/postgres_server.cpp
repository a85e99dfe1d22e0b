// SPDX-License-Identifier: MIT
#include "tests/support/postgres_server.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <pwd.h>
#include <unistd.h>

namespace testing {

namespace {

constexpr int ToolBound = 60000; // ms

// The newest installed server's programs.
QString serverBinaries() {
    QStringList versions =
        QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(versions.begin(), versions.end(), numeric);
    for (auto version = versions.crbegin(); version != versions.crend(); ++version) {
        const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(*version);
        if (QFile::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return {};
}

// The server refuses to run as root.
bool asPostgresUser() {
    return ::geteuid() == 0;
}

} // namespace

PostgresServer::PostgresServer() : m_binaries(serverBinaries()) {}

PostgresServer::~PostgresServer() {
    stop();
}

bool PostgresServer::fail(const QString& text) {
    m_error = text;
    return false;
}

bool PostgresServer::run(const QString& tool, const QStringList& arguments) {
    QProcess process;
    // The postgres user may not enter the test's own working folder.
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString program = m_binaries + QLatin1Char('/') + tool;
    if (asPostgresUser())
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                  QStringLiteral("--"), program} +
                          arguments);
    else
        process.start(program, arguments);
    const bool finished = process.waitForFinished(ToolBound);
    const QString said = QString::fromLocal8Bit(process.readAll());
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return fail(QStringLiteral("%1 %2 failed (%3):\n%4")
                        .arg(tool, arguments.join(QLatin1Char(' ')),
                             finished ? QStringLiteral("exit status %1").arg(process.exitCode())
                                      : process.errorString(),
                             said));
    return true;
}

bool PostgresServer::start() {
    if (m_running)
        return true;
    if (m_binaries.isEmpty())
        return fail(QStringLiteral("no PostgreSQL server under /usr/lib/postgresql"));
    if (!m_dir.isValid())
        return fail(QStringLiteral("no temporary folder: ") + m_dir.errorString());
    const QString data = m_dir.filePath(QStringLiteral("data"));
    const QString socket = m_dir.filePath(QStringLiteral("socket"));
    if (!m_created) {
        if (!QDir().mkpath(socket))
            return fail(QStringLiteral("cannot create ") + socket);
        if (asPostgresUser()) {
            const passwd* user = ::getpwnam("postgres");
            if (!user)
                return fail(QStringLiteral("running as root, and there is no postgres user"));
            for (const QString& path : {m_dir.path(), socket})
                if (::chown(QFile::encodeName(path).constData(), user->pw_uid, user->pw_gid) != 0)
                    return fail(QStringLiteral("cannot give %1 to the postgres user").arg(path));
        }
        if (!run(QStringLiteral("initdb"),
                 {QStringLiteral("-D"), data, QStringLiteral("--auth=trust"), QStringLiteral("-U"),
                  QStringLiteral("postgres"), QStringLiteral("--no-sync"),
                  QStringLiteral("--locale=C"), QStringLiteral("-E"), QStringLiteral("UTF8")}))
            return false;
        m_created = true;
    }
    const QString log = m_dir.filePath(QStringLiteral("server.log"));
    if (!run(QStringLiteral("pg_ctl"),
             {QStringLiteral("-D"), data, QStringLiteral("-l"), log, QStringLiteral("-t"),
              QStringLiteral("60"), QStringLiteral("-o"),
              QStringLiteral("-k %1 -c listen_addresses='' -c fsync=off").arg(socket),
              QStringLiteral("-w"), QStringLiteral("start")})) {
        QFile said(log);
        if (said.open(QIODevice::ReadOnly))
            m_error +=
                QStringLiteral("\nThe server's log:\n") + QString::fromLocal8Bit(said.readAll());
        return false;
    }
    m_running = true;
    return true;
}

bool PostgresServer::stop() {
    if (!m_running)
        return true;
    // "fast" ends the clients' sessions, as a server that goes away does.
    if (!run(QStringLiteral("pg_ctl"),
             {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-m"),
              QStringLiteral("fast"), QStringLiteral("-t"), QStringLiteral("60"),
              QStringLiteral("-w"), QStringLiteral("stop")}))
        return false;
    m_running = false;
    return true;
}

QString PostgresServer::storeAddress() const {
    return QStringLiteral("postgresql://postgres@/postgres?host=%1")
        .arg(m_dir.filePath(QStringLiteral("socket")));
}

} // namespace testing
