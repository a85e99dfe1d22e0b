// SPDX-License-Identifier: MIT
// The channel readout that follows the pointer over the plot, the level marker, and the legend.
#include "app/frm_specan.h"

#include "display/plot_view.h"
#include "display/readout.h"
#include "display/widget_twips.h"
#include "settings/program_settings.h"
#include "settings/window_settings.h"

#include <QAction>
#include <QCursor>
#include <QFrame>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace app {

void frmSpecAn::frDisplay_MouseMove(int, int, int X, int Y) {
    display::setTwTop(lineVertLevel, display::twTop(frDisplay) + Y);

    // The readout waits for a loop to show: a scan's first loop is still being measured.
    const bool recordedOnDisplay = !m_view.followingLive();
    if (engine().ScanActive() ? engine().LoopCount() < 2
                              : scrollTime->maximum() == 1 && !recordedOnDisplay)
        return;
    if (ReadoutFollows) {
        const QPoint at = display::readoutBoxPosition(
            QPoint(X, Y), display::twWidth(frDisplay),
            QSize(display::twWidth(txtStatBox), display::twHeight(txtStatBox)));
        display::setTwLeft(txtStatBox, at.x());
        display::setTwTop(txtStatBox, at.y());
    }
    const auto chan =
        display::channelUnderPointer(X, m_plotGeometry.ChanWidth, m_plotGeometry.LowBandChannels);
    if (!chan)
        return;

    QString text;
    if (recordedOnDisplay) {
        const recording::ScanRecord& shown = m_view.shownLoop();
        const int last = ScanView::shownCode(shown.LastCodes, *chan);
        text = last == scan::GroupOffCode
                   ? display::disabledReadoutText(*chan)
                   : display::readoutText(*chan,
                                          {last, ScanView::shownCode(shown.PeakCodes, *chan),
                                           double(ScanView::shownCode(shown.AverageCodes, *chan))});
    } else if (engine().ScanActive() || !engine().scanFilePath().isEmpty()) {
        const scan::ChannelReading& r = readings()[*chan];
        const double average = r.Count < 1 ? double(r.Last) : double(r.Sum) / r.Count;
        text = r.Last == scan::GroupOffCode
                   ? display::disabledReadoutText(*chan)
                   : display::readoutText(*chan, {r.Last, r.Peak, average});
    } else {
        return;
    }
    if (txtStatBox->toPlainText() != text)
        txtStatBox->setPlainText(text);
}

void frmSpecAn::frDisplay_MouseUp(int Button, int, int, int) {
    if (Button == 1) {
        ReadoutFollows = !ReadoutFollows;
        txtStatBox->show();
    } else if (Button == 2) {
        mnuDisplay->popup(QCursor::pos());
    }
}

void frmSpecAn::txtStatBox_Click() {
    txtStatBox->hide();
}

// The entry's tick has just been inverted by the click.
void frmSpecAn::mnuShowLegend_Click() {
    const bool shown = mnuShowLegend->isChecked();
    showLegend(shown);
    settings::WriteIni(settings::DefaultSection, QStringLiteral("Legend"),
                       shown ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace app
