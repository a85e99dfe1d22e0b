// SPDX-License-Identifier: MIT
#include "radio/comm_port.h"

#include <QDeadlineTimer>
#include <QMetaObject>
#include <QPointer>

#include <utility>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace radio {

namespace {

struct LineSpeed {
    const char* settings;
    qint32 baudRate;
};

constexpr LineSpeed LineSpeeds[] = {
    {"19200,n,8,1", 19200},
    {"38400,n,8,1", 38400},
    {"57600,n,8,1", 57600},
    {"115200,n,8,1", 115200},
};

// Errors that say nothing about the line: a bounded wait ran out, a setting was refused.
bool breaksLink(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
    case QSerialPort::UnsupportedOperationError:
    case QSerialPort::NotOpenError:
        return false;
    default:
        return true;
    }
}

} // namespace

CommPort::CommPort(QObject* parent) : QObject(parent) {
    connect(&m_serial, &QSerialPort::readyRead, this, &CommPort::readReceived);
    connect(&m_serial, &QSerialPort::errorOccurred, this, &CommPort::handleError);
}

CommPort::~CommPort() {
    m_serial.disconnect(this);
    if (m_serial.isOpen())
        closePort();
}

void CommPort::setPortDirectory(PortDirectory directory) {
    m_directory = std::move(directory);
}

bool CommPort::setCommPort(int port) {
    if (m_serial.isOpen()) {
        m_errorString = tr("The port is open");
        return false;
    }
    if (port < 1) {
        m_errorString = tr("There is no port %1").arg(port);
        return false;
    }
    m_port = port;
    return true;
}

QString CommPort::devicePath() const {
    return m_directory.devicePath(m_port);
}

bool CommPort::setSettings(const QString& settings) {
    for (const LineSpeed& speed : LineSpeeds) {
        if (settings != QLatin1String(speed.settings))
            continue;
        if (m_serial.isOpen() && !m_serial.setBaudRate(speed.baudRate)) {
            m_serial.setBaudRate(m_baudRate);
            return false;
        }
        m_settings = QLatin1String(speed.settings);
        m_baudRate = speed.baudRate;
        return true;
    }
    return false;
}

void CommPort::applySettings() {
    m_serial.setBaudRate(m_baudRate);
    m_serial.setDataBits(QSerialPort::Data8);
    m_serial.setParity(QSerialPort::NoParity);
    m_serial.setStopBits(QSerialPort::OneStop);
    m_serial.setFlowControl(QSerialPort::NoFlowControl);
}

bool CommPort::PortOpen() const {
    return m_serial.isOpen();
}

bool CommPort::setPortOpen(bool open) {
    if (open == m_serial.isOpen())
        return true;
    if (!open)
        return closePort();

    const QString path = devicePath();
    if (path.isEmpty()) {
        m_errorString = tr("Com %1 has no device").arg(m_port);
        return false;
    }
    m_inBuffer.clear();
    m_events.clear();
    m_openPath = path;
    m_serial.setPortName(path);
    applySettings();
    if (!m_serial.open(QIODevice::ReadWrite)) {
        m_errorString = QStringLiteral("%1: %2").arg(path, m_serial.errorString());
        return false;
    }
    m_linkFailed = false;
    ++m_openCount;
    return true;
}

bool CommPort::closePort() {
    bool sent = true;
    const QDeadlineTimer deadline(DrainTimeoutMs);
    while (m_serial.bytesToWrite() > 0 && !m_linkFailed) {
        if (deadline.hasExpired() ||
            !m_serial.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
            sent = false;
            m_errorString = tr("%1: the output could not be sent").arg(m_openPath);
            break;
        }
    }
    m_serial.close();
    m_inBuffer.clear();
    m_events.clear();
    return sent;
}

bool CommPort::Output(QByteArrayView text) {
    if (!m_serial.isOpen() || m_linkFailed) {
        m_errorString = tr("The port is not open");
        return false;
    }
    // Handed to the device at once, straight to its descriptor while nothing else waits to go
    // out: a request needs neither a turn of the event loop nor a write notification. What the
    // device does not take at once goes as the event loop finds it ready, or when the port closes.
    qsizetype sent = 0;
#ifndef Q_OS_WIN
    if (m_serial.bytesToWrite() == 0) {
        const ssize_t n = ::write(int(m_serial.handle()), text.data(), size_t(text.size()));
        sent = n > 0 ? qsizetype(n) : 0;
    }
#endif
    if (sent == text.size())
        return true;
    const qsizetype rest = text.size() - sent;
    if (m_serial.write(text.data() + sent, rest) != rest)
        return false;
    m_serial.flush();
    return true;
}

QByteArray CommPort::Input() {
    return std::exchange(m_inBuffer, QByteArray());
}

void CommPort::setRThreshold(int characters) {
    m_rThreshold = characters;
}

void CommPort::clearError() {
    m_errorString.clear();
    m_serial.clearError();
}

void CommPort::readReceived() {
    const QByteArray chunk = m_serial.readAll();
    if (chunk.isEmpty())
        return;
    m_inBuffer.append(chunk);
    if (m_rThreshold > 0)
        queueEvents(DataReceived, chunk.size());
}

void CommPort::handleError(QSerialPort::SerialPortError error) {
    if (error == QSerialPort::NoError)
        return;
    m_errorString = QStringLiteral("%1: %2").arg(m_openPath, m_serial.errorString());
    if (!m_serial.isOpen() || !breaksLink(error) || m_linkFailed)
        return;
    m_linkFailed = true;
    // A hung-up device reads as end of file, with no system error of its own to report.
    m_errorString = tr("%1: the connection to the device was lost").arg(m_openPath);
    queueEvents(LinkErrorBase + error, 1);
    // Closing must wait until the serial port has left the notification that reported the error.
    QMetaObject::invokeMethod(
        this,
        [this, message = m_errorString, episode = m_openCount] {
            if (episode == m_openCount && m_serial.isOpen())
                m_serial.close();
            emit linkError(message);
        },
        Qt::QueuedConnection);
}

void CommPort::queueEvents(int code, qsizetype count) {
    if (!m_events.isEmpty() && m_events.last().code == code)
        m_events.last().count += count;
    else
        m_events.append({code, count});
    // Handled where it arrives; a nested event loop inside a slot only adds to the queue that the
    // outer delivery is working through.
    if (!m_delivering)
        deliverEvents();
}

void CommPort::deliverEvents() {
    // A slot may take the buffer, close the port, run a nested event loop, or delete this object;
    // the queue is consulted afresh for every event.
    const QPointer<CommPort> self(this);
    m_delivering = true;
    while (self && !m_events.isEmpty()) {
        PendingEvents& next = m_events.first();
        m_commEvent = next.code;
        if (--next.count == 0)
            m_events.removeFirst();
        emit OnComm();
    }
    if (self)
        m_delivering = false;
}

} // namespace radio
