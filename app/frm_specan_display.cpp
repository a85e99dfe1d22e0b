// SPDX-License-Identifier: MIT
// The main window's plot side: layout, axes, status strip, colours and the drawing of readings.
#include "app/frm_specan.h"

#include "core/conventions.h"
#include "core/program_state.h"
#include "core/time_scale.h"
#include "core/wall_clock.h"
#include "display/color_swatch.h"
#include "display/freq_axis.h"
#include "display/frm_color_palette.h"
#include "display/level_axis.h"
#include "display/plot_view.h"
#include "display/status_layout.h"
#include "display/up_down.h"
#include "display/widget_twips.h"
#include "settings/ini_file.h"
#include "settings/program_settings.h"

#include <QCheckBox>
#include <QCursor>
#include <QDateTime>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>

namespace app {

namespace {

int textWidthTwips(const QWidget* w, const QString& text) {
    return QFontMetrics(w->font()).horizontalAdvance(text) * display::TwipsPerPixel;
}

int textHeightTwips(const QWidget* w) {
    return QFontMetrics(w->font()).height() * display::TwipsPerPixel;
}

// Places an up-down over one end of its text box, as the window's layout rules put them.
void overLeftEnd(QWidget* upDown, const QWidget* box) {
    display::setTwipsRect(upDown, QRect(display::twLeft(box) + display::TwipsPerPixel,
                                        display::twTop(box) + display::TwipsPerPixel,
                                        display::twWidth(upDown), display::twHeight(box) - 30));
}

void overRightEnd(QWidget* upDown, const QWidget* box) {
    display::setTwipsRect(
        upDown, QRect(display::twRight(box) - display::twWidth(upDown) - display::TwipsPerPixel,
                      display::twTop(box) + display::TwipsPerPixel, display::twWidth(upDown),
                      display::twHeight(box) - 30));
}

} // namespace

QSize frmSpecAn::defaultSize() {
    return {WindowWidthPixels, display::toPixels(WindowHeightTwips)};
}

int frmSpecAn::ScaleWidth() const {
    return std::max(width(), WindowWidthPixels) * display::TwipsPerPixel;
}

// The rules place every control from the window's width and the plot's height, which takes what
// the window has beyond its smallest height.
void frmSpecAn::LayoutMainWindow() {
    constexpr int px = display::TwipsPerPixel;
    const int extraHeight = std::max(height() - defaultSize().height(), 0) * px;

    display::setTwipsRect(frDisplay, QRect(display::twWidth(lblOWName) + 60,
                                           display::twHeight(chkChGroup[0]) + 120,
                                           ScaleWidth() - (display::twWidth(lblOWName) + 60) - 180,
                                           DefaultPlotHeightTwips + extraHeight));
    display::setTwTop(txtStatBox, 60);
    display::setTwLeft(txtStatBox, display::twWidth(frDisplay) - display::twWidth(txtStatBox) - 60);

    display::setTwipsRect(
        frTextDisplay, QRect(display::twLeft(frDisplay), display::twBottom(frDisplay) - px,
                             display::twWidth(frDisplay), display::twHeight(lblCurrentTime) + 60));
    display::setTwipsRect(lineVertLevel, QRect(display::twLeft(frDisplay) - 90,
                                               display::twTop(lineVertLevel), 90, px));
    display::setTwipsRect(scrollBarBorder,
                          QRect(display::twLeft(frDisplay), display::twBottom(frTextDisplay) - px,
                                display::twWidth(frDisplay),
                                display::twHeight(scrollTime) + 3 * px));
    display::setTwipsRect(
        scrollTime, QRect(display::twLeft(frTextDisplay) + px, display::twBottom(frTextDisplay),
                          display::twWidth(frTextDisplay) - 2 * px, display::twHeight(scrollTime)));
    display::setTwLeft(lblCount, display::twLeft(frDisplay));
    display::setTwTop(picLegend, 60);
    display::setTwLeft(picLegend,
                       display::twWidth(frDisplay) / 2 - display::twWidth(lblLegend) / 2);

    // Level limits and attenuation, left of the plot.
    display::setTwTop(txtLLimit, display::twBottom(frDisplay) - display::twHeight(txtLLimit) / 2);
    display::setTwLeft(txtLLimit, display::twLeft(frDisplay) - display::twWidth(txtLLimit) - 60);
    display::setTwTop(txtULimit, display::twTop(frDisplay) - display::twHeight(txtLLimit) / 2);
    display::setTwLeft(txtULimit, display::twLeft(frDisplay) - display::twWidth(txtULimit) - 60);
    display::setTwTop(txtAtten, display::twTop(scrollTime));
    display::setTwLeft(txtAtten, display::twLeft(frDisplay) - display::twWidth(txtAtten) - 60);
    overLeftEnd(udLLimit, txtLLimit);
    overLeftEnd(udULimit, txtULimit);
    overLeftEnd(udAtten, txtAtten);
    display::setTwTop(lblAtten, display::twBottom(txtAtten));
    display::setTwLeft(lblAtten, display::twLeft(udAtten));

    // Frequency limits under the playback strip.
    const int rowTop = display::twBottom(scrollBarBorder) + 120;
    display::setTwTop(txtFLLimit, rowTop);
    display::setTwLeft(txtFLLimit, display::twLeft(frDisplay));
    overRightEnd(udFLLimit, txtFLLimit);
    display::setTwTop(txtFULimit, rowTop);
    display::setTwLeft(txtFULimit, display::twRight(frDisplay) - display::twWidth(txtFULimit));
    overLeftEnd(udFULimit, txtFULimit);

    // The command row is built from the right.
    const int commandTop = rowTop - px;
    int right = display::twLeft(udFULimit) - 60;
    for (QWidget* button : std::initializer_list<QWidget*>{
             cmdClearAverages, cmdClearPeaks, cmdGotoEnd, cmdStopTest, cmdPauseTest, cmdScan}) {
        display::setTwipsRect(button, QRect(right - display::twWidth(button), commandTop,
                                            display::twWidth(button), display::twHeight(button)));
        right = display::twLeft(button) - 60;
    }
    display::setTwLeft(cmdConnect, display::twLeft(frDisplay) + display::twWidth(txtFLLimit) + 120);
    display::setTwTop(cmdConnect, commandTop);
    display::setTwLeft(cmdSetup, display::twRight(cmdConnect) + 60);
    display::setTwTop(cmdSetup, commandTop);
    display::setTwLeft(lblCurrentComPort, display::twRight(cmdConnect) + 120);
    display::setTwTop(lblCurrentComPort,
                      display::twTop(cmdConnect) +
                          (display::twHeight(cmdConnect) - display::twHeight(lblCurrentComPort)) /
                              2);

    // Identity rows (hidden) fix the rows below the command row.
    display::setTwLeft(txtOWname, display::twLeft(frDisplay));
    display::setTwTop(txtOWname, display::twBottom(cmdConnect) + 120);
    display::setTwLeft(lblOWName, display::twLeft(frDisplay) - display::twWidth(lblOWName) - 60);
    display::setTwTop(lblOWName, display::twTop(txtOWname));
    display::setTwLeft(lblSerialNumber, display::twRight(txtOWname) + 60);
    display::setTwTop(lblSerialNumber, display::twTop(txtOWname));
    display::setTwLeft(txtSerialNumber, display::twRight(lblSerialNumber) + 60);
    display::setTwTop(txtSerialNumber, display::twTop(txtOWname));
    display::setTwLeft(txtOWmsg, display::twLeft(frDisplay));
    display::setTwTop(txtOWmsg, display::twBottom(txtOWname) + 60);
    display::setTwLeft(lblOWmsg, display::twLeft(frDisplay) - display::twWidth(lblOWmsg) - 60);
    display::setTwTop(lblOWmsg, display::twTop(txtOWmsg));
    display::setTwLeft(Command5, display::twRight(txtOWmsg) + 120);
    display::setTwTop(Command5, display::twTop(txtOWmsg));

    const int optionsTop = display::twTop(txtOWname);
    for (QWidget* option :
         std::initializer_list<QWidget*>{chkShowPeaks, chkShowAverages, chkLine, chkRunForever,
                                         txtForeverFileName, lblSpeed, scrlSpeed})
        display::setTwTop(option, optionsTop);
    display::setTwLeft(chkShowPeaks, display::twLeft(cmdClearPeaks));
    display::setTwLeft(chkShowAverages, display::twLeft(cmdClearAverages));
    display::setTwLeft(chkLine, display::twLeft(udFULimit));
    display::setTwLeft(chkRunForever, display::twLeft(txtFLLimit));
    display::setTwLeft(txtForeverFileName, display::twRight(chkRunForever));
    display::setTwLeft(lblSpeed, display::twLeft(txtFLLimit));
    display::setTwLeft(scrlSpeed, display::twRight(lblSpeed) + 60);

    const int channelTop = display::twTop(txtOWmsg);
    for (QWidget* control : std::initializer_list<QWidget*>{chkSpectrum, chkChannel, txtUDChanNum})
        display::setTwTop(control, channelTop);
    display::setTwLeft(chkSpectrum, display::twLeft(chkShowPeaks));
    display::setTwLeft(chkChannel, display::twLeft(chkShowAverages));
    display::setTwLeft(txtUDChanNum, display::twRight(chkChannel) + 120);
    overRightEnd(udChanNum, txtUDChanNum);
    display::setTwLeft(udChanNum, display::twRight(txtUDChanNum) - display::twWidth(udChanNum));

    display::setTwTop(cmdClose, display::twTop(txtOWmsg));
    display::setTwLeft(cmdClose, display::twRight(frDisplay) - display::twWidth(cmdClose));
}

void frmSpecAn::fitToWindow() {
    m_laidOutSize = size();
    LayoutMainWindow();
    BuildLevelAxis();
    LayoutStatusPanel();
    placeFreqAxis(freqAxisForWindow());
    redrawShown();
}

void frmSpecAn::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_laidOutSize.isEmpty() && size() != m_laidOutSize)
        fitToWindow();
}

