// SPDX-License-Identifier: MIT
// The fleet end to end: simulated radios, korlan-record publishing, a Mosquitto broker and
// korlan-collect storing into SQLite or PostgreSQL, all of the test's own.
#include "fleet/fleet_messages.h"
#include "fleet/loop_records.h"
#include "fleet/loop_store.h"
#include "fleet/mqtt_client.h"
#include "tests/support/mqtt_broker.h"
#include "tests/support/postgres_server.h"
#include "tests/support/program_process.h"
#include "tests/support/scan_fixture.h"
#include "tests/support/sim_radio.h"
#include "tests/support/site_loops.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace fleet;
using testing::ProgramProcess;
using testing::withoutPrevious;

namespace {

constexpr int Bound = 60000; // ms

// A site: its radio and its recorder, publishing under the site's name.
struct Site {
    QString name;
    testing::SimRadio radio;
    QTemporaryDir folder;
    std::unique_ptr<ProgramProcess> recorder;

    bool start(const QString& broker, int loops, const QStringList& radioOptions = {}) {
        if (!radio.start(radioOptions))
            return false;
        recorder = std::make_unique<ProgramProcess>(
            KORLAN_RECORD,
            QStringList{"--device", radio.device(), "--loops", QString::number(loops), "--output",
                        folder.path(), "--publish", broker, "--site", name});
        return true;
    }
    QList<SiteLoop> recorded() const {
        const QStringList saved = testing::savedScans(folder.path());
        return saved.size() == 1 ? testing::loopsOfFile(saved[0], name) : QList<SiteLoop>();
    }
};

// Where the collector stores: an SQLite file, or a PostgreSQL server of the test's own.
class Store {
public:
    explicit Store(bool postgres) {
        if (postgres) {
            m_server = std::make_unique<testing::PostgresServer>();
            m_ready = m_server->start();
            m_address = m_server->storeAddress();
        } else {
            m_address = QStringLiteral("sqlite:") + m_dir.filePath(QStringLiteral("fleet.sqlite"));
        }
    }
    bool isReady() const { return m_ready; }
    QString error() const { return m_server ? m_server->error() : QString(); }
    const QString& address() const { return m_address; }

