// SPDX-License-Identifier: MIT
#include "tests/support/mqtt_broker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace testing {

namespace {

constexpr int StartBound = 20000; // ms

// A free port from a block of this test program's own. A port the system picks may be one that
// another test program's broker has just let go of, while that program's recorder still dials it:
// the recorder would then publish into this broker, and take over the session of a client with
// its site's name.
int freePort() {
    constexpr int FirstPort = 20000;
    constexpr int BlockSize = 30;
    static int taken = 0;
    const int block = FirstPort + int(QCoreApplication::applicationPid() % 1000) * BlockSize;
    while (taken < BlockSize) {
        const int port = block + taken++;
        QTcpServer server;
        if (server.listen(QHostAddress::LocalHost, quint16(port)))
            return port;
    }
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

} // namespace

MqttBroker::MqttBroker() : m_port(freePort()) {
    // Started as root, the broker drops to its own user, which must write its persistence.
    QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther);
}

MqttBroker::~MqttBroker() {
    stop();
}

void MqttBroker::requireUser(const QString& user, const QString& password) {
    m_passwords = m_dir.filePath(QStringLiteral("passwords"));
    QProcess tool;
    tool.start(QStringLiteral("mosquitto_passwd"), {"-c", "-b", m_passwords, user, password});
    tool.waitForFinished(StartBound);
    QFile::setPermissions(m_passwords, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadOther);
}

QString MqttBroker::useTls() {
    const auto path = [this](const char* name) {
        return m_dir.filePath(QString::fromLatin1(name));
    };
    QFile extensions(path("server.ext"));
    if (!extensions.open(QIODevice::WriteOnly) ||
        extensions.write("subjectAltName=IP:127.0.0.1\n") < 0)
        return QString();
    extensions.close();
    const QList<QStringList> steps{
        {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", path("ca.key"), "-out",
         path("ca.crt"), "-days", "2", "-subj", "/CN=korlan test CA"},
        {"req", "-newkey", "rsa:2048", "-nodes", "-keyout", path("server.key"), "-out",
         path("server.csr"), "-subj", "/CN=127.0.0.1"},
        {"x509", "-req", "-in", path("server.csr"), "-CA", path("ca.crt"), "-CAkey", path("ca.key"),
         "-CAcreateserial", "-out", path("server.crt"), "-days", "2", "-extfile",
         path("server.ext")}};
    for (const QStringList& step : steps) {
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"), step);
        if (!openssl.waitForFinished(StartBound) || openssl.exitCode() != 0) {
            m_error =
                QStringLiteral("openssl failed: ") + QString::fromLocal8Bit(openssl.readAll());
            return QString();
        }
    }
    // The broker, as its own user, reads its key.
    QFile::setPermissions(path("server.key"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadOther);
    m_tlsConfig = "cafile " + path("ca.crt").toUtf8() + "\ncertfile " +
                  path("server.crt").toUtf8() + "\nkeyfile " + path("server.key").toUtf8() + "\n";
    return path("ca.crt");
}

bool MqttBroker::start() {
    const QString config = m_dir.filePath(QStringLiteral("mosquitto.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = file.errorString();
        return false;
    }
    QByteArray text = "listener " + QByteArray::number(m_port) + " 127.0.0.1\n";
    text += "persistence true\npersistence_location " + m_dir.path().toUtf8() + "/\n";
    text += "max_queued_messages 100000\n" + m_tlsConfig;
    if (m_passwords.isEmpty())
        text += "allow_anonymous true\n";
    else
        text += "allow_anonymous false\npassword_file " + m_passwords.toUtf8() + "\n";
    file.write(text);
    file.close();

    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), config});
    if (!m_process.waitForStarted(StartBound)) {
        m_error = QStringLiteral("mosquitto did not start: ") + m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(StartBound);
    while (!deadline.hasExpired()) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, quint16(m_port));
        if (probe.waitForConnected(1000))
            return true;
        if (m_process.state() == QProcess::NotRunning)
            break;
        QThread::msleep(20);
    }
    m_error = QStringLiteral("mosquitto does not take connections on port %1:\n%2")
                  .arg(m_port)
                  .arg(log());
    return false;
}

void MqttBroker::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate(); // it writes its persistence as it goes
    if (!m_process.waitForFinished(StartBound)) {
        m_process.kill();
        m_process.waitForFinished(StartBound);
    }
}

QString MqttBroker::url(const QString& userInfo) const {
    const QString user = userInfo.isEmpty() ? QString() : userInfo + QLatin1Char('@');
    return (m_tlsConfig.isEmpty() ? QStringLiteral("mqtt://") : QStringLiteral("mqtts://")) + user +
           QStringLiteral("127.0.0.1:") + QString::number(m_port);
}

QString MqttBroker::log() {
    m_log += QString::fromLocal8Bit(m_process.readAll());
    return m_log;
}

} // namespace testing
