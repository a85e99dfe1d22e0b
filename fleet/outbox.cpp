// SPDX-License-Identifier: MIT
#include "fleet/outbox.h"

#include "core/wall_clock.h"
#include "fleet/loop_records.h"
#include "fleet/mqtt_client.h"
#include "recording/data_folder.h"
#include "recording/scan_file.h"
#include "recording/scan_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace fleet {

namespace {

constexpr int SaveDelayMs = 1000;
constexpr int RetryMs = 1000;
// "yyyy-MM-dd_HH-mm-ss": the part of a scan's name that says when it began.
constexpr int StartNameLength = 19;

} // namespace

Outbox::Outbox(MqttClient& client, const BrokerAddress& address, const SiteStatus& online,
               const QString& dataFolder, QObject* parent)
    : QObject(parent), m_client(client), m_address(address), m_online(online),
      m_dataFolder(dataFolder) {
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(SaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &Outbox::saveState);
    m_retryTimer.setInterval(RetryMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &Outbox::pump);
    connect(&client, &MqttClient::connected, this, &Outbox::connected);
    connect(&client, &MqttClient::published, this, &Outbox::acknowledged);
    connect(&client, &MqttClient::messageReceived, this,
            [this](const QString& topic, const QByteArray& payload) {
                if (topic == m_address.resendTopic(m_online.site))
                    resendAsked(payload);
            });
    client.addSubscription(address.resendTopic(online.site));
}

Outbox::~Outbox() {
    if (m_saveTimer.isActive())
        saveState();
}

QString Outbox::stateFilePath(const QString& dataFolder) {
    return QDir::cleanPath(dataFolder) + QStringLiteral(".published");
}

bool Outbox::load(QString* problem) {
    QFile file(stateFilePath(m_dataFolder));
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            *problem =
                QStringLiteral("%1 cannot be read: %2").arg(file.fileName(), file.errorString());
            return false;
        }
        while (!file.atEnd()) {
            const QList<QByteArray> fields = file.readLine().trimmed().split('\t');
            if (fields.size() != 2)
                continue;
            if (fields[0] == "since")
                m_since = QString::fromUtf8(fields[1]);
            else
                m_stateRead[QString::fromUtf8(fields[0])] = fields[1].toInt();
        }
    }
    if (m_since.isEmpty()) {
        m_since =
            recording::defaultScanName(core::nowToTheSecond(), QString()).left(StartNameLength);
        saveState();
    }
    indexFolder();
    m_retryTimer.start();
    return true;
}

std::optional<QString> Outbox::scanNameOfFile(const QString& path) const {
    recording::ScanFile file;
    if (!file.openForReading(path))
        return std::nullopt;
    const auto first = file.readRecord(1);
    if (!first)
        return std::nullopt;
    return fleetScanName(*first);
}

qint32 Outbox::loopsIn(const QString& path) const {
    return qint32(recording::wholeRecordCount(QFileInfo(path).size()));
}

void Outbox::indexFolder() {
    const QDir folder(m_dataFolder);
    const QStringList files =
        folder.entryList({QStringLiteral("*.dat"), QStringLiteral("*.DAT")}, QDir::Files);
    for (const QString& name : files) {
        const QString path = folder.filePath(name);
        const auto scan = scanNameOfFile(path);
        if (!scan || scan->left(StartNameLength) < m_since)
            continue;
        Scan& entry = m_scans[*scan];
        entry.path = path;
        if (const auto read = m_stateRead.find(*scan); read != m_stateRead.end())
            entry.acknowledged = std::max(entry.acknowledged, read->second);
        entry.handedOver = std::max(entry.handedOver, entry.acknowledged);
        if (path == recording::recordingFilePath(m_dataFolder))
            m_recording = *scan;
    }
}

void Outbox::loopRecorded(const recording::ScanRecord& record) {
    if (record.LoopNumber == 1) {
        const auto scan = fleetScanName(record);
        if (!scan)
            return;
        m_recording = *scan;
        m_scans[*scan].path = recording::recordingFilePath(m_dataFolder);
    }
    pump();
}

void Outbox::recordingSaved(const QString& savedName) {
    if (const auto it = m_scans.find(m_recording); it != m_scans.end())
        it->second.path = QDir(m_dataFolder).filePath(savedName);
    m_recording.clear();
    pump();
}

