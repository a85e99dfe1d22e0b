// SPDX-License-Identifier: MIT
#include "app/remote_view.h"

#include "fleet/loop_records.h"
#include "fleet/site_listener.h"

#include <utility>

namespace app {

QString siteStatusText(const fleet::SiteStatus& status) {
    return status.site + (status.online ? QStringLiteral(": online") : QStringLiteral(": offline"));
}

RemoteView::RemoteView(const fleet::BrokerAddress& address, const QString& site, QObject* parent)
    : QObject(parent), m_address(address), m_site(site),
      m_statusText(site + QStringLiteral(": connecting")) {}

RemoteView::~RemoteView() = default;

bool RemoteView::start(QString* problem) {
    if (!m_folder.isValid()) {
        *problem = m_folder.errorString();
        return false;
    }
    if (!m_file.create(m_folder.filePath(m_site + QStringLiteral(".dat")))) {
        *problem = m_file.errorString();
        return false;
    }
    m_listener = std::make_unique<fleet::SiteListener>(m_address, m_site);
    connect(m_listener.get(), &fleet::SiteListener::loopReceived, this, &RemoteView::take);
    connect(m_listener.get(), &fleet::SiteListener::statusReceived, this,
            [this](const fleet::SiteStatus& status) { say(siteStatusText(status)); });
    connect(m_listener.get(), &fleet::SiteListener::alarmReceived, this,
            &RemoteView::alarmReceived);
    connect(m_listener.get(), &fleet::SiteListener::connectionLost, this,
            [this] { say(m_site + QStringLiteral(": the broker cannot be reached")); });
    if (!m_listener->start(problem)) {
        m_listener.reset();
        return false;
    }
    return true;
}

void RemoteView::stopListening() {
    m_listener.reset();
}

void RemoteView::say(const QString& text) {
    if (text == m_statusText)
        return;
    m_statusText = text;
    emit statusChanged(text);
}

void RemoteView::take(const fleet::SiteLoop& loop) {
    const QString key = loop.scan + QLatin1Char('/') + QString::number(loop.loop);
    if (m_seen.contains(key))
        return;
    const qint32 n = loopCount() + 1;
    const recording::ScanRecord record = fleet::recordOfSiteLoop(loop, n);
    if (!m_file.writeRecord(n, record)) {
        // Said once: the loops that follow would fail alike.
        if (!std::exchange(m_writeFailed, true))
            emit failed(QStringLiteral("A loop of %1 could not be kept (%2).\r\n\r\nLoops that "
                                       "cannot be written are not shown.")
                            .arg(m_site, m_file.errorString()));
        return;
    }
    m_seen.insert(key);
    m_arrived.append({loop.scan, loop.loop, loop.start});
    emit loopAdded(n, record);
}

QString RemoteView::proposedSaveName() const {
    const QString scan = m_arrived.isEmpty() ? QStringLiteral("remote") : m_arrived.first().scan;
    return scan + QLatin1Char('_') + m_site + QStringLiteral(".dat");
}

recording::SaveResult RemoteView::save(const QString& dataFolder,
                                       const QString& scanFileName) const {
    return recording::saveScanCopy(scanPath(), dataFolder, scanFileName);
}

} // namespace app
