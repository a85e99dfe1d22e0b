// SPDX-License-Identifier: MIT
// The handlers of the channel-group boxes, the view selectors and the reset buttons.
#include "app/frm_specan.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "display/up_down.h"

namespace app {

scan::GroupBoxes frmSpecAn::groupBoxes() const {
    scan::GroupBoxes boxes;
    boxes.lowBand1 = chkLB1->isChecked();
    boxes.lowBand2 = chkLB2->isChecked();
    for (int g = 0; g < int(boxes.group.size()); ++g)
        boxes.group[g] = g < chkChGroup.size() && chkChGroup[g] && chkChGroup[g]->isChecked();
    return boxes;
}

void frmSpecAn::chkChGroup_Click(int Index) {
    for (QCheckBox* box : chkChGroup)
        if (box && box->isChecked())
            return;
    // The last checked group stays checked: a sweep always has a channel to measure.
    chkChGroup[Index]->setChecked(true);
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
    cmdClearPeaks->setEnabled(chkShowPeaks->isChecked());
}

void frmSpecAn::chkShowAverages_Click() {
    cmdClearAverages->setEnabled(chkShowAverages->isChecked());
}

// A reset asked for is carried out at the end of the loop (or by the next scan start).
void frmSpecAn::cmdClearPeaks_Click() {
    cmdClearPeaks->setEnabled(false);
    ClearPeaksPending = true;
}

void frmSpecAn::cmdClearAverages_Click() {
    cmdClearAverages->setEnabled(false);
    ClearAveragesPending = true;
}

void frmSpecAn::ResetPeaks() {
    m_model.ResetPeaks(udLLimit->value());
    ClearPeaksPending = false;
    cmdClearPeaks->setEnabled(true);
}

void frmSpecAn::ResetAverages() {
    m_model.ResetAverages();
    ClearAveragesPending = false;
    cmdClearAverages->setEnabled(true);
}

} // namespace app
