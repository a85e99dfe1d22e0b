// SPDX-License-Identifier: MIT
#include "app/frm_splash.h"

#include "app/program_version.h"
#include "core/time_scale.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <utility>

namespace app {

namespace {

constexpr int StartUpSteps = 40;
constexpr int AboutSteps = 160;

QLabel* label(const char* name, const QString& text, qreal pointSize = 0, bool bold = false) {
    auto* l = new QLabel(text);
    l->setObjectName(QString::fromLatin1(name));
    l->setAlignment(Qt::AlignCenter);
    QFont font = l->font();
    if (pointSize > 0)
        font.setPointSizeF(pointSize);
    font.setBold(bold);
    l->setFont(font);
    return l;
}

} // namespace

frmSplash::frmSplash(QWidget* mainWindow, Role role, std::function<void()> loadMainWindow)
    : QWidget(mainWindow, Qt::Dialog | Qt::FramelessWindowHint), m_role(role),
      m_loadMainWindow(std::move(loadMainWindow)) {
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Ternaflow SS Spectrum Analyzer"));
    setFocusPolicy(Qt::StrongFocus);

    Date = label("Date", QStringLiteral("10/30/09"));
    Date->setAlignment(Qt::AlignRight);
    lblKorlan = label("lblKorlan", QStringLiteral("KORLAN"), 24, true);
    lblCorporation = label("lblCorporation", QStringLiteral("CORPORATION"), 9, true);
    lblProductName = label("lblProductName", QStringLiteral("Ternaflow SS"), 18, true);
    lblCompanyProduct = label("lblCompanyProduct", QStringLiteral("Spectrum Analyzer"), 14);
    lblPlatform = label("lblPlatform", QStringLiteral("Version 4.0.0.0"), 10);
    pBar1 = new QProgressBar;
    pBar1->setObjectName(QStringLiteral("pBar1"));
    pBar1->setRange(0, 100);
    pBar1->setValue(0);
    pBar1->setTextVisible(true);
    pBar1->setAlignment(Qt::AlignCenter);
    pBar1->setFormat(QStringLiteral("CHECKING COM PORTS"));
    lblSettingsFile = label("lblSettingsFile", QString());
    lblDataFolder = label("lblDataFolder", QString());
    for (QLabel* location : {lblSettingsFile, lblDataFolder}) {
        location->setWordWrap(true);
        location->hide();
    }
    lblCompany = label("lblCompany",
                       QStringLiteral("Copyright KORLAN Corporation. All rights reserved."), 7);

    auto* frame = new QFrame;
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Raised);
    m_inner = new QVBoxLayout(frame);
    m_inner->addWidget(Date);
    for (QWidget* w : std::initializer_list<QWidget*>{lblKorlan, lblCorporation, lblProductName,
                                                      lblCompanyProduct, lblPlatform, pBar1,
                                                      lblSettingsFile, lblDataFolder, lblCompany})
        m_inner->addWidget(w);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    setFixedWidth(420);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(core::scaledMs(20));
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
}

void frmSplash::showLocations(const QString& settingsFile, const QString& dataFolder) {
    lblSettingsFile->setText(QStringLiteral("Settings file: ") +
                             QDir::toNativeSeparators(settingsFile));
    lblDataFolder->setText(QStringLiteral("Data folder: ") + QDir::toNativeSeparators(dataFolder));
    lblSettingsFile->show();
    lblDataFolder->show();
    cmdOpenDataFolder = new QPushButton(QStringLiteral("Open Data Folder"));
    cmdOpenDataFolder->setObjectName(QStringLiteral("cmdOpenDataFolder"));
    cmdOK = new QPushButton(QStringLiteral("OK"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOpenDataFolder);
    buttons->addWidget(cmdOK);
    m_inner->insertLayout(m_inner->indexOf(lblCompany), buttons);
    connect(cmdOpenDataFolder, &QPushButton::clicked, this,
            [dataFolder] { QDesktopServices::openUrl(QUrl::fromLocalFile(dataFolder)); });
    connect(cmdOK, &QPushButton::clicked, this, &frmSplash::Unload);
}

void frmSplash::Form_Load() {
    lblPlatform->setText(QStringLiteral("Version ") + programVersion());
    if (m_role == Role::StartUp) {
        pBar1->setRange(1, StartUpSteps);
        m_lastStep = StartUpSteps;
    } else {
        m_lastStep = AboutSteps;
    }
    m_currentStep = 1;
    Timer1->start();
    show();
    raise();
    activateWindow();
}

// The first tick loads the main window, once the splash is on screen; every tick moves the bar
// on, and the tick after the last step closes the splash.
void frmSplash::Timer1_Timer() {
    loadMainWindow();
    if (m_unloaded)
        return;
    if (m_currentStep <= m_lastStep) {
        ++m_currentStep;
        pBar1->setValue(m_currentStep);
        return;
    }
    Timer1->stop();
    // The About box stays until it is closed.
    if (m_role == Role::About)
        return;
    hide();
    Unload();
}

void frmSplash::loadMainWindow() {
    if (!m_loadMainWindow)
        return;
    const std::function<void()> load = std::exchange(m_loadMainWindow, {});
    m_loading = true;
    load();
    m_loading = false;
    pBar1->setFormat(QStringLiteral(" LOADING"));
    raise();
    if (m_unloadAsked)
        Unload();
}

// A splash dismissed before its first tick loads the main window first.
void frmSplash::Unload() {
    if (m_loading) {
        m_unloadAsked = true;
        return;
    }
    loadMainWindow();
    close();
}

void frmSplash::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmSplash::Form_Unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    Timer1->stop();
    if (QWidget* mainWindow = parentWidget()) {
        mainWindow->show();
        mainWindow->setEnabled(true);
    }
}

void frmSplash::keyPressEvent(QKeyEvent*) {
    Unload();
}

void frmSplash::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void frmSplash::mouseReleaseEvent(QMouseEvent*) {
    Unload();
}

} // namespace app