// The axis of the limits in the view; the readings table starts anew with it.
void frmSpecAn::BuildFreqAxis() {
    frDisplay->Cls();
    while (chkChGroup.size() > 1)
        delete chkChGroup.takeLast();
    const display::FreqAxis axis = freqAxisForWindow();
    m_view.takeAxis(axis);
    core::modMain().BarGap = static_cast<qint16>(axis.BarGap);
    placeFreqAxis(axis);
}

display::FreqAxis frmSpecAn::freqAxisForWindow() const {
    return display::BuildFreqAxis(m_view.frequencyLimits(), display::twLeft(frDisplay),
                                  ScaleWidth() - display::twLeft(frDisplay) - 120,
                                  display::twHeight(frDisplay));
}

// The plot takes the axis's whole slots; the boxes and lines go where the axis puts them.
void frmSpecAn::placeFreqAxis(const display::FreqAxis& axis) {
    display::setTwWidth(frDisplay, axis.PlotWidth);
    display::setTwLeft(txtStatBox,
                       display::readoutBoxLeft(axis.PlotWidth, display::twWidth(txtStatBox)));
    LayoutStatusPanel();
    display::setTwLeft(frScan, 0);
    display::setTwWidth(frScan, axis.ChanWidth);

    const auto placeBand = [](QCheckBox* box, const display::BandBox& band) {
        if (band.Visible) {
            display::setTwLeft(box, band.Left);
            display::setTwTop(box, band.Top);
        }
        box->setVisible(band.Visible);
    };
    placeBand(chkLB1, axis.LowBand1);
    placeBand(chkLB2, axis.LowBand2);
    for (int i = 0; i < int(axis.Groups.size()); ++i) {
        const display::GroupBox& group = axis.Groups[i];
        QCheckBox* box = i < chkChGroup.size() ? chkChGroup[i] : addGroupBox(i);
        display::setTwLeft(box, group.Left);
        display::setTwTop(box, group.Top);
        box->setText(group.Caption);
        box->setToolTip(group.ToolTip);
        box->show();
    }
    frDisplay->setSeparators(axis.Separators);
    m_plotGeometry.ChanWidth = axis.ChanWidth;
    updatePlotGeometry();
}

