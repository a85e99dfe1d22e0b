// SPDX-License-Identifier: MIT
// The survey windows over the open scan, recorded or running: the waterfall and the report, and
// the plot saved as a picture.
#include "app/frm_specan.h"

#include "app/msg_box.h"
#include "core/conventions.h"
#include "core/wall_clock.h"
#include "display/frm_waterfall.h"
#include "display/picture_file.h"
#include "display/plot_picture.h"
#include "display/plot_view.h"
#include "survey/frm_survey_report.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QScrollBar>

namespace app {

namespace {

template <typename Window> void showInFront(Window* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

QString frmSpecAn::openScanPath() const {
    return engine().scanFilePath();
}

void frmSpecAn::mnuWaterfall_Click() {
    if (!m_waterfall) {
        m_waterfall = new display::frmWaterfall(this);
        m_waterfall->setObjectName(QStringLiteral("frmWaterfall"));
        connect(m_waterfall, &display::frmWaterfall::loopClicked, this, [this](qint32 loop) {
            // The scroll bar's own change handling shows the loop, or the live display at its end.
            if (scrollTime->value() != loop)
                scrollTime->setValue(loop);
            else
                scrollTime_Change();
        });
    }
    if (m_waterfall->scanPath() != openScanPath())
        m_waterfall->openScan(openScanPath());
    showInFront(m_waterfall);
}

void frmSpecAn::mnuSurveyReport_Click() {
    if (!m_surveyReport) {
        m_surveyReport = new survey::frmSurveyReport(this);
        m_surveyReport->setObjectName(QStringLiteral("frmSurveyReport"));
    }
    if (m_surveyReport->scanPath() != openScanPath())
        m_surveyReport->openScan(openScanPath());
    showInFront(m_surveyReport);
}

// The windows that are open follow the scan file: a new recording, a saved scan, a new loop.
void frmSpecAn::surveyWindowsFollowTheScanFile() {
    if (m_waterfall && m_waterfall->isVisible())
        m_waterfall->openScan(openScanPath());
    if (m_surveyReport && m_surveyReport->isVisible())
        m_surveyReport->openScan(openScanPath());
}

void frmSpecAn::surveyWindowsAddLoop(const recording::ScanRecord& record) {
    if (m_waterfall && m_waterfall->isVisible())
        m_waterfall->appendLoop(record);
    if (m_surveyReport && m_surveyReport->isVisible())
        m_surveyReport->appendLoop(record);
}

// The picture says which scan, when and with what attenuation: the recorded loop's own, or the
// live scan's from its start to now.
bool frmSpecAn::savePlotPicture(const QString& path, QString* error) {
    display::PlotPictureText text;
    text.Slots = display::slotCount(m_view.frequencyLimits());
    text.Scan = QFileInfo(openScanPath()).fileName();
    if (!m_view.followingLive()) {
        const recording::ScanRecord& loop = m_view.shownLoop();
        text.Time = QStringLiteral("loop %1, %2")
                        .arg(loop.LoopNumber)
                        .arg(QString::fromLatin1(loop.LoopStartText).trimmed());
        text.AttenuationDb = loop.Attenuation;
    } else {
        const QString now = core::dateTimeText(core::nowToTheSecond());
        text.Time = m_shownScanStart.isValid()
                        ? core::dateTimeText(m_shownScanStart) + QStringLiteral(" to ") + now
                        : now;
        text.AttenuationDb = m_view.attenuation();
    }
    const QImage picture = display::plotPicture(frDisplay->renderer().image(), m_plotGeometry,
                                                m_view.plotOptions(), m_colors, text);
    return display::savePng(picture, path, openScanPath(), error);
}

void frmSpecAn::mnuSavePicture_Click() {
    const QString scan = openScanPath().isEmpty() ? QStringLiteral("plot.dat") : openScanPath();
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save Picture"),
        QDir(m_dataFolder).filePath(display::defaultPictureName(scan, QStringLiteral("plot"))),
        QStringLiteral("PNG pictures (*.png)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!savePlotPicture(path, &error))
        MsgBox(error, MsgBoxButtons::Ok, QStringLiteral("Save Picture"));
}

} // namespace app
