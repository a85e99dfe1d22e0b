// SPDX-License-Identifier: MIT
// The handlers of the channel-group boxes, the view selectors and the reset buttons.
#include "app/frm_specan.h"

#include "display/up_down.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace app {

// The controls take what the view holds; each one that changes runs its own handler.
void frmSpecAn::showView() {
    const scan::GroupBoxes& boxes = m_view.groupBoxes();
    chkLB1->setChecked(boxes.lowBand1);
    chkLB2->setChecked(boxes.lowBand2);
    for (int i = 0; i < chkChGroup.size(); ++i)
        chkChGroup[i]->setChecked(boxes.group[i]);
    udULimit->setValue(m_view.upperLevel());
    udLLimit->setValue(m_view.lowerLevel());
    udAtten->setValue(m_view.attenuation());
    scrlSpeed->setValue(m_view.speedPosition());
    chkRunForever->setChecked(m_view.runForever());
    chkLine->setChecked(m_view.lineMode());
    chkShowPeaks->setChecked(m_view.showPeaks());
    chkShowAverages->setChecked(m_view.showAverages());
    mnuAutoSave->setChecked(m_view.autoSave());
    cmdPauseTest->setText(m_view.paused() ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    if (m_view.paused() != m_pausedReadings.has_value())
        m_pausedReadings = m_view.paused() ? std::optional(readings()) : std::nullopt;
}

// The last checked group stays checked: a sweep always has a channel to measure.
void frmSpecAn::chkChGroup_Click(int Index) {
    m_view.setGroupChecked(Index, chkChGroup[Index]->isChecked());
}

void frmSpecAn::chkSpectrum_Click() {
    chkChannel->setChecked(!chkSpectrum->isChecked());
}

void frmSpecAn::chkChannel_Click() {
    const bool channelMode = chkChannel->isChecked();
    chkSpectrum->setChecked(!channelMode);
    udChanNum->setEnabled(channelMode);
    txtUDChanNum->setEnabled(channelMode);
}

void frmSpecAn::chkShowPeaks_Click() {
    m_view.setShowPeaks(chkShowPeaks->isChecked());
    cmdClearPeaks->setEnabled(chkShowPeaks->isChecked());
}

void frmSpecAn::chkShowAverages_Click() {
    m_view.setShowAverages(chkShowAverages->isChecked());
    cmdClearAverages->setEnabled(chkShowAverages->isChecked());
}

// A reset asked for is carried out at the end of the loop (or by the next scan start); the
// button stays disabled until then.
void frmSpecAn::cmdClearPeaks_Click() {
    cmdClearPeaks->setEnabled(false);
    engine().requestResetPeaks();
}

void frmSpecAn::cmdClearAverages_Click() {
    cmdClearAverages->setEnabled(false);
    engine().requestResetAverages();
}

} // namespace app