void frmSpecAn::BuildLevelAxis() {
    const int labelHeight = textHeightTwips(this);
    const display::LevelAxis axis =
        display::BuildLevelAxis(m_view.upperLevel(), m_view.lowerLevel(), display::twTop(frDisplay),
                                display::twHeight(frDisplay), labelHeight);
    while (lblDBM.size() > 1)
        delete lblDBM.takeLast();
    display::setTwHeight(lblDBM[0], labelHeight);
    for (int i = 0; i < int(axis.Labels.size()); ++i) {
        const display::LevelLabel& level = axis.Labels[i];
        auto* label = new QLabel(level.Caption, this);
        label->setObjectName(QStringLiteral("lblDBM_%1").arg(i + 1));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const int width = textWidthTwips(label, level.Caption) + 2 * display::TwipsPerPixel;
        display::setTwipsRect(label,
                              QRect(display::levelLabelLeft(display::twLeft(frDisplay), width),
                                    int(level.Top), width, labelHeight));
        label->show();
        lblDBM.append(label);
    }
    ComputeLevelScale();
}

void frmSpecAn::ComputeLevelScale() {
    const display::LevelScale scale = display::ComputeLevelScale(
        m_view.upperLevel(), m_view.lowerLevel(), display::twHeight(frDisplay));
    m_plotGeometry.TwipsPerDb = scale.TwipsPerDb;
    m_plotGeometry.PixelsPerDb = scale.PixelsPerDb;
    updatePlotGeometry();
}

