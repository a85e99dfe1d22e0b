// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/broker_address.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

struct mosquitto;
struct mosquitto_message;

namespace fleet {

// A client of the MQTT broker, over libmosquitto.
//
// Contract. Every member is called on the thread that made the object (the owner's). The network
// runs on a thread of the client's own, which connects, reconnects after a growing pause (1 s to
// MaxRetrySeconds) whenever the broker cannot be reached or drops the connection, and keeps
// QoS 1 messages it was given until the broker has them, across reconnections. What it learns
// comes back as the signals below, queued to the owner's thread in the order it learnt it. The
// owner's thread never waits on the network; only the destructor joins the network's thread.
class MqttClient : public QObject {
    Q_OBJECT

public:
    static constexpr int MaxRetrySeconds = 8;
    static constexpr int KeepAliveSeconds = 30;

    // cleanSession false keeps the client's subscriptions and the messages for it at the broker
    // while it is away; clientId must then be the same at every run.
    MqttClient(const QString& clientId, bool cleanSession, QObject* parent = nullptr);
    // Sends a clean disconnect when connected (the last will is then not published).
    ~MqttClient() override;

    // Before start(): the message the broker publishes when the client goes without saying so.
    void setWill(const QString& topic, const QByteArray& payload, bool retain);
    // Topics subscribed to (QoS 1) at every connection.
    void addSubscription(const QString& topicFilter);
    // Starts the network thread; false with the reason when the address cannot be used at all
    // (a CA file that cannot be read, say).
    bool start(const BrokerAddress& address, const QString& caFile, QString* problem);

    bool isConnected() const { return m_connected; }
    // Hands a message to the network thread: its id for `published`, or -1 when it could not be
    // queued. A QoS 1 message is kept until the broker acknowledges it.
    int publish(const QString& topic, const QByteArray& payload, int qos, bool retain);

signals:
    void connected();
    // Once per lost or refused connection attempt after the last success, with the reason.
    void connectionLost(const QString& reason);
    // The broker has a QoS 1 message, or a QoS 0 message was written.
    void published(int messageId);
    void messageReceived(const QString& topic, const QByteArray& payload);

private:
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onPublish(mosquitto*, void* self, int mid);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);

    void run(BrokerAddress address);
    void lose(const QString& reason);
    void pauseBeforeRetry(int& seconds);

    mosquitto* m_mosq = nullptr;
    QStringList m_subscriptions;
    std::thread m_network;
    std::mutex m_stopLock;
    std::condition_variable m_stopSignal;
    bool m_stopping = false; // guarded by m_stopLock
    std::atomic<bool> m_connected{false};
    bool m_lossReported = false; // network thread only
};

} // namespace fleet