    QList<SiteLoop> loops(const QString& site) {
        QList<SiteLoop> loops;
        LoopStore store;
        if (store.open(m_address))
            store.readLoops(site, {}, {}, [&loops](const SiteLoop& loop) { loops.append(loop); });
        return loops;
    }
    std::vector<SiteSummary> sites() {
        LoopStore store;
        return store.open(m_address) ? store.sites().value_or(std::vector<SiteSummary>{})
                                     : std::vector<SiteSummary>{};
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<testing::PostgresServer> m_server;
    QString m_address;
    bool m_ready = true;
};

ProgramProcess* startCollector(const QString& broker, const QString& store,
                               const QStringList& more = {}) {
    return new ProgramProcess(KORLAN_COLLECT,
                              QStringList{"--broker", broker, "--store", store} + more);
}

// The test's broker started and a collector storing into `store` subscribed at it. The caller
// returns when the test failed.
void startFleet(const Store& store, testing::MqttBroker& broker,
                std::unique_ptr<ProgramProcess>& collector, const QStringList& more = {}) {
    QVERIFY2(store.isReady(), qPrintable(store.error()));
    QVERIFY2(broker.start(), qPrintable(broker.error()));
    collector.reset(startCollector(broker.url(), store.address(), more));
    QTRY_VERIFY_WITH_TIMEOUT(collector->messages().contains("collecting from"), Bound);
}

} // namespace

class tst_collect : public QObject {
    Q_OBJECT

private slots:
    void threeSitesIntoOneStore_data();
    void threeSitesIntoOneStore();
    void theBrokerGoingAwayLosesNothingAndStoresNothingTwice_data();
    void theBrokerGoingAwayLosesNothingAndStoresNothingTwice();
    void aKilledCollectorHasItsGapFilledByTheSite_data();
    void aKilledCollectorHasItsGapFilledByTheSite();
    void messagesThatAreNotLoopsOfTheirSiteAreSkipped();
    void unusableStoresAndOptionsAreRefused_data();
    void unusableStoresAndOptionsAreRefused();
};

void tst_collect::threeSitesIntoOneStore_data() {
    QTest::addColumn<bool>("postgres");
    QTest::newRow("SQLite") << false;
    QTest::newRow("PostgreSQL") << true;
}

void tst_collect::threeSitesIntoOneStore() {
    QFETCH(bool, postgres);
    Store store(postgres);
    testing::MqttBroker broker;
    std::unique_ptr<ProgramProcess> collector;
    startFleet(store, broker, collector);
    if (QTest::currentTestFailed())
        return;

    Site sites[3];
    const QStringList names{"north", "east", "south"};
    for (int i = 0; i < 3; ++i) {
        sites[i].name = names[i];
        QVERIFY2(sites[i].start(broker.url(), 3 + i), qPrintable(sites[i].radio.error()));
    }
    for (Site& site : sites)
        QCOMPARE(site.recorder->finish(), 0);
    for (Site& site : sites) {
        const QList<SiteLoop> recorded = site.recorded();
        QCOMPARE(recorded.size(), 3 + int(&site - sites));
        QTRY_COMPARE_WITH_TIMEOUT(store.loops(site.name).size(), recorded.size(), Bound);
        QCOMPARE(store.loops(site.name), withoutPrevious(recorded));
    }
    // Each recorder said goodbye.
    const auto offline = [&store] {
        const std::vector<SiteSummary> sites = store.sites();
        return std::count_if(sites.begin(), sites.end(),
                             [](const SiteSummary& s) { return !s.online; });
    };
    QTRY_COMPARE_WITH_TIMEOUT(offline(), 3, Bound);
    QCOMPARE(collector->terminate(), 0);
}

void tst_collect::theBrokerGoingAwayLosesNothingAndStoresNothingTwice_data() {
    threeSitesIntoOneStore_data();
}

void tst_collect::theBrokerGoingAwayLosesNothingAndStoresNothingTwice() {
    QFETCH(bool, postgres);
    Store store(postgres);
    testing::MqttBroker broker;
    std::unique_ptr<ProgramProcess> collector;
    startFleet(store, broker, collector);
    if (QTest::currentTestFailed())
        return;
    Site site;
    site.name = "north";
    // About half a second a loop.
    QVERIFY(site.start(broker.url(), 20, {"--latency-ms", "3"}));
    QTRY_VERIFY_WITH_TIMEOUT(site.recorder->output().contains("loop 2 "), Bound);
    broker.stop();
    // Away for longer than either client waits between its attempts to reach it.
    QTRY_VERIFY_WITH_TIMEOUT(site.recorder->output().contains("loop 12 "), Bound);
    QVERIFY2(broker.start(), qPrintable(broker.error()));
    QCOMPARE(site.recorder->finish(), 0);
    QCOMPARE(site.recorder->messages().count("publishing to"), 2);
    QCOMPARE(site.recorder->messages().count("cannot be reached"), 1);
    QTRY_VERIFY_WITH_TIMEOUT(collector->messages().contains("cannot be reached"), Bound);

    QTRY_COMPARE_WITH_TIMEOUT(store.loops("north").size(), 20, Bound);
    QCOMPARE(store.loops("north"), withoutPrevious(site.recorded()));
    QCOMPARE(store.sites().at(0).loops, 20);
    QCOMPARE(collector->terminate(), 0);
}

void tst_collect::aKilledCollectorHasItsGapFilledByTheSite_data() {
    threeSitesIntoOneStore_data();
}

void tst_collect::aKilledCollectorHasItsGapFilledByTheSite() {
    QFETCH(bool, postgres);
    Store store(postgres);
    testing::MqttBroker broker;
    std::unique_ptr<ProgramProcess> collector;
    // Loops it takes from the broker wait a long time before they are stored.
    startFleet(store, broker, collector, {"--batch-ms", "30000"});
    if (QTest::currentTestFailed())
        return;
    Site site;
    site.name = "north";
    QVERIFY(site.start(broker.url(), 16, {"--latency-ms", "3"}));
    QTRY_VERIFY_WITH_TIMEOUT(site.recorder->output().contains("loop 4 "), Bound);
    collector->process.kill();
    collector->finish();
    // The broker handed those loops over; nobody will deliver them again by itself.
    QVERIFY(store.loops("north").isEmpty());

    collector.reset(startCollector(broker.url(), store.address()));
    QCOMPARE(site.recorder->finish(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(store.loops("north").size(), 16, Bound);
    QCOMPARE(store.loops("north"), withoutPrevious(site.recorded()));
    QTRY_VERIFY_WITH_TIMEOUT(collector->messages().contains("asking the site"), Bound);
    QCOMPARE(collector->terminate(), 0);
}

void tst_collect::messagesThatAreNotLoopsOfTheirSiteAreSkipped() {
    Store store(false);
    testing::MqttBroker broker;
    std::unique_ptr<ProgramProcess> collector;
    startFleet(store, broker, collector);
    if (QTest::currentTestFailed())
        return;

    MqttClient stranger(QString(), true);
    QString why;
    QVERIFY(stranger.start(std::get<BrokerAddress>(parseBrokerAddress(broker.url())), {}, &why));
    QTRY_VERIFY_WITH_TIMEOUT(stranger.isConnected(), Bound);
    const auto loop = siteLoopOfRecord(testing::loopRecord(1, testing::startupLoopCodes(100)),
                                       "east", "2024-05-01_14-00-00");
    stranger.publish("korlan/north/loop", "{\"temperature\": 21.5}", 1, false);
    stranger.publish("korlan/north/loop", "\xff\xfe not JSON", 1, false);
    stranger.publish("korlan/north/loop", loopMessage(*loop), 1, false); // another site's
    stranger.publish("korlan/east/loop", loopMessage(*loop), 1, false);
    QTRY_COMPARE_WITH_TIMEOUT(store.loops("east").size(), 1, Bound);
    QCOMPARE(store.loops("east").at(0), *loop);
    QVERIFY(store.loops("north").isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(collector->messages().count("skipped a message on korlan/north/loop"),
                              3, Bound);
    QCOMPARE(collector->terminate(), 0);
}

void tst_collect::unusableStoresAndOptionsAreRefused_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option")
        << QStringList{"--site", "north"} << 2 << "unknown option --site";
    QTest::newRow("not a broker") << QStringList{"--broker", "http://x"} << 2 << "not a broker";
    QTest::newRow("batch") << QStringList{"--batch-ms", "0"} << 2 << "--batch-ms 0";
    QTest::newRow("unusable store")
        << QStringList{"--store", "sqlite:/dev/null/fleet.sqlite"} << 1 << "fleet.sqlite";
}

void tst_collect::unusableStoresAndOptionsAreRefused() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    ProgramProcess collector(KORLAN_COLLECT, arguments);
    QCOMPARE(collector.finish(), exitCode);
    QVERIFY(collector.messages().startsWith("korlan-collect: "));
    QVERIFY(collector.messages().contains(message));
}

QTEST_GUILESS_MAIN(tst_collect)
#include "tst_collect.moc"