// The scale every slot is drawn with, kept from one axis rebuild to the next.
void frmSpecAn::updatePlotGeometry() {
    m_plotGeometry.BarGap = core::modMain().BarGap;
    m_plotGeometry.LowBandChannels = m_view.frequencyLimits().lowBandChannels();
    m_plotGeometry.UL = m_view.upperLevel();
    m_plotGeometry.LL = m_view.lowerLevel();
    m_plotGeometry.PlotHeight = display::twHeight(frDisplay);
    showComparisonScale();
}

std::array<QLabel*, display::StatusLabelCount> frmSpecAn::statusLabels() const {
    return {lblCurrentTime, lblStatus, lblCount, lblElapsed, lblDisplayTime};
}

void frmSpecAn::LayoutStatusPanel() {
    display::StatusLayoutInput input;
    input.Plot = display::twipsRect(frDisplay);
    input.CurrentTimeHeight = display::twHeight(lblCurrentTime);
    input.ScrollBarHeight = display::twHeight(scrollTime);
    const auto labels = statusLabels();
    for (int i = 0; i < display::StatusLabelCount; ++i)
        input.LabelWidths[i] = display::twWidth(labels[i]);
    input.BlankWidth = textWidthTwips(this, QStringLiteral(" "));

    const display::StatusLayout layout = display::LayoutStatusPanel(input);
    display::setTwipsRect(frTextDisplay, layout.Strip);
    display::setTwipsRect(scrollBarBorder, layout.ScrollBarBorder);
    display::setTwipsRect(scrollTime, layout.ScrollBar);
    for (int i = 0; i < display::StatusLabelCount; ++i) {
        display::setTwLeft(labels[i], layout.Labels[i].x());
        display::setTwTop(labels[i], layout.Labels[i].y());
    }
}

int frmSpecAn::setAutoSizeCaption(QLabel* label, const QString& caption) {
    label->setText(caption);
    const int width =
        caption.isEmpty() ? 0 : textWidthTwips(label, caption) + display::TwipsPerPixel;
    display::setTwWidth(label, width);
    return width;
}

