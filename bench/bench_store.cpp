// SPDX-License-Identifier: MIT
// Storing the loops of 100 sites, 128 channels each, in batches as the collector hands them over:
// into an SQLite file and into a PostgreSQL server of the benchmark's own on a Unix socket, each
// batch one transaction. "loops/s" is the rate the store sustains. Then the same through the whole
// collector: korlan-collect taking the loops of 100 sites that wait for it at a broker.
#include "fleet/broker_address.h"
#include "fleet/fleet_messages.h"
#include "fleet/loop_store.h"
#include "fleet/mqtt_client.h"
#include "tests/support/mqtt_broker.h"
#include "tests/support/postgres_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr int Sites = 100;
constexpr int Channels = 128;

QTemporaryDir& folder() {
    static QTemporaryDir dir;
    return dir;
}

// Started on first use, stopped before the application ends.
std::unique_ptr<testing::PostgresServer> g_postgres;

testing::PostgresServer* server() {
    if (!g_postgres) {
        g_postgres = std::make_unique<testing::PostgresServer>();
        if (!g_postgres->start())
            std::fprintf(stderr, "%s\n", qPrintable(g_postgres->error()));
    }
    return g_postgres->isRunning() ? g_postgres.get() : nullptr;
}

// Noise between -104 and -111 dBm, a carrier and a channel without a level, as sites send them.
fleet::SiteLoop siteLoop(int site, qint32 n) {
    fleet::SiteLoop loop;
    loop.site = QStringLiteral("site-%1").arg(site, 3, 10, QLatin1Char('0'));
    loop.scan = QStringLiteral("2026-12-07_11-20-05");
    loop.loop = n;
    loop.start = QDateTime(QDate(2026, 12, 7), QTime(11, 20, 5), Qt::OffsetFromUTC, 3 * 3600)
                     .addSecs(30 * (n - 1));
    loop.firstChannel = 32;
    quint32 state = quint32(n * 2654435761u + site);
    for (int c = 0; c < Channels; ++c) {
        state = state * 1664525u + 1013904223u;
        const int level = -104 - int((state >> 24) % 8);
        loop.last.push_back(c == 64 ? -55 : level);
        loop.peak.push_back(c == 7 ? fleet::Level() : fleet::Level(level + 3));
        loop.average.push_back(level - 1);
    }
    return loop;
}

// Each batch holds the next loops of every site in turn, batch loops in all; numbers go on from
// run to run, so every loop is new to the store.
void ingest(benchmark::State& state, const QString& store) {
    fleet::LoopStore loops;
    if (!loops.open(store)) {
        state.SkipWithError(qPrintable(loops.errorString()));
        return;
    }
    const int batch = int(state.range(0));
    std::vector<fleet::SiteLoop> first;
    for (int i = 0; i < batch; ++i)
        first.push_back(siteLoop(i % Sites, i / Sites + 1));
    const int loopsPerSite = (batch + Sites - 1) / Sites;
    static qint32 round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<fleet::SiteLoop> next = first;
        for (fleet::SiteLoop& loop : next) {
            loop.loop += round * loopsPerSite;
            loop.start = loop.start.addSecs(30 * round * loopsPerSite);
        }
        ++round;
        state.ResumeTiming();
        if (!loops.addLoops(next)) {
            state.SkipWithError(qPrintable(loops.errorString()));
            return;
        }
    }
    state.counters["loops/s"] =
        benchmark::Counter(double(state.iterations()) * batch, benchmark::Counter::kIsRate);
}

void IngestSqlite(benchmark::State& state) {
    static int stores = 0;
    ingest(state, QStringLiteral("sqlite:") +
                      folder().filePath(QStringLiteral("fleet-%1.sqlite").arg(++stores)));
}
BENCHMARK(IngestSqlite)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();

void IngestPostgresql(benchmark::State& state) {
    if (!server()) {
        state.SkipWithError("the PostgreSQL server did not start");
        return;
    }
    ingest(state, server()->storeAddress());
}
BENCHMARK(IngestPostgresql)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond)->UseRealTime();

// korlan-collect started with LoopsWaiting loops of 100 sites waiting for it at the broker: from
// its start until the store holds them all.
constexpr int LoopsWaiting = 5000;

bool runUntil(const std::function<bool()>& condition, int boundMs = 120000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > boundMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

qint64 storedLoops(const QString& store) {
    fleet::LoopStore loops;
    qint64 count = 0;
    if (loops.open(store))
        for (const fleet::SiteSummary& site :
             loops.sites().value_or(std::vector<fleet::SiteSummary>{}))
            count += site.loops;
    return count;
}

bool startCollector(QProcess& collector, const QString& broker, const QString& store) {
    collector.start(QStringLiteral(KORLAN_COLLECT_PATH),
                    {QStringLiteral("--broker"), broker, QStringLiteral("--store"), store,
                     QStringLiteral("--id"), QStringLiteral("bench")});
    QByteArray said;
    return runUntil([&] {
               said += collector.readAllStandardError();
               return said.contains("collecting from") || collector.state() == QProcess::NotRunning;
           }) &&
           collector.state() == QProcess::Running;
}

void fromBroker(benchmark::State& state, const QString& store) {
    testing::MqttBroker broker;
    if (!broker.start()) {
        state.SkipWithError(qPrintable(broker.error()));
        return;
    }
    for (auto _ : state) {
        {
            // The collector's session at the broker, which then keeps the loops for it.
            QProcess collector;
            if (!startCollector(collector, broker.url(), store)) {
                state.SkipWithError("korlan-collect did not start");
                return;
            }
            collector.terminate();
            collector.waitForFinished();
        }
        fleet::MqttClient sites(QString(), true);
        int acknowledged = 0;
        QObject::connect(&sites, &fleet::MqttClient::published, [&] { ++acknowledged; });
        QString why;
        sites.start(std::get<fleet::BrokerAddress>(fleet::parseBrokerAddress(broker.url())), {},
                    &why);
        runUntil([&] { return sites.isConnected(); });
        // Sites of this run's own, so that every loop is new to the store.
        static int runs = 0;
        const QString run = QStringLiteral("run%1-").arg(++runs);
        const qint64 before = storedLoops(store);
        for (int i = 0; i < LoopsWaiting; ++i) {
            fleet::SiteLoop loop = siteLoop(i % Sites, i / Sites + 1);
            loop.site.prepend(run);
            sites.publish(QStringLiteral("korlan/%1/loop").arg(loop.site), fleet::loopMessage(loop),
                          1, false);
        }
        runUntil([&] { return acknowledged == LoopsWaiting; });

        QElapsedTimer clock;
        clock.start();
        QProcess collector;
        if (!startCollector(collector, broker.url(), store) ||
            !runUntil([&] { return storedLoops(store) - before == LoopsWaiting; })) {
            state.SkipWithError("the loops were not stored");
            return;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        state.counters["loops/s"] = LoopsWaiting / (double(clock.nsecsElapsed()) / 1e9);
        collector.terminate();
        collector.waitForFinished();
    }
}

void CollectorIntoSqlite(benchmark::State& state) {
    static int stores = 0;
    fromBroker(state, QStringLiteral("sqlite:") +
                          folder().filePath(QStringLiteral("collected-%1.sqlite").arg(++stores)));
}
BENCHMARK(CollectorIntoSqlite)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void CollectorIntoPostgresql(benchmark::State& state) {
    if (!server()) {
        state.SkipWithError("the PostgreSQL server did not start");
        return;
    }
    fromBroker(state, server()->storeAddress());
}
BENCHMARK(CollectorIntoPostgresql)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_postgres.reset();
    return 0;
}
