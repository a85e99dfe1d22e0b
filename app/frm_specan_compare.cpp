// SPDX-License-Identifier: MIT
// A saved scan's final Peak and Average over the plot, to hold a site against what it showed
// before. The comparison is the plot's overlay: scans, playback and Clear Display leave it be.
#include "app/frm_specan.h"

#include "app/file_dialog.h"
#include "app/msg_box.h"
#include "display/compare_overlay.h"
#include "display/plot_view.h"
#include "survey/final_levels.h"

#include <QAction>
#include <QFileInfo>

#include <memory>

namespace app {

namespace {

const QString CompareTitle = QStringLiteral("Compare With");

} // namespace

void frmSpecAn::mnuCompareWith_Click() {
    const QString path =
        GetOpenFileName(this, {CompareTitle, m_dataFolder, QStringLiteral("Saved scans (*.dat)")});
    if (!path.isEmpty())
        compareWith(path);
}

bool frmSpecAn::compareWith(const QString& path) {
    QString problem;
    std::optional<survey::FinalLevels> levels = survey::readFinalLevels(path, &problem);
    if (!levels) {
        MsgBox(QStringLiteral("This scan cannot be compared:\r\n\r\n") + problem +
                   QStringLiteral("\r\n\r\nThe plot stays as it was."),
               MsgBoxButtons::Ok, CompareTitle);
        return false;
    }
    auto comparison = std::make_shared<display::Comparison>();
    comparison->Caption = QStringLiteral("compared: ") + QFileInfo(path).fileName();
    comparison->Levels = *levels;
    frDisplay->setComparison(std::move(comparison));
    mnuClearComparison->setEnabled(true);
    return true;
}

void frmSpecAn::mnuClearComparison_Click() {
    frDisplay->setComparison(nullptr);
    mnuClearComparison->setEnabled(false);
}

void frmSpecAn::showComparisonScale() {
    display::ComparisonScale scale;
    scale.Geometry = m_plotGeometry;
    scale.Slots = display::slotCount(m_view.frequencyLimits());
    scale.Colors = display::comparisonColors(m_colors);
    scale.Back = m_colors.Back;
    frDisplay->setComparisonScale(scale);
}

} // namespace app