void frmSpecAn::setStatusCaption(QLabel* label, const QString& caption) {
    const int width = setAutoSizeCaption(label, caption);
    const auto labels = statusLabels();
    for (int i = 0; i < display::StatusLabelCount; ++i)
        if (labels[i] == label && m_statusWidths.widthChanged(display::StatusLabel(i), width))
            LayoutStatusPanel();
}

void frmSpecAn::setStatusColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

void frmSpecAn::LoadDisplayColors() {
    const auto mode = m_view.lineMode() ? display::GraphMode::Line : display::GraphMode::Bar;
    m_colors = display::LoadDisplayColors(settings::IniFile(core::modMain().IniFilePath), mode,
                                          frDisplay->palette());
    frDisplay->setColors(m_colors);
    showComparisonScale();
    clrPickerBackBox->setValue(m_colors.Numbers.PlotBackColor);
    clrPickerLast->setValue(m_colors.Numbers.LastColor);
    clrPickerPeak->setValue(m_colors.Numbers.PeakColor);
    clrPickerAverage->setValue(m_colors.Numbers.AverageColor);
}

void frmSpecAn::UpdateChannelReading(int Chan, qint32 Level, qint16 PeakIn, qint32 AverageIn,
                                     bool Recorded) {
    if (!Recorded) {
        engine().UpdateChannelReading(Chan, Level);
        return;
    }
    if (scan::ReadingsModel::checkRecorded(Chan, Level) == scan::UpdateOutcome::Stored)
        DrawChannel({Chan, Level, PeakIn, AverageIn, true, readings()[Chan]});
}

void frmSpecAn::engineChannelStored(int chan, const scan::ChannelReading& reading) {
    frScan->hide();
    if (m_view.displayIsLive())
        DrawChannel({chan, reading.Last, 0, 0, false, reading});
}

// A skipped channel's slot shows empty on the live display, paused or not; a recorded loop on
// display keeps its own picture.
void frmSpecAn::engineChannelSkipped(int chan) {
    if (m_view.followingLive())
        UpdateChannelReading(chan, 120, 121, 121, true);
}

void frmSpecAn::DrawChannel(const display::ChannelDraw& channel) {
    const std::optional<double> markerLeft =
        frDisplay->DrawChannel(m_plotGeometry, m_view.plotOptions(), channel);
    if (markerLeft)
        display::setTwipsRect(frScan, QRect(int(*markerLeft), 0, m_plotGeometry.ChanWidth,
                                            m_plotGeometry.PlotHeight));
}

void frmSpecAn::refreshElapsed(const QDateTime& now) {
    const qint64 seconds = core::wallClockSecsTo(m_shownScanStart, now);
    if (seconds == m_shownElapsed)
        return;
    m_shownElapsed = seconds;
    setStatusCaption(lblElapsed,
                     QStringLiteral("Elapsed: ") + core::FormatElapsed(double(seconds)));
}

// The clock, the elapsed time of a scan followed live, and the attenuation box's blink. The
// timer ticks twice a second so that the clock never lags a second; a tick within the second
// shown spares the clock and the elapsed time, whose local time costs a look at the time zone.
void frmSpecAn::timeTimer_Timer() {
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    const bool newSecond = second != m_shownClockSecond;
    const bool elapsedDue =
        engine().ScanActive() && m_view.followingLive() && (newSecond || m_shownElapsed < 0);
    if (newSecond || elapsedDue) {
        const QDateTime now = core::nowToTheSecond();
        if (newSecond) {
            m_shownClockSecond = second;
            setStatusCaption(lblCurrentTime, core::dateTimeText(now));
        }
        if (elapsedDue)
            refreshElapsed(now);
    }
    if (!engine().ScanActive() && m_view.attenuation() > 0) {
        ++m_attenuationBlinkTicks;
        txtAtten->setEnabled(m_attenuationBlinkTicks < 10 ? !txtAtten->isEnabled() : true);
    } else {
        m_attenuationBlinkTicks = 0;
        txtAtten->setEnabled(true);
    }
}

