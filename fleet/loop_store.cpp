// SPDX-License-Identifier: MIT
#include "fleet/loop_store.h"

#include "fleet/level_json.h"
#include "fleet/store_schema.h"
#include "scan/channel_plan.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>
#include <map>

namespace fleet {

namespace {

std::atomic<quint64> g_stores{0};

constexpr int ReadPage = 500;
constexpr double StepMhz = 0.2;
// Open ends of a time range, well inside a 64-bit integer so that PostgreSQL compares them as
// BIGINT (and keeps using the index).
constexpr qint64 Earliest = -(qint64(1) << 62);
constexpr qint64 Latest = qint64(1) << 62;
// Serialises making the schema when several stores connect at once.
constexpr qint64 SchemaLock = 0x4b6f726c616e;

const char* const InsertLoop =
    "INSERT INTO loops (site, scan, loop, start_utc, utc_offset, attenuation, first_mhz, "
    "step_mhz, last_dbm, peak_dbm, average_dbm) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
    "ON CONFLICT (site, scan, loop) DO NOTHING";
// A scan's first start is that of its earliest loop stored.
const char* const UpsertScan =
    "INSERT INTO scans (site, scan, attenuation, first_start, utc_offset) VALUES (?, ?, ?, ?, ?) "
    "ON CONFLICT (site, scan) DO UPDATE SET first_start = excluded.first_start, "
    "utc_offset = excluded.utc_offset WHERE excluded.first_start < scans.first_start";
// A site first met in its loops is online: it has just published them.
const char* const SeenSite =
    "INSERT INTO sites (site, status, version, last_seen) VALUES (?, 'online', '', ?) "
    "ON CONFLICT (site) DO UPDATE SET last_seen = excluded.last_seen "
    "WHERE sites.last_seen IS NULL OR excluded.last_seen > sites.last_seen";
// An empty version (a last will carries none) keeps the one known.
const char* const SetStatus =
    "INSERT INTO sites (site, status, version, last_seen) VALUES (?, ?, ?, ?) "
    "ON CONFLICT (site) DO UPDATE SET status = excluded.status, "
    "version = CASE WHEN excluded.version = '' THEN sites.version ELSE excluded.version END, "
    "last_seen = CASE WHEN sites.last_seen IS NULL OR excluded.last_seen > sites.last_seen "
    "THEN excluded.last_seen ELSE sites.last_seen END";
const char* const StoredLoops = "SELECT loop FROM loops WHERE site = ? AND scan = ? "
                                "AND loop BETWEEN 1 AND ? ORDER BY loop";
const char* const SiteList =
    "SELECT s.site, s.status, s.version, s.last_seen, "
    "(SELECT COUNT(*) FROM loops l WHERE l.site = s.site) FROM sites s ORDER BY s.site";
// Keyset paging: each page starts after the last loop of the one before.
const char* const LoopPage =
    "SELECT scan, loop, start_utc, utc_offset, attenuation, first_mhz, last_dbm, peak_dbm, "
    "average_dbm FROM loops WHERE site = ? AND start_utc >= ? AND start_utc < ? "
    "AND (start_utc, scan, loop) > (?, ?, ?) ORDER BY start_utc, scan, loop LIMIT ?";

QString sqlErrorText(const QSqlError& error) {
    const QString text = error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
    return text.simplified();
}

bool exec(QSqlQuery& query, const QVariantList& values) {
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    return query.exec();
}

QString loopName(const SiteLoop& loop) {
    return QStringLiteral("loop %1 of %2 at %3").arg(loop.loop).arg(loop.scan, loop.site);
}

QDateTime utcTime(const QVariant& seconds) {
    return seconds.isNull() ? QDateTime()
                            : QDateTime::fromSecsSinceEpoch(seconds.toLongLong(), Qt::UTC);
}

struct LoopKey {
    qint64 start = Earliest;
    QString scan;
    qint32 loop = 0;
};

} // namespace

struct LoopStore::Statements {
    explicit Statements(const QSqlDatabase& db) : loop(db), scan(db), site(db) {}
    QSqlQuery loop, scan, site;
};

LoopStore::LoopStore() = default;

LoopStore::~LoopStore() {
    close();
}

bool LoopStore::open(const QString& store) {
    close();
    const auto address = parseStoreAddress(store, &m_error);
    return address && open(*address);
}

bool LoopStore::open(const StoreAddress& address) {
    close();
    m_address = address;
    const bool sqlite = address.kind == StoreAddress::Kind::Sqlite;
    const QFileInfo file(address.path);
    if (sqlite && !QDir().mkpath(file.absolutePath()))
        return fail(QStringLiteral("cannot create the folder %1").arg(file.absolutePath()),
                    QStringLiteral("a part of it is missing or not writable"));
    m_connection = QStringLiteral("fleet-store-%1").arg(++g_stores);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(
            sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), m_connection);
        if (!db.isValid()) {
            const QString driver = db.driverName();
            db = QSqlDatabase();
            close();
            return fail(QStringLiteral("cannot connect"),
                        QStringLiteral("the Qt SQL driver %1 is not installed").arg(driver));
        }
        if (sqlite) {
            db.setDatabaseName(file.absoluteFilePath());
            // Readers and the collector share the file.
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        } else {
            db.setHostName(address.host);
            db.setPort(address.port);
            db.setUserName(address.user);
            db.setPassword(address.password);
            db.setDatabaseName(address.database);
            db.setConnectOptions(QStringLiteral("connect_timeout=10"));
        }
    }
    if (!connect()) {
        const QString error = m_error;
        close();
        m_error = error;
        return false;
    }
    return true;
}

