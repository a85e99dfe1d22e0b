// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/broker_address.h"
#include "fleet/fleet_messages.h"
#include "fleet/loop_store.h"
#include "fleet/mqtt_client.h"
#include "fleet/site_loop.h"

#include <QObject>
#include <QTextStream>
#include <QTimer>

#include <map>
#include <set>
#include <vector>

namespace tools::collect {

// Takes every site's loops and statuses from the broker, with a session the broker keeps while
// the collector is away, and stores each loop once. Loops are stored in batches; a store that
// fails keeps them waiting and is tried again. A scan whose loop numbers show a gap (a loop the
// broker delivered but a killed collector never stored, or loops a full memory let go) makes the
// collector ask the site for the missing loops, again later while they are missing.
class Collector : public QObject {
    Q_OBJECT

public:
    static constexpr int DefaultBatchMs = 100;
    static constexpr int MaxBatch = 500;
    static constexpr int RetryMs = 1000;
    static constexpr int GapCheckMs = 30000;
    // Loops waiting for a failing store beyond this are let go; the sites send them again.
    static constexpr size_t MaxWaiting = 100000;

    Collector(const fleet::BrokerAddress& broker, const QString& clientId, QTextStream& messages);

    // How long loops gather before they are stored, unless a batch is full first.
    void setBatchMs(int ms) { m_batchMs = ms; }
    // Opens the store and starts listening; false (after a message) when either cannot be used.
    bool start(const QString& store, const QString& caFile);
    // Stores what is waiting; true when nothing is left waiting.
    bool finish();

private:
    using ScanKey = std::pair<QString, QString>; // site, scan

    void received(const QString& topic, const QByteArray& payload);
    void skip(const QString& topic, const QString& why);
    void store();
    void noteGaps(const std::vector<fleet::SiteLoop>& stored);
    void askForMissing(const ScanKey& scan, qint32 upTo);
    void recheckGaps();
    void say(const QString& text);

    fleet::BrokerAddress m_broker;
    fleet::MqttClient m_client;
    fleet::LoopStore m_store;
    QTextStream& m_messages;
    std::vector<fleet::SiteLoop> m_waiting;
    std::map<QString, fleet::SiteStatus> m_statuses; // by site, waiting to be stored
    std::map<ScanKey, qint32> m_highest;             // the highest loop stored of each scan
    std::map<ScanKey, qint32> m_gaps;                // scans with loops missing up to a number
    std::set<ScanKey> m_previousChecked;
    QTimer m_batchTimer;
    QTimer m_gapTimer;
    int m_batchMs = DefaultBatchMs;
    bool m_storeFailing = false;
    bool m_droppedSaid = false;
};

} // namespace tools::collect