void frmSpecAn::frequencyLimitsChanged() {
    udFLLimit->setValue(m_view.lowLimitPosition());
    udFULimit->setValue(m_view.highLimitPosition());
    rewriteLimitText(txtFLLimit);
    rewriteLimitText(txtFULimit);
    BuildFreqAxis();
    // The readings start anew with the axis; a recorded loop on display is drawn again.
    if (!m_view.followingLive())
        redrawShown();
}

void frmSpecAn::udFLLimit_Change() {
    m_view.setLowLimitPosition(udFLLimit->value());
}

void frmSpecAn::udFULimit_Change() {
    m_view.setHighLimitPosition(udFULimit->value());
}

void frmSpecAn::udLLimit_Change() {
    m_view.setLowerLevel(udLLimit->value());
    levelLimitsChanged(txtLLimit);
}

void frmSpecAn::udULimit_Change() {
    m_view.setUpperLevel(udULimit->value());
    levelLimitsChanged(txtULimit);
}

// A recorded loop on display is drawn again at the new scale.
void frmSpecAn::levelLimitsChanged(QLineEdit* text) {
    rewriteLimitText(text);
    BuildLevelAxis();
    redrawShown();
}

void frmSpecAn::udAtten_Change() {
    m_view.setAttenuation(udAtten->value());
    rewriteLimitText(txtAtten);
}

void frmSpecAn::rewriteLimitText(QLineEdit* text) {
    if (text == txtFLLimit)
        text->setText(scan::frequencyText(m_view.frequencyLimits().FreqLowLimit));
    else if (text == txtFULimit)
        text->setText(scan::frequencyText(m_view.frequencyLimits().FreqHighLimit));
    else if (text == txtLLimit)
        text->setText(QString::number(m_view.lowerLevel()));
    else if (text == txtULimit)
        text->setText(QString::number(m_view.upperLevel()));
    else if (text == txtAtten)
        text->setText(QString::number(m_view.attenuation()));
    else if (text == txtOWname || text == txtSerialNumber || text == txtOWmsg)
        text->clear(); // the identity fields keep their empty design text
}

void frmSpecAn::chkLine_Click() {
    m_view.setLineMode(chkLine->isChecked());
    frDisplay->Cls();
    LoadDisplayColors();
    redrawShown();
}

// What is on display is drawn again: the recorded loop from its record, or the live readings,
// as they were when the display was paused.
void frmSpecAn::redrawShown() {
    if (!m_view.followingLive()) {
        ShowRecordedLoop(scrollTime->value());
        return;
    }
    frDisplay->Cls();
    const scan::Readings& shown =
        m_view.paused() && m_pausedReadings ? *m_pausedReadings : readings();
    for (int chan = 0; chan < scan::ChannelCount; ++chan) {
        const scan::ChannelReading& reading = shown[chan];
        const auto measured =
            scan::ChannelState(chan, m_view.groupBoxes(), m_view.frequencyLimits()) ==
            scan::ChannelVerdict::Measure;
        if (reading.Last > 0 && measured)
            DrawChannel({chan, reading.Last, 0, 0, false, reading});
    }
}

void frmSpecAn::mnuDisplayClear_Click() {
    frDisplay->Cls();
}

void frmSpecAn::mnuDisplayColor_Click() {
    ShowColorPalette();
}

void frmSpecAn::ShowColorPalette() {
    setEnabled(false);
    auto* palette = new display::frmColorPalette(core::modMain().IniFilePath, this);
    palette->setAttribute(Qt::WA_DeleteOnClose);
    palette->Form_Load(m_view.lineMode());
    connect(palette, &display::frmColorPalette::applied, this, &frmSpecAn::LoadDisplayColors);
    connect(palette, &display::frmColorPalette::unloaded, this, [this] { setEnabled(true); });
    const QRect frame = frameGeometry();
    palette->move(frame.left() + frame.width() / 2 - palette->width() / 2,
                  frame.top() + 2 * frDisplay->y() + 8);
    palette->show();
    palette->raise();
}

} // namespace app