qint64 Outbox::waitingLoops() const {
    qint64 waiting = 0;
    for (const auto& [name, scan] : m_scans)
        waiting += std::max(0, loopsIn(scan.path) - scan.acknowledged);
    return waiting;
}

void Outbox::connected() {
    m_client.publish(m_address.statusTopic(m_online.site), statusMessage(m_online), 1, true);
    pump();
}

void Outbox::pump() {
    if (!m_client.isConnected())
        return;
    for (auto& [name, scan] : m_scans) {
        if (m_inFlight.size() >= MaxInFlight)
            return;
        const qint32 available = loopsIn(scan.path);
        if (scan.handedOver >= available)
            continue;
        // The recording may have been emptied for another scan since it was indexed. The scan
        // being recorded is only ever looked at again: its file is being written.
        if (scanNameOfFile(scan.path) != name) {
            if (name != m_recording)
                scan.handedOver = available;
            continue;
        }
        while (scan.handedOver < available && m_inFlight.size() < MaxInFlight) {
            if (publishLoop(name, scan.handedOver + 1, true) == Publication::NotYet)
                return; // the retry timer comes back
            ++scan.handedOver;
        }
    }
}

std::pair<QString, qint32> Outbox::previousScan(const QString& scan) const {
    const auto it = m_scans.find(scan);
    if (it == m_scans.end() || it == m_scans.begin())
        return {};
    const auto previous = std::prev(it);
    return {previous->first, loopsIn(previous->second.path)};
}

Outbox::Publication Outbox::publishLoop(const QString& scan, qint32 loop, bool tracked) {
    const auto it = m_scans.find(scan);
    if (it == m_scans.end())
        return Publication::Unusable;
    // The recording is being written: what cannot be read of it now can be later. A saved scan
    // that cannot be read is left out.
    const Publication unreadable =
        scan == m_recording ? Publication::NotYet : Publication::Unusable;
    recording::ScanFile file;
    if (!file.openForReading(it->second.path))
        return unreadable;
    const auto record = file.readRecord(loop);
    if (!record)
        return unreadable;
    auto message = siteLoopOfRecord(*record, m_online.site, scan);
    if (!message)
        return Publication::Unusable;
    std::tie(message->previousScan, message->previousLoops) = previousScan(scan);
    const int id =
        m_client.publish(m_address.loopTopic(m_online.site), loopMessage(*message), 1, false);
    if (id < 0)
        return Publication::NotYet;
    if (tracked)
        m_inFlight.insert(id, {scan, loop});
    return Publication::Sent;
}

void Outbox::acknowledged(int messageId) {
    const auto it = m_inFlight.find(messageId);
    if (it == m_inFlight.end())
        return;
    const InFlight done = it.value();
    m_inFlight.erase(it);
    if (const auto scan = m_scans.find(done.scan); scan != m_scans.end()) {
        Scan& s = scan->second;
        s.acknowledgedBeyond.insert(done.loop);
        while (!s.acknowledgedBeyond.empty() &&
               *s.acknowledgedBeyond.begin() <= s.acknowledged + 1) {
            s.acknowledged = std::max(s.acknowledged, *s.acknowledgedBeyond.begin());
            s.acknowledgedBeyond.erase(s.acknowledgedBeyond.begin());
        }
    }
    if (!m_saveTimer.isActive())
        m_saveTimer.start();
    pump();
    if (m_inFlight.isEmpty() && waitingLoops() == 0)
        emit caughtUp();
}

void Outbox::resendAsked(const QByteArray& payload) {
    QString why;
    const auto request = parseResendMessage(payload, &why);
    if (!request)
        return;
    if (m_scans.find(request->scan) == m_scans.end())
        indexFolder();
    for (const qint32 loop : request->loops)
        publishLoop(request->scan, loop, false);
}

void Outbox::saveState() {
    QSaveFile file(stateFilePath(m_dataFolder));
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QByteArray text = "since\t" + m_since.toUtf8() + '\n';
        for (const auto& [name, scan] : m_scans)
            text += name.toUtf8() + '\t' + QByteArray::number(scan.acknowledged) + '\n';
        file.write(text);
        if (file.commit()) {
            m_stateFailed = false;
            return;
        }
    }
    if (!m_stateFailed)
        emit problem(QStringLiteral("%1 cannot be written (%2): after a restart, loops already "
                                    "published may go out again")
                         .arg(file.fileName(), file.errorString()));
    m_stateFailed = true;
}

} // namespace fleet
