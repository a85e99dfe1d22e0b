// SPDX-License-Identifier: MIT
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace testing {

// A Mosquitto broker of the test's own on a free port of 127.0.0.1, with its configuration and
// persistence in a temporary folder. It can be stopped and started again on the same port, with
// what it persisted.
class MqttBroker {
public:
    MqttBroker();
    ~MqttBroker();

    // Anonymous clients are refused once a user is required.
    void requireUser(const QString& user, const QString& password);
    // Before start(): the broker takes only TLS, with a certificate for 127.0.0.1 signed by a CA
    // of its own, whose certificate this returns (empty, with error(), when openssl failed).
    QString useTls();
    // Starts it and waits until it takes connections; false with error() otherwise.
    bool start();
    void stop();
    int port() const { return m_port; }
    // mqtt://127.0.0.1:<port> (mqtts:// with TLS), with user and password when given.
    QString url(const QString& userInfo = QString()) const;
    const QString& error() const { return m_error; }
    // What the broker logged.
    QString log();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
    QString m_passwords;
    QByteArray m_tlsConfig;
    QString m_error;
    QString m_log;
};

} // namespace testing
