// SPDX-License-Identifier: MIT
#pragma once

#include "fleet/broker_address.h"
#include "fleet/fleet_messages.h"
#include "recording/scan_file.h"
#include "recording/scan_library.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QTemporaryDir>

#include <memory>

namespace fleet {
class SiteListener;
}

namespace app {

// "north: online", as the window says how a site stands.
QString siteStatusText(const fleet::SiteStatus& status);

// A remote radio watched through the broker, without a widget: the site's loops as they arrive,
// kept in a scan file of a temporary folder that the window plays back like any scan, record n
// being the n-th loop that arrived. A loop that comes again (a site resends loops for the store)
// is kept once. Listening can end while what arrived is kept. It lives on the window's thread.
class RemoteView : public QObject {
    Q_OBJECT

public:
    // Which loop of which scan at the site a record holds.
    struct ArrivedLoop {
        QString scan;
        qint32 loop = 0;
        QDateTime start; // with the site's offset from UTC
        friend bool operator==(const ArrivedLoop& a, const ArrivedLoop& b) {
            return a.scan == b.scan && a.loop == b.loop;
        }
    };

    RemoteView(const fleet::BrokerAddress& address, const QString& site, QObject* parent = nullptr);
    ~RemoteView() override;

    // Creates the empty scan file and begins to listen; false with the reason otherwise.
    bool start(QString* problem);
    // The broker is no longer listened to; the loops stay.
    void stopListening();
    bool isListening() const { return m_listener != nullptr; }

    const QString& site() const { return m_site; }
    QString scanPath() const { return m_file.path(); }
    qint32 loopCount() const { return qint32(m_arrived.size()); }
    const QList<ArrivedLoop>& arrived() const { return m_arrived; }
    // "north: online", "north: offline", or what keeps the site from being heard.
    const QString& statusText() const { return m_statusText; }

    // The name offered when the loops are saved: the first loop's scan and the site,
    // "2026-12-07_11-20-05_north.dat".
    QString proposedSaveName() const;
    recording::SaveResult save(const QString& dataFolder, const QString& scanFileName) const;

signals:
    // The loop is record n of the file.
    void loopAdded(qint32 n, const recording::ScanRecord& record);
    void statusChanged(const QString& text);
    // A level alarm of the site began or ended.
    void alarmReceived(const fleet::SiteAlarm& alarm);
    // A loop could not be written: the reason.
    void failed(const QString& text);

private:
    void take(const fleet::SiteLoop& loop);
    void say(const QString& text);

    fleet::BrokerAddress m_address;
    QString m_site;
    QTemporaryDir m_folder;
    recording::ScanFile m_file;
    std::unique_ptr<fleet::SiteListener> m_listener;
    QList<ArrivedLoop> m_arrived;
    QSet<QString> m_seen; // scan/loop of every loop kept
    QString m_statusText;
    bool m_writeFailed = false;
};

} // namespace app
