// SPDX-License-Identifier: MIT
// Start-up and closing of the main window.
#include "app/frm_specan.h"

#include "app/frm_splash.h"
#include "app/msg_box.h"
#include "app/program_version.h"
#include "core/conventions.h"
#include "core/program_state.h"
#include "core/time_scale.h"
#include "radio/comm_port.h"
#include "recording/data_folder.h"
#include "recording/frm_dlg_file_save.h"
#include "scan/frm_scan_quit.h"
#include "settings/frm_dlg_settings.h"
#include "settings/program_settings.h"
#include "settings/window_placement.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

namespace app {

QString frmSpecAn::caption() {
    return QStringLiteral("KORLAN Corporation Ternaflow SS Spectrum Analyzer v") + programVersion();
}

void frmSpecAn::Form_Load(const QString& programFolder) {
    const recording::ProgramFolders folders = recording::locateProgramFolders(programFolder);
    core::modMain().IniFilePath = folders.settingsFile;
    m_dataFolder = folders.dataFolder;
    m_perUserFolders = folders.perUser;
    setWindowTitle(caption());
    if (folders.perUser)
        recording::ensureDataFolder(QFileInfo(folders.settingsFile).path());
    if (!recording::ensureDataFolder(m_dataFolder))
        MsgBox(QStringLiteral("Error creating data sub-directory.\r\n\r\nBe sure you have "
                              "permission\r\nto write to the install directory."),
               MsgBoxButtons::Ok);

    engine().setDataFolder(m_dataFolder);
    m_view.setPortDirectory(radio::PortDirectory(core::modMain().IniFilePath));
    FindComPorts();
    RestoreSettings(QString());
    RestoreComPort(0);
    setMinimumSize(defaultSize());
    resize(defaultSize());
    restorePlacement();
    m_laidOutSize = size();
    LayoutMainWindow();
    BuildLevelAxis();
    LayoutStatusPanel();
    BuildFreqAxis();
    LoadDisplayColors();
    if (!m_startRemote.second.isEmpty())
        watchStartSite();
    else if (m_view.runForever()) {
        engine().armReconnect();
        startCountdown();
    }
}

// The size and place the window had when it was last closed, as far as the screens still hold it;
// the default size when the file has none.
void frmSpecAn::restorePlacement() {
    const std::optional<settings::WindowPlacement> placement = settings::readWindowPlacement();
    if (!placement)
        return;
    QRect kept = placement->Geometry;
    const QScreen* screen = QGuiApplication::screenAt(kept.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // A damaged file could ask for more than any screen holds.
    const QRect room = screen->availableGeometry();
    kept.setSize(kept.size().boundedTo(room.size()).expandedTo(defaultSize()));
    if (QGuiApplication::screenAt(placement->Geometry.center()))
        setGeometry(kept);
    else
        resize(kept.size());
    if (placement->Maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void frmSpecAn::savePlacement() {
    const bool maximized = isMaximized();
    settings::writeWindowPlacement({maximized ? normalGeometry() : geometry(), maximized});
}

// "Run Forever" starts a scan by itself 10 s after start-up; the status box counts the seconds
// down until the connection begins.
void frmSpecAn::startCountdown() {
    m_countdownLeft = AutoStartSeconds;
    const auto show = [this] {
        setStatusBox(QStringLiteral("Run Forever - Starting in %1 s").arg(m_countdownLeft));
    };
    show();
    setStatusBoxShown(true);
    auto* tick = new QTimer(this);
    tick->setInterval(core::scaledMs(1000));
    connect(tick, &QTimer::timeout, this, [this, tick, show] {
        if (--m_countdownLeft > 0)
            show();
        else
            tick->deleteLater();
    });
    connect(&engine(), &engine::EngineThread::connecting, tick, &QObject::deleteLater);
    tick->start();
}

// The window stays open while a scan runs, a connection is being made or a lost link is being
// handled; otherwise closing saves the settings and releases the port and the scan file.
void frmSpecAn::closeEvent(QCloseEvent* event) {
    if (engine().ScanActive() || engine().LinkState() != engine::LinkIdle || engine().busy()) {
        event->ignore();
        return;
    }
    SaveSettings();
    savePlacement();
    Command5_Click();
    delete m_fileSave;
    m_fileSave = nullptr;
    delete m_scanQuit;
    m_scanQuit = nullptr;
    delete m_settingsDialog;
    for (QTimer* timer : {timeTimer, tmrFlash})
        timer->stop();
    engine().shutDown();
    event->accept();
}

// The splash as About box, which says where the settings and the scans are kept; it shows and
// enables this window again when it closes.
void frmSpecAn::mnuAbout_Click() {
    setEnabled(false); // first: a window made after its owner is disabled stays enabled
    auto* about = new frmSplash(this, frmSplash::Role::About);
    about->showLocations(core::modMain().IniFilePath, m_dataFolder);
    about->Form_Load();
}

} // namespace app
