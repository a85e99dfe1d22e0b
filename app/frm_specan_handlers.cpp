// SPDX-License-Identifier: MIT
// The handlers of the channel-group boxes, the view selectors and the reset buttons.
#include "app/frm_specan.h"

#include <QCheckBox>

#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

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
    // The last checked group stays checked: a sweep always has a channel to measure.
    if (std::none_of(chkChGroup.cbegin(), chkChGroup.cend(),
                     [](const QCheckBox* box) { return box && box->isChecked(); }))
        chkChGroup[Index]->setChecked(true);
    m_engine->setGroupBoxes(groupBoxes());
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

// A reset asked for is carried out at the end of the loop (or by the next scan start); the
// button stays disabled until then.
void frmSpecAn::cmdClearPeaks_Click() {
    cmdClearPeaks->setEnabled(false);
    m_engine->requestResetPeaks();
}

void frmSpecAn::cmdClearAverages_Click() {
    cmdClearAverages->setEnabled(false);
    m_engine->requestResetAverages();
}

} // namespace app
