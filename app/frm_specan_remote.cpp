// SPDX-License-Identifier: MIT
// Watching a remote radio: its site's loops arrive through the broker into a scan file that the
// window plays back, newest loop on display; Start and the radio's limits rest meanwhile.
#include "app/frm_specan.h"

#include "app/frm_remote_radio.h"
#include "app/msg_box.h"
#include "core/time_scale.h"
#include "display/up_down.h"
#include "recording/frm_dlg_file_save.h"
#include "recording/scan_names.h"
#include "settings/remote_settings.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

namespace app {

namespace {

const QString RemoteTitle = QStringLiteral("Remote Radio");

} // namespace

frmRemoteRadio* frmSpecAn::remoteRadioDialog() const {
    return m_remoteRadio;
}

recording::frmDlgFileSave* frmSpecAn::remoteSaveDialog() const {
    return m_remoteSave;
}

void frmSpecAn::wireRemote() {
    connect(mnuRemoteRadio, &QAction::triggered, this, &frmSpecAn::mnuRemoteRadio_Click);
    connect(mnuLocalRadio, &QAction::triggered, this, &frmSpecAn::mnuLocalRadio_Click);
    connect(mnuSaveRemote, &QAction::triggered, this, &frmSpecAn::mnuSaveRemote_Click);
    using engine::EngineThread;
    // After the window's own handling: the remote loops that came meanwhile follow.
    connect(&engine(), &EngineThread::scanFileOpened, this, &frmSpecAn::remoteScanFileOpened);
    // "Run Forever" may connect the local radio by itself: the local radio takes over.
    connect(&engine(), &EngineThread::connecting, this, [this] {
        if (watchingRemote())
            leaveRemoteView();
    });
    connect(&engine(), &EngineThread::scanStarted, this, &frmSpecAn::dropRemoteLoops);
    connect(mnuDisplay, &QMenu::aboutToShow, this, [this] {
        mnuRemoteRadio->setEnabled(!engine().ScanActive() &&
                                   engine().LinkState() == engine::LinkIdle);
    });
}

void frmSpecAn::showRemoteEntries() {
    mnuLocalRadio->setEnabled(watchingRemote());
    mnuSaveRemote->setEnabled(m_remote && m_remote->loopCount() > 0);
}

void frmSpecAn::mnuRemoteRadio_Click() {
    if (refusedWhileScanning(RemoteTitle))
        return;
    delete m_remoteRadio;
    m_remoteRadio = new frmRemoteRadio(this);
    connect(m_remoteRadio, &QDialog::finished, this, &frmSpecAn::remoteRadioAnswered);
    m_remoteRadio->Form_Load(settings::readRemoteBroker());
    m_remoteRadio->open();
}

void frmSpecAn::remoteRadioAnswered(int result) {
    frmRemoteRadio* dialog = m_remoteRadio;
    if (!dialog)
        return;
    dialog->deleteLater();
    m_remoteRadio = nullptr;
    if (result != QDialog::Accepted || refusedWhileScanning(RemoteTitle))
        return;
    startRemoteView(dialog->address(), dialog->chosenSite());
}

void frmSpecAn::watchStartSite() {
    const auto address = fleet::parseBrokerAddress(m_startRemote.first);
    if (const auto* why = std::get_if<QString>(&address)) {
        MsgBox(*why, MsgBoxButtons::Ok, RemoteTitle);
        return;
    }
    startRemoteView(std::get<fleet::BrokerAddress>(address), m_startRemote.second);
}

void frmSpecAn::startRemoteView(const fleet::BrokerAddress& address, const QString& site) {
    if (watchingRemote())
        leaveRemoteView();
    auto remote = std::make_unique<RemoteView>(address, site);
    QString problem;
    if (!remote->start(&problem)) {
        MsgBox(QStringLiteral("%1 cannot be watched: %2").arg(site, problem), MsgBoxButtons::Ok,
               RemoteTitle);
        return;
    }
    m_remote = std::move(remote);
    m_remoteOpen = false;
    m_remoteShown = 0;
    connect(m_remote.get(), &RemoteView::loopAdded, this,
            [this](qint32 n, const recording::ScanRecord& record) {
                remoteLoopAdded(record);
                const RemoteView::ArrivedLoop& arrived = m_remote->arrived()[n - 1];
                watchAlarmLoop({arrived.loop, arrived.start, record.LastCodes});
            });
    connect(m_remote.get(), &RemoteView::alarmReceived, this, &frmSpecAn::siteAlarmReceived);
    connect(m_remote.get(), &RemoteView::statusChanged, this, &frmSpecAn::setStatusBox);
    connect(m_remote.get(), &RemoteView::failed, this,
            [this](const QString& text) { engineFailure(text, RemoteTitle); });
    for (QWidget* control :
         std::initializer_list<QWidget*>{cmdConnect, udFLLimit, udFULimit, udAtten})
        control->setEnabled(false);
    setStatusBox(m_remote->statusText());
    setStatusBoxShown(true);
    showRemoteEntries();
    engine().OpenScanFile(m_remote->scanPath(), true);
}

// The loops that arrived stay on display and can still be saved.
void frmSpecAn::leaveRemoteView() {
    if (!watchingRemote())
        return;
    m_remote->stopListening();
    disconnect(m_remote.get(), &RemoteView::statusChanged, this, &frmSpecAn::setStatusBox);
    // The site's alarms will not be heard to end any more.
    if (m_alarmBoard.clear(m_remote->site()))
        showStatusBox();
    for (QWidget* control :
         std::initializer_list<QWidget*>{cmdConnect, udFLLimit, udFULimit, udAtten})
        control->setEnabled(true);
    showRemoteEntries();
}

void frmSpecAn::dropRemoteLoops() {
    leaveRemoteView();
    m_remote.reset();
    m_remoteOpen = false;
    showRemoteEntries();
}

void frmSpecAn::mnuLocalRadio_Click() {
    if (!watchingRemote())
        return;
    leaveRemoteView();
    setStatusBox(QStringLiteral("Local Radio"));
}

// Another scan in the engine's file ends the remote view and lets its loops go.
void frmSpecAn::remoteScanFileOpened(const QString& path, qint64 loops) {
    if (!m_remote)
        return;
    if (path != m_remote->scanPath()) {
        dropRemoteLoops();
        return;
    }
    m_remoteOpen = true;
    m_remoteShown = qint32(loops);
    if (loops > 0)
        emit remoteLoopsShown(m_remoteShown);
    showRemoteLoops();
}

// The survey windows that are open took the file as it was when it opened; later loops follow.
void frmSpecAn::remoteLoopAdded(const recording::ScanRecord& record) {
    if (!m_remoteOpen)
        return;
    surveyWindowsAddLoop(record);
    showRemoteLoops();
}

// The newest loop is drawn unless the user looks back at an older one.
void frmSpecAn::showRemoteLoops() {
    const qint32 n = m_remote->loopCount();
    if (!m_remoteOpen || n <= m_remoteShown)
        return;
    if (m_remoteShown == 0) {
        // The first loop gives the scan its start, as an opened scan's does.
        engineScanFileOpened(m_remote->scanPath(), n, true);
    } else {
        const bool newest = scrollTime->value() >= scrollTime->maximum();
        {
            const QSignalBlocker blocker(scrollTime);
            scrollTime->setMaximum(n);
            if (newest)
                scrollTime->setValue(n);
        }
        if (newest)
            scrollTime_Change();
        else
            setStatusCaption(lblCount,
                             QStringLiteral("Count: %1 (%2)").arg(scrollTime->value()).arg(n));
    }
    m_remoteShown = n;
    showRemoteEntries();
    emit remoteLoopsShown(n);
}

void frmSpecAn::mnuSaveRemote_Click() {
    if (!m_remote || m_remote->loopCount() == 0)
        return;
    delete m_remoteSave;
    m_remoteSave = new recording::frmDlgFileSave(this);
    m_remoteSave->Form_Load(m_remote->proposedSaveName(), false);
    // The local scans' choices have no say here.
    m_remoteSave->chkAutoSave->hide();
    m_remoteSave->Label2->hide();
    m_remoteSave->setWindowModality(Qt::WindowModal);
    connect(m_remoteSave, &recording::frmDlgFileSave::answered, this,
            &frmSpecAn::remoteSaveAnswered);
    m_remoteSave->show();
    m_remoteSave->raise();
}

void frmSpecAn::remoteSaveAnswered(const QString& name) {
    if (m_remoteSave)
        m_remoteSave->deleteLater();
    if (name.isEmpty() || !m_remote)
        return;
    const recording::SaveResult saved = m_remote->save(m_dataFolder, name);
    if (!saved.ok) {
        MsgBox(saved.message, MsgBoxButtons::Ok, QStringLiteral("Save Scan"));
        return;
    }
    const QString notice = QStringLiteral("Saved as ") + saved.savedName;
    setStatusBox(notice);
    QTimer::singleShot(core::scaledMs(SavedNoticeMs), txtRestoredScan, [this, notice] {
        if (m_remote && m_statusText == notice)
            setStatusBox(watchingRemote() ? m_remote->statusText() : QStringLiteral("Local Radio"));
    });
}

} // namespace app
