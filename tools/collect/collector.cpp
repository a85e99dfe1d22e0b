// SPDX-License-Identifier: MIT
#include "tools/collect/collector.h"

#include "fleet/fleet_messages.h"

#include <algorithm>

namespace tools::collect {

namespace {

// Loops asked for in one resend request at most.
constexpr size_t AskChunk = 1000;

} // namespace

Collector::Collector(const fleet::BrokerAddress& broker, const QString& clientId,
                     QTextStream& messages)
    : m_broker(broker), m_client(clientId, false), m_messages(messages) {
    m_client.addSubscription(broker.prefix + QStringLiteral("/+/loop"));
    m_client.addSubscription(broker.prefix + QStringLiteral("/+/status"));
    connect(&m_client, &fleet::MqttClient::messageReceived, this, &Collector::received);
    connect(&m_client, &fleet::MqttClient::connected, this,
            [this] { say(QStringLiteral("collecting from %1").arg(m_broker.shown())); });
    connect(&m_client, &fleet::MqttClient::connectionLost, this, [this](const QString& why) {
        say(QStringLiteral("the broker at %1 cannot be reached (%2); trying again")
                .arg(m_broker.shown(), why));
    });
    m_batchTimer.setSingleShot(true);
    connect(&m_batchTimer, &QTimer::timeout, this, &Collector::store);
    m_gapTimer.setInterval(GapCheckMs);
    connect(&m_gapTimer, &QTimer::timeout, this, &Collector::recheckGaps);
}

bool Collector::start(const QString& store, const QString& caFile) {
    if (!m_store.open(store)) {
        say(m_store.errorString());
        return false;
    }
    QString problem;
    if (!m_client.start(m_broker, caFile, &problem)) {
        say(problem);
        return false;
    }
    m_gapTimer.start();
    return true;
}

bool Collector::finish() {
    store();
    return m_waiting.empty() && m_statuses.empty();
}

void Collector::received(const QString& topic, const QByteArray& payload) {
    const QStringList levels = topic.split(QLatin1Char('/'));
    const QString site = levels.value(levels.size() - 2);
    QString why;
    if (topic.endsWith(QLatin1String("/loop"))) {
        auto loop = fleet::parseLoopMessage(payload, &why);
        if (!loop)
            return skip(topic, why);
        if (loop->site != site)
            return skip(topic, QStringLiteral("a loop of site %1").arg(loop->site));
        if (m_waiting.size() >= MaxWaiting) {
            if (!m_droppedSaid)
                say(QStringLiteral("too many loops wait for the store; later ones are asked "
                                   "for again once it takes them"));
            m_droppedSaid = true;
            return;
        }
        m_waiting.push_back(std::move(*loop));
    } else {
        auto status = fleet::parseStatusMessage(payload, &why);
        if (!status)
            return skip(topic, why);
        if (status->site != site)
            return skip(topic, QStringLiteral("the status of site %1").arg(status->site));
        m_statuses[site] = *status;
    }
    if (m_waiting.size() >= MaxBatch && !m_storeFailing)
        store();
    else if (!m_batchTimer.isActive())
        m_batchTimer.start(m_batchMs);
}

void Collector::skip(const QString& topic, const QString& why) {
    say(QStringLiteral("skipped a message on %1: %2").arg(topic, why));
}

void Collector::store() {
    m_batchTimer.stop();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    bool ok = true;
    std::vector<fleet::SiteLoop> batch;
    while (ok && !m_waiting.empty()) {
        const size_t count = std::min(m_waiting.size(), size_t(MaxBatch));
        batch.assign(std::make_move_iterator(m_waiting.begin()),
                     std::make_move_iterator(m_waiting.begin() + qsizetype(count)));
        ok = m_store.addLoops(batch);
        if (ok) {
            m_waiting.erase(m_waiting.begin(), m_waiting.begin() + qsizetype(count));
            noteGaps(batch);
        } else {
            std::move(batch.begin(), batch.end(), m_waiting.begin()); // put back as it was
        }
    }
    for (auto it = m_statuses.begin(); ok && it != m_statuses.end();) {
        const fleet::SiteStatus& s = it->second;
        ok = m_store.setSiteStatus(s.site, s.online, s.version, now);
        if (ok)
            it = m_statuses.erase(it);
    }
    if (!ok) {
        if (!m_storeFailing)
            say(QStringLiteral("the store cannot take loops (%1); they wait and are tried again")
                    .arg(m_store.errorString()));
        m_storeFailing = true;
        m_batchTimer.start(RetryMs);
        return;
    }
    if (m_storeFailing)
        say(QStringLiteral("the store takes loops again"));
    m_storeFailing = false;
    if (m_droppedSaid)
        recheckGaps();
    m_droppedSaid = false;
}

// Loops of a scan arrive in order: anything else, and the first loops of a scan met since the
// collector started, are checked against what is stored. Each loop names the scan before it and
// its length, so the tail of a scan that ended during a gap is found too.
void Collector::noteGaps(const std::vector<fleet::SiteLoop>& stored) {
    for (const fleet::SiteLoop& loop : stored) {
        const ScanKey key{loop.site, loop.scan};
        const auto highest = m_highest.find(key);
        if (highest == m_highest.end() || loop.loop != highest->second + 1)
            askForMissing(key,
                          std::max(loop.loop, highest == m_highest.end() ? 0 : highest->second));
        m_highest[key] = std::max(loop.loop, highest == m_highest.end() ? 0 : highest->second);
        if (!loop.previousScan.isEmpty() && loop.previousLoops > 0 &&
            m_previousChecked.insert({loop.site, loop.previousScan}).second)
            askForMissing({loop.site, loop.previousScan}, loop.previousLoops);
    }
}

void Collector::askForMissing(const ScanKey& scan, qint32 upTo) {
    const auto missing = m_store.missingLoops(scan.first, scan.second, upTo);
    if (!missing || missing->empty()) {
        if (missing)
            m_gaps.erase(scan);
        return;
    }
    qint32& known = m_gaps[scan];
    known = std::max(known, upTo);
    say(QStringLiteral("site %1 scan %2 lacks %3 loop(s) from loop %4 on; asking the site")
            .arg(scan.first, scan.second)
            .arg(missing->size())
            .arg(missing->front()));
    for (size_t from = 0; from < missing->size(); from += AskChunk) {
        fleet::ResendRequest request{scan.second, {}};
        request.loops.assign(missing->begin() + qsizetype(from),
                             missing->begin() +
                                 qsizetype(std::min(missing->size(), from + AskChunk)));
        m_client.publish(m_broker.resendTopic(scan.first), fleet::resendMessage(request), 1, false);
    }
}

// Sites that were away when they were asked are asked again while loops are missing.
void Collector::recheckGaps() {
    const auto gaps = m_gaps;
    for (const auto& [scan, upTo] : gaps)
        askForMissing(scan, upTo);
}

void Collector::say(const QString& text) {
    m_messages << QStringLiteral("korlan-collect: ") << text << Qt::endl;
}

} // namespace tools::collect
