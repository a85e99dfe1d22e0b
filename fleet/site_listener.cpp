// SPDX-License-Identifier: MIT
#include "fleet/site_listener.h"

namespace fleet {

SiteListener::SiteListener(const BrokerAddress& address, const QString& site, QObject* parent)
    : QObject(parent), m_address(address), m_site(site), m_client(QString(), true) {
    if (site.isEmpty()) {
        m_client.addSubscription(address.statusTopic(QStringLiteral("+")));
    } else {
        m_client.addSubscription(address.statusTopic(site));
        m_client.addSubscription(address.loopTopic(site));
        m_client.addSubscription(address.alarmTopic(site));
    }
    connect(&m_client, &MqttClient::connected, this, &SiteListener::connected);
    connect(&m_client, &MqttClient::connectionLost, this, &SiteListener::connectionLost);
    connect(&m_client, &MqttClient::messageReceived, this, &SiteListener::take);
}

bool SiteListener::start(QString* problem) {
    return m_client.start(m_address, QString(), problem);
}

// The topic names the site; a message that names another is not believed.
void SiteListener::take(const QString& topic, const QByteArray& payload) {
    const QStringList levels = topic.mid(m_address.prefix.size() + 1).split(QLatin1Char('/'));
    if (!topic.startsWith(m_address.prefix + QLatin1Char('/')) || levels.size() != 2)
        return;
    const QString& site = levels[0];
    if (levels[1] == QLatin1String("status")) {
        const auto status = parseStatusMessage(payload, nullptr);
        if (!status || status->site != site)
            return;
        m_statuses.insert(site, *status);
        emit statusReceived(*status);
    } else if (levels[1] == QLatin1String("loop") && !m_site.isEmpty()) {
        const auto loop = parseLoopMessage(payload, nullptr);
        if (loop && loop->site == site)
            emit loopReceived(*loop);
    } else if (levels[1] == QLatin1String("alarm") && !m_site.isEmpty()) {
        const auto alarm = parseAlarmMessage(payload, nullptr);
        if (alarm && alarm->site == site)
            emit alarmReceived(*alarm);
    }
}

} // namespace fleet
