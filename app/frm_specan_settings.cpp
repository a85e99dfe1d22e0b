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

void apply(QCheckBox* box, settings::Switch to) {
    if (to != settings::Switch::Leave)
        box->setChecked(to == settings::Switch::On);
}

void apply(bool& flag, settings::Switch to) {
    if (to != settings::Switch::Leave)
        flag = to == settings::Switch::On;
}

QString flagText(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

// Each value goes into its control as a user would put it there, so that the control's own
// handling runs; the frequency boxes then show the limits that handling worked out.
void frmSpecAn::RestoreSettings(const QString& name) {
    const settings::RestorePlan plan = settings::readRestorePlan(settings::restoreSection(name));
    if (plan.LUL)
        udULimit->setValue(*plan.LUL);
    if (plan.LLL)
        udLLimit->setValue(*plan.LLL);
    udFULimit->setValue(plan.FUL);
    rewriteLimitText(txtFULimit);
    udFLLimit->setValue(plan.FLL);
    rewriteLimitText(txtFLLimit);
    apply(chkLine, plan.Mode);
    apply(chkChannel, plan.Channel);
    apply(chkSpectrum, plan.Spectrum);
    apply(chkShowPeaks, plan.Peak);
    apply(chkShowAverages, plan.Average);
    apply(core::modMain().AutoStartScanOn, plan.AutoStartScan);
    bool autoSave = m_engine->AutoSaveScanOn();
    apply(autoSave, plan.AutoSaveScan);
    m_engine->setAutoSave(autoSave);
    showLegend(plan.Legend);
    apply(chkRunForever, plan.Forever);
}

settings::WindowSettings frmSpecAn::currentSettings() const {
    settings::WindowSettings s;
    s.LUL = udULimit->value();
    s.LLL = udLLimit->value();
    s.FUL = udFULimit->value();
    s.FLL = udFLLimit->value();
    s.Mode = chkLine->isChecked();
    s.Peak = chkShowPeaks->isChecked();
    s.Average = chkShowAverages->isChecked();
    s.Spectrum = chkSpectrum->isChecked();
    s.Channel = chkChannel->isChecked();
    s.AutoSaveScan = m_engine->AutoSaveScanOn();
    s.Legend = picLegend->isVisibleTo(this);
    return s;
}

void frmSpecAn::SaveSettings() {
    for (const auto& [key, value] : settings::keyValues(currentSettings()))
        settings::WriteIni(settings::DefaultSection, key, value);
    settings::WriteIni(settings::ProgramSection, QStringLiteral("Port"),
                       QString::number(m_engine->ComPort()));
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
    m_engine->setAutoSave(mnuAutoSave->isChecked());
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
