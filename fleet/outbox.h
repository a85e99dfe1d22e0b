// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/broker_address.h"
#include "fleet/fleet_messages.h"
#include "recording/scan_record.h"

#include <QHash>
#include <QObject>
#include <QTimer>

#include <map>
#include <optional>
#include <set>

namespace fleet {

class MqttClient;

// Publishes a site's loops from the scan files of its Data folder: the files are the outbox.
// Loops go out in order, oldest scan first, QoS 1; a loop counts as published once the broker
// has acknowledged it, and what was acknowledged is kept in a file beside the Data folder, so
// that loops recorded while the broker could not be reached, saved scans among them, follow when
// it can, also after a restart. Scans that began before the first publishing run are not
// published. Requests on the site's resend topic are answered from the files.
// Lives on the owner's thread, as its client does.
class Outbox : public QObject {
    Q_OBJECT

public:
    // At most this many loops wait for the broker's acknowledgement.
    static constexpr int MaxInFlight = 50;

    Outbox(MqttClient& client, const BrokerAddress& address, const SiteStatus& online,
           const QString& dataFolder, QObject* parent = nullptr);
    // Keeps what was acknowledged.
    ~Outbox() override;

    // "<data folder>.published".
    static QString stateFilePath(const QString& dataFolder);

    // Reads what was published and finds the scans of the folder; false with the reason when the
    // state file exists but cannot be read. Without one, publishing starts with scans from now on.
    bool load(QString* problem);

    // A loop the engine has written to the recording.
    void loopRecorded(const recording::ScanRecord& record);
    // The recording was saved under this name in the data folder.
    void recordingSaved(const QString& savedName);

    // Loops recorded and not yet acknowledged by the broker.
    qint64 waitingLoops() const;

signals:
    // Something the operator should hear of, once per kind of trouble.
    void problem(const QString& text);
    // The broker has acknowledged every loop recorded so far.
    void caughtUp();

private:
    struct Scan {
        QString path;
        qint32 acknowledged = 0; // loops 1..acknowledged are at the broker
        std::set<qint32> acknowledgedBeyond;
        qint32 handedOver = 0; // loops 1..handedOver were given to the client
    };
    struct InFlight {
        QString scan;
        qint32 loop;
    };

    void indexFolder();
    std::optional<QString> scanNameOfFile(const QString& path) const;
    qint32 loopsIn(const QString& path) const;
    void pump();
    // NotYet: the file, the record or the client cannot take it now; it is tried again.
    enum class Publication { Sent, Unusable, NotYet };
    Publication publishLoop(const QString& scan, qint32 loop, bool tracked);
    void acknowledged(int messageId);
    void resendAsked(const QByteArray& payload);
    void connected();
    void saveState();
    std::pair<QString, qint32> previousScan(const QString& scan) const;

    MqttClient& m_client;
    BrokerAddress m_address;
    SiteStatus m_online;
    QString m_dataFolder;
    QString m_since;                       // scans named before this are not published
    std::map<QString, Scan> m_scans;       // by name: oldest first
    std::map<QString, qint32> m_stateRead; // acknowledged counts as the state file had them
    QString m_recording;                   // the scan in lastScan.dat
    QHash<int, InFlight> m_inFlight;
    QTimer m_saveTimer;
    QTimer m_retryTimer;
    bool m_stateFailed = false;
};

} // namespace fleet
