// SPDX-License-Identifier: MIT
// The loop store on a real SQLite file and a real PostgreSQL server of its own: each case runs
// against both.
#include "fleet/loop_store.h"
#include "fleet/store_address.h"
#include "tests/support/file_bytes.h"
#include "tests/support/postgres_server.h"

#include <QDeadlineTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using fleet::LoopStore;
using fleet::SiteLoop;

namespace {

constexpr int Channels = 128;
const QDateTime FirstStart(QDate(2024, 5, 1), QTime(14, 0), Qt::OffsetFromUTC, 3 * 3600);

// Loop n of a scan at a site, 30 s apart: levels that differ by loop and channel, and a channel
// without a level in each list.
SiteLoop loopOf(const QString& site, qint32 n, const QString& scan = QStringLiteral("scan-a")) {
    SiteLoop loop;
    loop.site = site;
    loop.scan = scan;
    loop.loop = n;
    loop.start = FirstStart.addSecs(30 * (n - 1));
    loop.attenuation = 10;
    loop.firstChannel = 32;
    for (int c = 0; c < Channels; ++c) {
        loop.last.push_back(c == 5 ? fleet::Level() : fleet::Level(-100 - (n + c) % 10));
        loop.peak.push_back(c == 6 ? fleet::Level() : fleet::Level(-90 - c % 7));
        loop.average.push_back(c == 7 ? fleet::Level() : fleet::Level(-105 - n % 3));
    }
    return loop;
}

std::vector<SiteLoop> loopsOf(const QString& site, qint32 first, qint32 last) {
    std::vector<SiteLoop> loops;
    for (qint32 n = first; n <= last; ++n)
        loops.push_back(loopOf(site, n));
    return loops;
}

std::vector<SiteLoop> readAll(LoopStore& store, const QString& site, const QDateTime& from = {},
                              const QDateTime& to = {}) {
    std::vector<SiteLoop> loops;
    if (!store.readLoops(site, from, to, [&](const SiteLoop& loop) { loops.push_back(loop); }))
        qWarning() << store.errorString();
    return loops;
}

const char* text(const QString& s) {
    static QByteArray bytes;
    bytes = s.toLocal8Bit();
    return bytes.constData();
}

} // namespace

class TestLoopStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    testing::PostgresServer m_server;
    int m_cases = 0;

    // An empty store of the row's kind: a new SQLite file, or a new PostgreSQL database.
    QString freshStore(const QString& kind) {
        const QString name = QStringLiteral("case_%1").arg(++m_cases);
        if (kind == QLatin1String("SQLite"))
            return QStringLiteral("sqlite:") +
                   m_dir.filePath(name + QStringLiteral("/fleet.sqlite"));
        QSqlQuery create(database(m_server.storeAddress(), name));
        if (!create.exec(QStringLiteral("CREATE DATABASE ") + name))
            qWarning() << create.lastError().text();
        return m_server.storeAddress().replace(QStringLiteral("/postgres?"),
                                               QLatin1Char('/') + name + QLatin1Char('?'));
    }

    // A connection of the test's own, to look at the tables as another client does.
    static QSqlDatabase database(const QString& store, const QString& name) {
        QString error;
        const auto address = fleet::parseStoreAddress(store, &error);
        const QString connection = QStringLiteral("look-") + name;
        if (QSqlDatabase::contains(connection))
            return QSqlDatabase::database(connection);
        const bool sqlite = address->kind == fleet::StoreAddress::Kind::Sqlite;
        QSqlDatabase db = QSqlDatabase::addDatabase(
            sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), connection);
        db.setDatabaseName(sqlite ? address->path : address->database);
        db.setHostName(address->host);
        db.setUserName(address->user);
        if (!db.open())
            qWarning() << db.lastError().text();
        return db;
    }

    void bothStores() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("SQLite") << QStringLiteral("SQLite");
        QTest::newRow("PostgreSQL") << QStringLiteral("PostgreSQL");
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY2(m_server.start(), text(m_server.error()));
    }

    void addressesAreRead_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // kind|path|user|password|host|port|database
        // clang-format off
        QTest::newRow("sqlite") << "sqlite:/var/lib/korlan/fleet.sqlite" << "sqlite|/var/lib/korlan/fleet.sqlite||||-1|";
        QTest::newRow("everything") << "postgresql://korlan:p%40ss:w@db.example:5433/fleet%20one" << "pg||korlan|p@ss:w|db.example|5433|fleet one";
        QTest::newRow("postgres://, no user") << "postgres://db.example/fleet" << "pg||||db.example|-1|fleet";
        QTest::newRow("socket as host") << "postgresql://u@%2Frun%2Fpg/fleet" << "pg||u||/run/pg|-1|fleet";
        QTest::newRow("socket as ?host=") << "postgresql:///fleet?host=/tmp/s&port=6000" << "pg||||/tmp/s|6000|fleet";
        QTest::newRow("v6 address") << "postgresql://[::1]:5432/f" << "pg||||::1|5432|f";
        QTest::newRow("nothing given") << "postgresql://" << "pg|||||-1|";
        // clang-format on
    }
    void addressesAreRead() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QString error;
        const auto a = fleet::parseStoreAddress(text, &error);
        QVERIFY2(a, qPrintable(error));
        QStringList got{a->kind == fleet::StoreAddress::Kind::Sqlite ? "sqlite" : "pg",
                        a->path,
                        a->user,
                        a->password,
                        a->host,
                        QString::number(a->port),
                        a->database};
        QCOMPARE(got.join(QLatin1Char('|')), expected);
        QVERIFY(!a->displayText().contains(QLatin1String("p@ss")));
    }

    void badAddressesSayWhy_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("other scheme") << "mysql://x"
                                      << "expected sqlite:PATH or postgresql://";
        QTest::newRow("no path") << "sqlite:"
                                 << "the SQLite file's path is missing";
        QTest::newRow("port") << "postgresql://h:99999/db"
                              << "not '99999'";
        QTest::newRow("escape") << "postgresql://u%zz@h/db"
                                << "bad %-escape in the user";
        QTest::newRow("parameter") << "postgresql://h/db?sslmode=require"
                                   << "unknown parameter";
    }
    void badAddressesSayWhy() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QString error;
        QVERIFY(!fleet::parseStoreAddress(text, &error));
        QVERIFY2(error.startsWith(QStringLiteral("'%1' is not a store address").arg(text)) &&
                     error.contains(message),
                 qPrintable(error));
        LoopStore store;
        QVERIFY(!store.open(text));
        QCOMPARE(store.errorString(), error);
    }

    void eachLoopIsStoredOnce_data() { bothStores(); }
    // A loop delivered again, even with other content, and a repeat inside one batch change
    // nothing; opening the store again keeps what it holds.
    void eachLoopIsStoredOnce() {
        QFETCH(QString, kind);
        const QString address = freshStore(kind);
        {
            LoopStore store;
            QVERIFY2(store.open(address), text(store.errorString()));
            QVERIFY2(store.addLoops(loopsOf("north", 1, 3)), text(store.errorString()));
        }
        LoopStore store;
        QVERIFY2(store.open(address), text(store.errorString()));
        SiteLoop changed = loopOf("north", 2);
        changed.last.assign(Channels, -40);
        changed.start = changed.start.addSecs(7);
        QVERIFY2(
            store.addLoops({changed, loopOf("north", 3), loopOf("north", 4), loopOf("north", 4)}),
            text(store.errorString()));
        const std::vector<SiteLoop> stored = readAll(store, "north");
        QCOMPARE(stored.size(), size_t(4));
        QCOMPARE(stored[1], loopOf("north", 2));
        const auto sites = store.sites();
        QVERIFY(sites);
        QCOMPARE(sites->size(), size_t(1));
        QCOMPARE(sites->front().loops, qint64(4));
    }

    void gapsAreFound_data() { bothStores(); }
    void gapsAreFound() {
        QFETCH(QString, kind);
        LoopStore store;
        QVERIFY2(store.open(freshStore(kind)), text(store.errorString()));
        std::vector<SiteLoop> loops;
        for (const qint32 n : {1, 2, 4, 7, 9})
            loops.push_back(loopOf("north", n));
        loops.push_back(loopOf("north", 3, "scan-b"));
        loops.push_back(loopOf("south", 5));
        QVERIFY2(store.addLoops(loops), text(store.errorString()));
        QCOMPARE(store.missingLoops("north", "scan-a", 8), (std::vector<qint32>{3, 5, 6, 8}));
        QCOMPARE(store.missingLoops("north", "scan-a", 2), std::vector<qint32>());
        QCOMPARE(store.missingLoops("north", "scan-b", 4), (std::vector<qint32>{1, 2, 4}));
        QCOMPARE(store.missingLoops("west", "scan-a", 2), (std::vector<qint32>{1, 2}));
    }

    void loopsComeBackAsStoredInStartOrder_data() { bothStores(); }
    // Levels, missing levels, first channel and the site's own offset come back; a time range
    // takes the loops that started inside it, across scans and more than a page of them.
    void loopsComeBackAsStoredInStartOrder() {
        QFETCH(QString, kind);
        LoopStore store;
        QVERIFY2(store.open(freshStore(kind)), text(store.errorString()));
        SiteLoop west = loopOf("west", 1);
        west.start =
            QDateTime(QDate(2024, 5, 1), QTime(6, 0), Qt::OffsetFromUTC, -(5 * 3600 + 1800));
        west.firstChannel = 0;
        west.attenuation = 0;
        west.previousScan = QStringLiteral("scan-0");
        west.previousLoops = 12;
        std::vector<SiteLoop> loops = loopsOf("north", 1, 1200);
        // A later scan whose loops interleave with the first one's last loops.
        for (qint32 n = 1; n <= 3; ++n) {
            SiteLoop later = loopOf("north", n, "scan-b");
            later.start = FirstStart.addSecs(30 * 1197 + 15 + 30 * (n - 1));
            loops.push_back(later);
        }
        loops.push_back(west);
        for (size_t i = 0; i < loops.size(); i += 400)
            QVERIFY2(store.addLoops(std::vector<SiteLoop>(
                         loops.begin() + qsizetype(i),
                         loops.begin() + qsizetype(std::min(loops.size(), i + 400)))),
                     text(store.errorString()));

        const std::vector<SiteLoop> back = readAll(store, "west");
        QCOMPARE(back.size(), size_t(1));
        west.previousScan.clear();
        west.previousLoops = 0;
        QCOMPARE(back[0], west);
        QCOMPARE(back[0].start.offsetFromUtc(), -(5 * 3600 + 1800));

        const std::vector<SiteLoop> all = readAll(store, "north");
        QCOMPARE(all.size(), size_t(1203));
        QCOMPARE(all[600], loopOf("north", 601));
        QStringList tail;
        for (size_t i = all.size() - 6; i < all.size(); ++i)
            tail << QStringLiteral("%1/%2").arg(all[i].scan).arg(all[i].loop);
        QCOMPARE(tail.join(' '), "scan-a/1198 scan-b/1 scan-a/1199 scan-b/2 scan-a/1200 scan-b/3");

        // [loop 11's start, loop 21's start) in another offset than the site's.
        const std::vector<SiteLoop> range =
            readAll(store, "north", loopOf("north", 11).start.toUTC(),
                    loopOf("north", 21).start.toOffsetFromUtc(-7200));
        QCOMPARE(range.size(), size_t(10));
        QCOMPARE(range.front().loop, 11);
        QCOMPARE(range.back().loop, 20);
        QVERIFY(readAll(store, "north", FirstStart.addYears(1)).empty());
        QVERIFY(readAll(store, "nowhere").empty());
    }

    void siteStatusIsKept_data() { bothStores(); }
    // Status and version as last set; an empty version keeps the one known; last seen only moves
    // on, by a status or by a later loop.
    void siteStatusIsKept() {
        QFETCH(QString, kind);
        LoopStore store;
        QVERIFY2(store.open(freshStore(kind)), text(store.errorString()));
        const QDateTime noon(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
        QVERIFY2(store.setSiteStatus("north", true, "4.0.1", noon), text(store.errorString()));
        QVERIFY(store.setSiteStatus("south", true, "4.0.0", noon.addSecs(-7200)));
        QVERIFY(store.setSiteStatus("north", false, "", noon.addSecs(-60)));
        QVERIFY(store.addLoops(loopsOf("south", 1, 2)));
        QVERIFY(store.addLoops(loopsOf("east", 1, 1)));
        const auto sites = store.sites();
        QVERIFY2(sites, text(store.errorString()));
        QCOMPARE(sites->size(), size_t(3));
        const fleet::SiteSummary& east = (*sites)[0];
        const fleet::SiteSummary& north = (*sites)[1];
        const fleet::SiteSummary& south = (*sites)[2];
        QCOMPARE(east.site, "east");
        QVERIFY(east.online);
        QCOMPARE(east.lastSeen, FirstStart);
        QCOMPARE(north.online, false);
        QCOMPARE(north.version, "4.0.1");
        QCOMPARE(north.lastSeen, noon);
        QCOMPARE(north.loops, 0);
        QCOMPARE(south.online, true);
        QCOMPARE(south.lastSeen, FirstStart.addSecs(30));
        QCOMPARE(south.loops, 2);
    }

    void levelsViewHasARowPerChannel_data() { bothStores(); }
    // What a chart reads: one row per loop and channel, its frequency and three levels.
    void levelsViewHasARowPerChannel() {
        QFETCH(QString, kind);
        const QString address = freshStore(kind);
        LoopStore store;
        QVERIFY2(store.open(address), text(store.errorString()));
        QVERIFY(store.addLoops(loopsOf("north", 1, 3)));
        QVERIFY(store.addLoops(loopsOf("south", 1, 1)));
        QSqlQuery query(database(address, QString::number(m_cases)));
        QVERIFY2(query.exec("SELECT COUNT(*), MIN(frequency_mhz), MAX(frequency_mhz) FROM levels "
                            "WHERE site = 'north'"),
                 text(query.lastError().text()));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), 3 * Channels);
        QCOMPARE(query.value(1).toDouble(), 902.2);
        QCOMPARE(query.value(2).toDouble(), 927.6);
        // Channel 5 from the first (903.2 MHz) has no Last level; channel 6 no Peak.
        QVERIFY2(query.exec("SELECT frequency_mhz, last_dbm, peak_dbm, average_dbm, \"time\" "
                            "FROM levels WHERE site = 'north' AND loop = 2 "
                            "AND frequency_mhz IN (903.2, 903.4) ORDER BY frequency_mhz"),
                 text(query.lastError().text()));
        QVERIFY(query.next());
        QVERIFY(query.value(1).isNull());
        QCOMPARE(query.value(2).toInt(), -95);
        QCOMPARE(query.value(3).toInt(), -107);
        QCOMPARE(query.value(4).toDateTime().toUTC(), FirstStart.addSecs(30).toUTC());
        QVERIFY(query.next());
        QCOMPARE(query.value(1).toInt(), -108);
        QVERIFY(query.value(2).isNull());
        if (kind == QLatin1String("PostgreSQL")) {
            QVERIFY(query.exec("SELECT pg_typeof(\"time\")::text FROM levels LIMIT 1"));
            QVERIFY(query.next());
            QCOMPARE(query.value(0).toString(), "timestamp with time zone");
        }
    }

    // The server goes away between batches and comes back: the calls in between fail and say
    // so, the first one after it is back succeeds on a new connection, and nothing is lost.
    void serverThatGoesAwayLosesNothing() {
        LoopStore store;
        QVERIFY2(store.open(freshStore("PostgreSQL")), text(store.errorString()));
        QVERIFY2(store.addLoops(loopsOf("north", 1, 100)), text(store.errorString()));
        QVERIFY2(m_server.stop(), text(m_server.error()));
        QVERIFY(!store.addLoops(loopsOf("north", 101, 200)));
        QVERIFY2(store.errorString().contains("cannot connect"), text(store.errorString()));
        QVERIFY(!store.sites());
        QVERIFY2(m_server.start(), text(m_server.error()));
        QVERIFY2(store.addLoops(loopsOf("north", 101, 200)), text(store.errorString()));
        // Stopped and started between two calls: the dead connection is found and replaced.
        QVERIFY2(m_server.stop() && m_server.start(), text(m_server.error()));
        QVERIFY2(store.addLoops(loopsOf("north", 150, 250)), text(store.errorString()));
        QCOMPARE(store.missingLoops("north", "scan-a", 250), std::vector<qint32>());
        QCOMPARE(readAll(store, "north").size(), size_t(250));
    }

    // A file that is not a database, a folder that cannot be made and a server that is not
    // there give a sentence naming the store; nothing crashes.
    void unusableStoresSayWhy_data() {
        QTest::addColumn<QString>("store");
        QTest::addColumn<QString>("message");
        QTest::newRow("damaged file") << "damaged.sqlite"
                                      << "file is not a database";
        QTest::newRow("below a file") << "damaged.sqlite/fleet.sqlite"
                                      << "cannot create the folder";
        QTest::newRow("a folder") << "."
                                  << "cannot connect";
        QTest::newRow("no server") << "postgresql://postgres@/postgres?host=/nonexistent"
                                   << "cannot connect: connection to server on socket";
    }
    void unusableStoresSayWhy() {
        QFETCH(QString, store);
        QFETCH(QString, message);
        QVERIFY(testing::writeFile(m_dir.filePath("damaged.sqlite"),
                                   QByteArray("not a database, only some text\n").repeated(200)));
        if (!store.startsWith("postgresql:"))
            store = "sqlite:" + m_dir.filePath(store);
        LoopStore loops;
        QVERIFY(!loops.open(store));
        QVERIFY2(loops.errorString().startsWith(store.left(store.indexOf('?'))) &&
                     loops.errorString().contains(message),
                 text(loops.errorString()));
        QVERIFY(!loops.isOpen());
        QVERIFY(!loops.addLoops(loopsOf("north", 1, 1)));
        QCOMPARE(loops.errorString(), "the store is not open");
    }
};

QTEST_GUILESS_MAIN(TestLoopStore)
#include "tst_loop_store.moc"
