// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/broker_address.h"
#include "fleet/fleet_messages.h"
#include "fleet/mqtt_client.h"

#include <QMap>
#include <QObject>
#include <QString>

namespace fleet {

// A client that only listens to the fleet: the status of every site the broker knows of, or of
// one site together with the loops and alarms it publishes from now on. It lives on the owner's
// thread; messages that are not what their topic says are passed over.
class SiteListener : public QObject {
    Q_OBJECT

public:
    // An empty site listens to every site's status and to no loops or alarms.
    SiteListener(const BrokerAddress& address, const QString& site, QObject* parent = nullptr);

    // False with the reason when the address cannot be used at all.
    bool start(QString* problem);
    const BrokerAddress& address() const { return m_address; }
    const QString& site() const { return m_site; }
    bool isConnected() const { return m_client.isConnected(); }
    // The last status heard of each site, by name.
    const QMap<QString, SiteStatus>& statuses() const { return m_statuses; }

signals:
    void connected();
    // The broker cannot be reached, or dropped the connection; the client keeps trying.
    void connectionLost(const QString& reason);
    void statusReceived(const fleet::SiteStatus& status);
    void loopReceived(const fleet::SiteLoop& loop);
    void alarmReceived(const fleet::SiteAlarm& alarm);

private:
    void take(const QString& topic, const QByteArray& payload);

    BrokerAddress m_address;
    QString m_site;
    MqttClient m_client;
    QMap<QString, SiteStatus> m_statuses;
};

} // namespace fleet
