// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/site_loop.h"
#include "fleet/store_address.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace fleet {

struct SiteSummary {
    QString site;
    bool online = false;
    QString version;
    QDateTime lastSeen; // UTC; invalid when never seen
    qint64 loops = 0;   // loops stored
};

// The loops of every site in an SQLite file or a PostgreSQL database (see store_schema.h for
// the tables). Database failures are results: a call returns false or nothing and errorString()
// says why. A call that fails is tried once more on a new connection, so a restarted server is
// found again without the caller's help. One LoopStore is used from one thread.
class LoopStore {
public:
    LoopStore();
    ~LoopStore();
    LoopStore(const LoopStore&) = delete;
    LoopStore& operator=(const LoopStore&) = delete;

    // Connects and makes the tables and the view where they are missing; an SQLite file's folder
    // is created too. An open store is closed first.
    bool open(const QString& store);
    bool open(const StoreAddress& address);
    void close();
    bool isOpen() const { return !m_connection.isEmpty(); }
    const StoreAddress& address() const { return m_address; }
    QString errorString() const { return m_error; }

    // Stores the loops in one transaction, each (site, scan, loop) once: one already stored is
    // left as it is. The sites' last seen time moves on to their latest loop start. On false
    // nothing was stored and the caller may offer the same loops again later.
    bool addLoops(const std::vector<SiteLoop>& loops);

    bool setSiteStatus(const QString& site, bool online, const QString& version,
                       const QDateTime& time);

    // The loop numbers 1..upTo of the site's scan that are not stored, in order.
    std::optional<std::vector<qint32>> missingLoops(const QString& site, const QString& scan,
                                                    qint32 upTo);

    // Every site known, by name.
    std::optional<std::vector<SiteSummary>> sites();

    // Hands over the site's loops that started in [from, to) in start order, a page at a time
    // whatever their number; an invalid from or to leaves that end open. previousScan and
    // previousLoops are not kept. False on a database error or a stored loop that cannot be read.
    bool readLoops(const QString& site, const QDateTime& from, const QDateTime& to,
                   const std::function<void(const SiteLoop&)>& take);

private:
    struct Statements;

    bool connect();
    // `work` on the open connection; when it fails, once more on a new connection.
    bool attempt(const std::function<bool()>& work);
    bool fail(const QString& what, const QString& why);
    bool writeLoops(const std::vector<SiteLoop>& loops);

    QString m_connection; // the QSqlDatabase's name; empty while closed
    StoreAddress m_address;
    QString m_error;
    bool m_connected = false;
    std::unique_ptr<Statements> m_statements;
};

} // namespace fleet
