// SPDX-License-Identifier: MIT
#include "fleet/mqtt_client.h"

#include <QFileInfo>

#include <mosquitto.h>

#include <chrono>

namespace fleet {

namespace {

std::once_flag libraryReady;

QString errorText(int rc) {
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

// How long a connection being closed may take to say goodbye to the broker.
constexpr auto GoodbyeTime = std::chrono::seconds(2);

} // namespace

MqttClient::MqttClient(const QString& clientId, bool cleanSession, QObject* parent)
    : QObject(parent) {
    std::call_once(libraryReady, [] { mosquitto_lib_init(); });
    const QByteArray id = clientId.toUtf8();
    m_mosq = mosquitto_new(id.isEmpty() ? nullptr : id.constData(), cleanSession, this);
    mosquitto_threaded_set(m_mosq, true);
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_max_inflight_messages_set(m_mosq, 100);
    mosquitto_connect_callback_set(m_mosq, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttClient::onDisconnect);
    mosquitto_publish_callback_set(m_mosq, &MqttClient::onPublish);
    mosquitto_message_callback_set(m_mosq, &MqttClient::onMessage);
}

MqttClient::~MqttClient() {
    {
        std::lock_guard lock(m_stopLock);
        m_stopping = true;
    }
    m_stopSignal.notify_all();
    if (m_network.joinable()) {
        if (m_connected)
            mosquitto_disconnect(m_mosq);
        m_network.join();
    }
    mosquitto_destroy(m_mosq);
}

void MqttClient::setWill(const QString& topic, const QByteArray& payload, bool retain) {
    mosquitto_will_set(m_mosq, topic.toUtf8().constData(), int(payload.size()), payload.constData(),
                       1, retain);
}

void MqttClient::addSubscription(const QString& topicFilter) {
    m_subscriptions.append(topicFilter);
}

bool MqttClient::start(const BrokerAddress& address, const QString& caFile, QString* problem) {
    if (!address.user.isEmpty())
        mosquitto_username_pw_set(
            m_mosq, address.user.toUtf8().constData(),
            address.password.isEmpty() ? nullptr : address.password.toUtf8().constData());
    if (address.tls) {
        int rc = MOSQ_ERR_SUCCESS;
        if (caFile.isEmpty()) {
            rc = mosquitto_int_option(m_mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        } else if (!QFileInfo(caFile).isReadable()) {
            *problem = QStringLiteral("the CA file %1 cannot be read").arg(caFile);
            return false;
        } else {
            rc = mosquitto_tls_set(m_mosq, QFile::encodeName(caFile).constData(), nullptr, nullptr,
                                   nullptr, nullptr);
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            *problem = QStringLiteral("TLS cannot be set up: %1").arg(errorText(rc));
            return false;
        }
    }
    m_network = std::thread([this, address] { run(address); });
    return true;
}

int MqttClient::publish(const QString& topic, const QByteArray& payload, int qos, bool retain) {
    int mid = 0;
    const int rc = mosquitto_publish(m_mosq, &mid, topic.toUtf8().constData(), int(payload.size()),
                                     payload.constData(), qos, retain);
    return rc == MOSQ_ERR_SUCCESS ? mid : -1;
}

void MqttClient::run(BrokerAddress address) {
    const QByteArray host = address.host.toUtf8();
    int pause = 1;
    bool everTried = false;
    for (;;) {
        {
            std::lock_guard lock(m_stopLock);
            if (m_stopping)
                return;
        }
        // The connection is made in the loop below, which looks at m_stopping while it waits: a
        // silent host does not hold up the client's end.
        int rc = everTried ? mosquitto_reconnect_async(m_mosq)
                           : mosquitto_connect_async(m_mosq, host.constData(), address.port,
                                                     KeepAliveSeconds);
        everTried = true;
        if (rc == MOSQ_ERR_SUCCESS) {
            std::optional<std::chrono::steady_clock::time_point> goodbyeBy;
            while ((rc = mosquitto_loop(m_mosq, 200, 1)) == MOSQ_ERR_SUCCESS) {
                std::lock_guard lock(m_stopLock);
                if (!m_stopping)
                    continue;
                if (!goodbyeBy)
                    goodbyeBy = std::chrono::steady_clock::now() + GoodbyeTime;
                if (!m_connected || std::chrono::steady_clock::now() > *goodbyeBy)
                    return;
            }
            if (m_connected.exchange(false))
                pause = 1;
        }
        lose(errorText(rc));
        std::unique_lock lock(m_stopLock);
        if (m_stopSignal.wait_for(lock, std::chrono::seconds(pause), [this] { return m_stopping; }))
            return;
        pause = std::min(pause * 2, MaxRetrySeconds);
    }
}

void MqttClient::lose(const QString& reason) {
    if (m_lossReported)
        return;
    m_lossReported = true;
    emit connectionLost(reason);
}

void MqttClient::onConnect(mosquitto* mosq, void* self, int rc) {
    auto* client = static_cast<MqttClient*>(self);
    if (rc != 0) {
        client->lose(QString::fromUtf8(mosquitto_connack_string(rc)));
        return;
    }
    for (const QString& filter : client->m_subscriptions)
        mosquitto_subscribe(mosq, nullptr, filter.toUtf8().constData(), 1);
    client->m_connected = true;
    client->m_lossReported = false;
    emit client->connected();
}

void MqttClient::onDisconnect(mosquitto*, void* self, int) {
    static_cast<MqttClient*>(self)->m_connected = false;
}

void MqttClient::onPublish(mosquitto*, void* self, int mid) {
    emit static_cast<MqttClient*>(self)->published(mid);
}

void MqttClient::onMessage(mosquitto*, void* self, const mosquitto_message* message) {
    emit static_cast<MqttClient*>(self)->messageReceived(
        QString::fromUtf8(message->topic),
        QByteArray(static_cast<const char*>(message->payload), message->payloadlen));
}

} // namespace fleet