void LoopStore::close() {
    if (m_connection.isEmpty())
        return;
    m_statements.reset();
    m_connected = false;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(std::exchange(m_connection, QString()));
}

bool LoopStore::fail(const QString& what, const QString& why) {
    m_error = QStringLiteral("%1: %2: %3").arg(m_address.displayText(), what, why);
    return false;
}

bool LoopStore::connect() {
    m_statements.reset();
    m_connected = false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    db.close();
    if (!db.open())
        return fail(QStringLiteral("cannot connect"), sqlErrorText(db.lastError()));
    const bool sqlite = m_address.kind == StoreAddress::Kind::Sqlite;
    QSqlQuery query(db);
    const auto run = [&](const QString& statement) {
        return query.exec(statement) ||
               fail(QStringLiteral("cannot make the tables"), sqlErrorText(query.lastError()));
    };
    if (sqlite && !run(QStringLiteral("PRAGMA journal_mode=WAL")))
        return false;
    // Not a notice for each table that is already there.
    if (!sqlite && !run(QStringLiteral("SET client_min_messages TO warning")))
        return false;
    if (!run(sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN")))
        return false;
    if (!sqlite && !run(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(SchemaLock)))
        return false;
    for (const QString& statement : schemaStatements(m_address.kind)) {
        if (!run(statement)) {
            query.exec(QStringLiteral("ROLLBACK"));
            return false;
        }
    }
    if (!run(QStringLiteral("COMMIT")))
        return false;
    m_connected = true;
    return true;
}

bool LoopStore::attempt(const std::function<bool()>& work) {
    if (!isOpen()) {
        m_error = QStringLiteral("the store is not open");
        return false;
    }
    if (m_connected && work())
        return true;
    // A lost connection shows only as a failed statement.
    return connect() && work();
}

bool LoopStore::addLoops(const std::vector<SiteLoop>& loops) {
    for (const SiteLoop& loop : loops) {
        if (loop.site.isEmpty() || loop.scan.isEmpty() || loop.loop < 1 || !loop.start.isValid())
            return fail(QStringLiteral("cannot store %1").arg(loopName(loop)),
                        QStringLiteral("a loop needs a site, a scan, a number from 1 and a start"));
    }
    if (loops.empty())
        return true;
    return attempt([&] { return writeLoops(loops); });
}

bool LoopStore::writeLoops(const std::vector<SiteLoop>& loops) {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!m_statements) {
        auto statements = std::make_unique<Statements>(db);
        for (auto [query, text] :
             {std::pair{&statements->loop, InsertLoop}, std::pair{&statements->scan, UpsertScan},
              std::pair{&statements->site, SeenSite}}) {
            if (!query->prepare(QString::fromLatin1(text)))
                return fail(QStringLiteral("cannot store loops"), sqlErrorText(query->lastError()));
        }
        m_statements = std::move(statements);
    }
    QSqlQuery control(db);
    const bool sqlite = m_address.kind == StoreAddress::Kind::Sqlite;
    if (!control.exec(sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN")))
        return fail(QStringLiteral("cannot store loops"), sqlErrorText(control.lastError()));
    const auto abandon = [&](const QSqlQuery& failed, const QString& what) {
        const QString why = sqlErrorText(failed.lastError());
        control.exec(QStringLiteral("ROLLBACK"));
        return fail(what, why);
    };

    struct ScanStart {
        qint64 start;
        int offset;
        int attenuation;
    };
    std::map<std::pair<QString, QString>, ScanStart> scans;
    std::map<QString, qint64> latest;
    for (const SiteLoop& loop : loops) {
        const qint64 start = loop.start.toSecsSinceEpoch();
        const int offset = loop.start.offsetFromUtc();
        const QVariantList values{loop.site,
                                  loop.scan,
                                  loop.loop,
                                  start,
                                  offset,
                                  loop.attenuation,
                                  scan::channelF10(loop.firstChannel) / 10.0,
                                  StepMhz,
                                  levelsJson(loop.last),
                                  levelsJson(loop.peak),
                                  levelsJson(loop.average)};
        if (!exec(m_statements->loop, values))
            return abandon(m_statements->loop,
                           QStringLiteral("cannot store %1").arg(loopName(loop)));
        auto [at, added] =
            scans.try_emplace({loop.site, loop.scan}, ScanStart{start, offset, loop.attenuation});
        if (!added && start < at->second.start)
            at->second = ScanStart{start, offset, loop.attenuation};
        qint64& seen = latest.try_emplace(loop.site, start).first->second;
        seen = std::max(seen, start);
    }
    for (const auto& [key, first] : scans) {
        if (!exec(m_statements->scan,
                  {key.first, key.second, first.attenuation, first.start, first.offset}))
            return abandon(
                m_statements->scan,
                QStringLiteral("cannot store the scan %1 of %2").arg(key.second, key.first));
    }
    for (const auto& [site, start] : latest) {
        if (!exec(m_statements->site, {site, start}))
            return abandon(m_statements->site,
                           QStringLiteral("cannot store the site %1").arg(site));
    }
    if (!control.exec(QStringLiteral("COMMIT")))
        return abandon(control, QStringLiteral("cannot store loops"));
    return true;
}

bool LoopStore::setSiteStatus(const QString& site, bool online, const QString& version,
                              const QDateTime& time) {
    return attempt([&] {
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        const QVariant seen = time.isValid() ? QVariant(time.toSecsSinceEpoch()) : QVariant();
        if (query.prepare(QString::fromLatin1(SetStatus)) &&
            exec(query, {site, online ? QStringLiteral("online") : QStringLiteral("offline"),
                         version.isNull() ? QStringLiteral("") : version, seen}))
            return true;
        return fail(QStringLiteral("cannot store the status of %1").arg(site),
                    sqlErrorText(query.lastError()));
    });
}

std::optional<std::vector<qint32>> LoopStore::missingLoops(const QString& site, const QString& scan,
                                                           qint32 upTo) {
    std::vector<qint32> missing;
    const bool read = attempt([&] {
        missing.clear();
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.setForwardOnly(true);
        if (!query.prepare(QString::fromLatin1(StoredLoops)) || !exec(query, {site, scan, upTo}))
            return fail(QStringLiteral("cannot read the loops of %1 at %2").arg(scan, site),
                        sqlErrorText(query.lastError()));
        qint32 expected = 1;
        while (query.next()) {
            const qint32 stored = query.value(0).toInt();
            for (; expected < stored; ++expected)
                missing.push_back(expected);
            expected = stored + 1;
        }
        for (; expected <= upTo; ++expected)
            missing.push_back(expected);
        return true;
    });
    if (!read)
        return std::nullopt;
    return missing;
}

std::optional<std::vector<SiteSummary>> LoopStore::sites() {
    std::vector<SiteSummary> sites;
    const bool read = attempt([&] {
        sites.clear();
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        query.setForwardOnly(true);
        if (!query.exec(QString::fromLatin1(SiteList)))
            return fail(QStringLiteral("cannot read the sites"), sqlErrorText(query.lastError()));
        while (query.next()) {
            sites.push_back(
                {query.value(0).toString(), query.value(1).toString() == QLatin1String("online"),
                 query.value(2).toString(), utcTime(query.value(3)), query.value(4).toLongLong()});
        }
        return true;
    });
    if (!read)
        return std::nullopt;
    return sites;
}

bool LoopStore::readLoops(const QString& site, const QDateTime& from, const QDateTime& to,
                          const std::function<void(const SiteLoop&)>& take) {
    const qint64 first = from.isValid() ? from.toSecsSinceEpoch() : Earliest;
    const qint64 end = to.isValid() ? to.toSecsSinceEpoch() : Latest;
    LoopKey after;
    std::vector<SiteLoop> page;
    do {
        const bool read = attempt([&] {
            page.clear();
            QSqlQuery query(QSqlDatabase::database(m_connection, false));
            query.setForwardOnly(true);
            if (!query.prepare(QString::fromLatin1(LoopPage)) ||
                !exec(query, {site, first, end, after.start, after.scan, after.loop, ReadPage}))
                return fail(QStringLiteral("cannot read the loops of %1").arg(site),
                            sqlErrorText(query.lastError()));
            while (query.next()) {
                SiteLoop loop;
                loop.site = site;
                loop.scan = query.value(0).toString();
                loop.loop = query.value(1).toInt();
                loop.start = QDateTime::fromSecsSinceEpoch(
                    query.value(2).toLongLong(), Qt::OffsetFromUTC, query.value(3).toInt());
                loop.attenuation = query.value(4).toInt();
                loop.firstChannel =
                    scan::channelIndexFromMhz(query.value(5).toDouble()).value_or(-1);
                auto last = levelsOfJson(query.value(6).toString());
                auto peak = levelsOfJson(query.value(7).toString());
                auto average = levelsOfJson(query.value(8).toString());
                if (!last || !peak || !average || !scan::isChannelIndex(loop.firstChannel))
                    return fail(QStringLiteral("cannot read %1").arg(loopName(loop)),
                                QStringLiteral("its frequency or levels are damaged"));
                loop.last = std::move(*last);
                loop.peak = std::move(*peak);
                loop.average = std::move(*average);
                page.push_back(std::move(loop));
            }
            return true;
        });
        if (!read)
            return false;
        for (const SiteLoop& loop : page)
            take(loop);
        if (!page.empty())
            after = {page.back().start.toSecsSinceEpoch(), page.back().scan, page.back().loop};
    } while (page.size() == size_t(ReadPage));
    return true;
}

} // namespace fleet
