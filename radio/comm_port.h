// SPDX-License-Identifier: MIT
#pragma once

#include "radio/port_directory.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>

namespace radio {

// The serial port the radio hangs on, reduced to the operations the program uses.
//
// Text goes out unchanged. Received characters collect in a receive buffer that Input() takes
// whole. While RThreshold is 1 or more, every received character raises one OnComm: a chunk of n
// characters raises n events, delivered one after the other as the chunk arrives, and the first
// Input() in them takes all n, so the later ones find the buffer empty. A slot may call Input(),
// close the port or process events (characters arriving meanwhile queue behind the events still
// being delivered); closing drops the events still to come.
//
// An error on an open port (the adapter unplugged, the far end of a pseudo-terminal gone) is one
// episode: CommEvent() becomes LinkErrorBase + the QSerialPort error, one OnComm and one
// linkError() are raised, and the port closes itself so that the device can come back under its
// name; further errors of the episode stay quiet. Opening the port again starts a new episode.
// Failures of the operations themselves are reported by their results and errorString().
class CommPort : public QObject {
    Q_OBJECT

public:
    // CommEvent() values.
    static constexpr int DataReceived = 2;
    static constexpr int LinkErrorBase = 1000; // + QSerialPort::SerialPortError
    // The line until setSettings chooses one of the four speeds.
    static inline const QString DefaultSettings = QStringLiteral("9600,n,8,1");

    explicit CommPort(QObject* parent = nullptr);
    ~CommPort() override;

    void setPortDirectory(PortDirectory directory);
    const PortDirectory& portDirectory() const { return m_directory; }

    // Port number 1 ... PortDirectory::PortCount, resolved to a device when the port opens.
    // False, keeping the number, while the port is open or for a number below 1.
    bool setCommPort(int port);
    int commPort() const { return m_port; }
    // The device the current port number resolves to now; empty when nothing maps.
    QString devicePath() const;

    // "19200,n,8,1", "38400,n,8,1", "57600,n,8,1" or "115200,n,8,1"; false for any other text,
    // which leaves the current settings. An open port changes speed at once.
    bool setSettings(const QString& settings);
    const QString& Settings() const { return m_settings; }

    // Opening an open port or closing a closed one succeeds without doing anything. Closing
    // sends what is still waiting to go out, for at most DrainTimeoutMs, then empties the receive
    // buffer and drops the events not yet delivered; it is false when the output could not be
    // sent in that time, and the port is closed all the same.
    bool setPortOpen(bool open);
    bool PortOpen() const;

    // False when the port is not open or the text cannot be handed to the device.
    bool Output(QByteArrayView text);
    QByteArray Input();
    int InBufferCount() const { return static_cast<int>(m_inBuffer.size()); }

    // 0 (the default): received characters raise no event; 1 or more: one event per character.
    void setRThreshold(int characters);
    int RThreshold() const { return m_rThreshold; }

    // The reason for the OnComm being delivered: DataReceived or LinkErrorBase + an error. 0 before
    // the first event.
    int CommEvent() const { return m_commEvent; }

    // The last failure, empty when there was none since clearError().
    const QString& errorString() const { return m_errorString; }
    void clearError();

    static constexpr int DrainTimeoutMs = 500;

signals:
    void OnComm();
    void linkError(const QString& message);

private:
    struct PendingEvents {
        int code;
        qsizetype count;
    };

    void applySettings();
    bool closePort();
    void readReceived();
    void handleError(QSerialPort::SerialPortError error);
    void queueEvents(int code, qsizetype count);
    void deliverEvents();

    QSerialPort m_serial;
    PortDirectory m_directory;
    int m_port = 1;
    QString m_settings = DefaultSettings;
    qint32 m_baudRate = 9600;
    int m_rThreshold = 0;
    int m_commEvent = 0;
    QString m_errorString;
    QString m_openPath; // the device opened last
    QByteArray m_inBuffer;
    QList<PendingEvents> m_events;
    bool m_delivering = false;
    bool m_linkFailed = false; // an error episode since the port was opened
    quint64 m_openCount = 0;
};

} // namespace radio
