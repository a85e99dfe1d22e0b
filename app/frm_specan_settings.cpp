// SPDX-License-Identifier: MIT
// The window's settings: restored at start and from a named set, saved at exit and after each
// connection, the settings menu entries and the named-settings dialog.
#include "app/frm_specan.h"

#include "app/msg_box.h"
#include "core/program_state.h"
#include "display/up_down.h"
#include "settings/frm_dlg_settings.h"
#include "settings/named_settings.h"
#include "settings/program_settings.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTimer>

namespace app {

namespace {

QString flagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

// Each value goes into its control as a user would put it there, so that the control's own
// handling runs; the frequency boxes then show the limits that handling worked out.
void frmSpecAn::RestoreSettings(const QString& name) {
    const settings::RestorePlan plan = settings::readRestorePlan(settings::restoreSection(name));
    if (plan.LUL)
        m_view.setUpperLevel(*plan.LUL);
    if (plan.LLL)
        m_view.setLowerLevel(*plan.LLL);
    m_view.setLimitPositions(plan.FLL, plan.FUL);
    const auto apply = [](settings::Switch to, bool current) {
        return to == settings::Switch::Leave ? current : to == settings::Switch::On;
    };
    m_view.setLineMode(apply(plan.Mode, m_view.lineMode()));
    chkChannel->setChecked(apply(plan.Channel, chkChannel->isChecked()));
    chkSpectrum->setChecked(apply(plan.Spectrum, chkSpectrum->isChecked()));
    m_view.setShowPeaks(apply(plan.Peak, m_view.showPeaks()));
    m_view.setShowAverages(apply(plan.Average, m_view.showAverages()));
    core::modMain().AutoStartScanOn = apply(plan.AutoStartScan, core::modMain().AutoStartScanOn);
    m_view.setAutoSave(apply(plan.AutoSaveScan, m_view.autoSave()));
    showLegend(plan.Legend);
    m_view.setRunForever(apply(plan.Forever, m_view.runForever()));
}

settings::WindowSettings frmSpecAn::currentSettings() const {
    settings::WindowSettings s;
    s.LUL = m_view.upperLevel();
    s.LLL = m_view.lowerLevel();
    s.FUL = m_view.highLimitPosition();
    s.FLL = m_view.lowLimitPosition();
    s.Mode = m_view.lineMode();
    s.Peak = m_view.showPeaks();
    s.Average = m_view.showAverages();
    s.Spectrum = chkSpectrum->isChecked();
    s.Channel = chkChannel->isChecked();
    s.AutoSaveScan = m_view.autoSave();
    s.Legend = picLegend->isVisibleTo(this);
    return s;
}

void frmSpecAn::SaveSettings() {
    for (const auto& [key, value] : settings::keyValues(currentSettings()))
        settings::WriteIni(settings::DefaultSection, key, value);
    settings::WriteIni(settings::ProgramSection, QStringLiteral("Port"),
                       QString::number(m_view.ComPort()));
}

void frmSpecAn::showLegend(bool shown) {
    mnuShowLegend->setChecked(shown);
    picLegend->setVisible(shown);
}

// The entries' ticks have just been inverted by the click.
void frmSpecAn::mnuAutoStart_Click() {
    core::modMain().AutoStartScanOn = mnuAutoStart->isChecked();
    settings::WriteIni(settings::DefaultSection, QStringLiteral("AutoStartScan"),
                       flagText(mnuAutoStart->isChecked()));
}

void frmSpecAn::mnuAutoSave_Click() {
    m_view.setAutoSave(mnuAutoSave->isChecked());
    settings::WriteIni(settings::DefaultSection, QStringLiteral("AutoSaveScan"),
                       flagText(mnuAutoSave->isChecked()));
}

void frmSpecAn::mnuSaveSettings_Click() {
    openSettingsDialog(true);
}

void frmSpecAn::mnuRestoreSettings_Click() {
    openSettingsDialog(false);
}

settings::frmDlgSettings* frmSpecAn::settingsDialog() const {
    return m_settingsDialog;
}

// The window is disabled before its dialog is made: a window made after its owner is disabled
// stays enabled.
void frmSpecAn::openSettingsDialog(bool saveMode) {
    setEnabled(false);
    delete m_settingsDialog;
    m_settingsDialog = new settings::frmDlgSettings(this, currentSettings());
    m_settingsDialog->Form_Load();
    m_settingsDialog->setMode(saveMode ? settings::frmDlgSettings::Mode::Save
                                       : settings::frmDlgSettings::Mode::Restore);
    const QRect frame = frameGeometry();
    m_settingsDialog->move(frame.center() - m_settingsDialog->rect().center());
    connect(m_settingsDialog, &settings::frmDlgSettings::restoreChosen, this,
            &frmSpecAn::namedSettingsChosen);
    m_settingsDialog->show();
    m_settingsDialog->raise();
}

// A set restored while a scan runs would change the limits under it: the scan goes on instead.
void frmSpecAn::namedSettingsChosen(const QString& name) {
    if (!refusedWhileScanning(QStringLiteral("Restore Settings")))
        RestoreSettings(name);
}

void frmSpecAn::settingsNotSaved(const QString& iniPath) {
    if (m_settingsFailureReported)
        return;
    m_settingsFailureReported = true;
    MsgBox(QStringLiteral("The settings cannot be saved in\r\n%1\r\n\r\nChanges made to them will "
                          "be lost when the program ends.")
               .arg(QDir::toNativeSeparators(iniPath)),
           MsgBoxButtons::Ok, QStringLiteral("Settings"));
}

} // namespace app
