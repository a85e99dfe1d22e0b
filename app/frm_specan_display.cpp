// SPDX-License-Identifier: MIT
// The main window's plot side: layout, axes, status strip, colours and the drawing of readings.
#include "app/frm_specan.h"

#include "app/conventions.h"
#include "app/main_module.h"
#include "app/twips.h"
#include "display/color_swatch.h"
#include "display/freq_axis.h"
#include "display/frm_color_palette.h"
#include "display/level_axis.h"
#include "display/plot_view.h"
#include "display/status_layout.h"
#include "display/up_down.h"
#include "settings/ini_file.h"

#include <QCheckBox>
#include <QCursor>
#include <QDateTime>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace app {

namespace {

int textWidthTwips(const QWidget* w, const QString& text) {
    return QFontMetrics(w->font()).horizontalAdvance(text) * TwipsPerPixel;
}

int textHeightTwips(const QWidget* w) {
    return QFontMetrics(w->font()).height() * TwipsPerPixel;
}

// Places an up-down over one end of its text box, as the window's layout rules put them.
void overLeftEnd(QWidget* upDown, const QWidget* box) {
    setTwipsRect(upDown, QRect(twLeft(box) + TwipsPerPixel, twTop(box) + TwipsPerPixel,
                               twWidth(upDown), twHeight(box) - 30));
}

void overRightEnd(QWidget* upDown, const QWidget* box) {
    setTwipsRect(upDown, QRect(twRight(box) - twWidth(upDown) - TwipsPerPixel,
                               twTop(box) + TwipsPerPixel, twWidth(upDown), twHeight(box) - 30));
}

} // namespace

int frmSpecAn::ScaleWidth() const {
    return WindowWidthPixels * TwipsPerPixel;
}

void frmSpecAn::LayoutMainWindow() {
    constexpr int px = TwipsPerPixel;
    setFixedSize(WindowWidthPixels, toPixels(WindowHeightTwips));

    setTwipsRect(frDisplay,
                 QRect(twWidth(lblOWName) + 60, twHeight(chkChGroup[0]) + 120,
                       ScaleWidth() - (twWidth(lblOWName) + 60) - 180, twHeight(frDisplay)));
    setTwTop(txtStatBox, 60);
    setTwLeft(txtStatBox, twWidth(frDisplay) - twWidth(txtStatBox) - 60);

    setTwipsRect(frTextDisplay, QRect(twLeft(frDisplay), twBottom(frDisplay) - px,
                                      twWidth(frDisplay), twHeight(lblCurrentTime) + 60));
    setTwipsRect(lineVertLevel, QRect(twLeft(frDisplay) - 90, twTop(lineVertLevel), 90, px));
    setTwipsRect(scrollBarBorder, QRect(twLeft(frDisplay), twBottom(frTextDisplay) - px,
                                        twWidth(frDisplay), twHeight(scrollTime) + 3 * px));
    setTwipsRect(scrollTime, QRect(twLeft(frTextDisplay) + px, twBottom(frTextDisplay),
                                   twWidth(frTextDisplay) - 2 * px, twHeight(scrollTime)));
    setTwLeft(lblCount, twLeft(frDisplay));
    setTwTop(picLegend, 60);
    setTwLeft(picLegend, twWidth(frDisplay) / 2 - twWidth(lblLegend) / 2);

    // Level limits and attenuation, left of the plot.
    setTwTop(txtLLimit, twBottom(frDisplay) - twHeight(txtLLimit) / 2);
    setTwLeft(txtLLimit, twLeft(frDisplay) - twWidth(txtLLimit) - 60);
    setTwTop(txtULimit, twTop(frDisplay) - twHeight(txtLLimit) / 2);
    setTwLeft(txtULimit, twLeft(frDisplay) - twWidth(txtULimit) - 60);
    setTwTop(txtAtten, twTop(scrollTime));
    setTwLeft(txtAtten, twLeft(frDisplay) - twWidth(txtAtten) - 60);
    overLeftEnd(udLLimit, txtLLimit);
    overLeftEnd(udULimit, txtULimit);
    overLeftEnd(udAtten, txtAtten);
    setTwTop(lblAtten, twBottom(txtAtten));
    setTwLeft(lblAtten, twLeft(udAtten));
    LevelLowLimit = udLLimit->value();
    LevelHighLimit = udULimit->value();

    // Frequency limits under the playback strip.
    const int rowTop = twBottom(scrollBarBorder) + 120;
    setTwTop(txtFLLimit, rowTop);
    setTwLeft(txtFLLimit, twLeft(frDisplay));
    overRightEnd(udFLLimit, txtFLLimit);
    setTwTop(txtFULimit, rowTop);
    setTwLeft(txtFULimit, twRight(frDisplay) - twWidth(txtFULimit));
    overLeftEnd(udFULimit, txtFULimit);

    // The command row is built from the right.
    const int commandTop = rowTop - px;
    int right = twLeft(udFULimit) - 60;
    for (QWidget* button : std::initializer_list<QWidget*>{
             cmdClearAverages, cmdClearPeaks, cmdGotoEnd, cmdStopTest, cmdPauseTest, cmdScan}) {
        setTwipsRect(button,
                     QRect(right - twWidth(button), commandTop, twWidth(button), twHeight(button)));
        right = twLeft(button) - 60;
    }
    setTwLeft(cmdConnect, twLeft(frDisplay) + twWidth(txtFLLimit) + 120);
    setTwTop(cmdConnect, commandTop);
    setTwLeft(cmdSetup, twRight(cmdConnect) + 60);
    setTwTop(cmdSetup, commandTop);
    setTwLeft(lblCurrentComPort, twRight(cmdConnect) + 120);
    setTwTop(lblCurrentComPort,
             twTop(cmdConnect) + (twHeight(cmdConnect) - twHeight(lblCurrentComPort)) / 2);

    // Identity rows (hidden) fix the rows below the command row.
    setTwLeft(txtOWname, twLeft(frDisplay));
    setTwTop(txtOWname, twBottom(cmdConnect) + 120);
    setTwLeft(lblOWName, twLeft(frDisplay) - twWidth(lblOWName) - 60);
    setTwTop(lblOWName, twTop(txtOWname));
    setTwLeft(lblSerialNumber, twRight(txtOWname) + 60);
    setTwTop(lblSerialNumber, twTop(txtOWname));
    setTwLeft(txtSerialNumber, twRight(lblSerialNumber) + 60);
    setTwTop(txtSerialNumber, twTop(txtOWname));
    setTwLeft(txtOWmsg, twLeft(frDisplay));
    setTwTop(txtOWmsg, twBottom(txtOWname) + 60);
    setTwLeft(lblOWmsg, twLeft(frDisplay) - twWidth(lblOWmsg) - 60);
    setTwTop(lblOWmsg, twTop(txtOWmsg));
    setTwLeft(Command5, twRight(txtOWmsg) + 120);
    setTwTop(Command5, twTop(txtOWmsg));

    const int optionsTop = twTop(txtOWname);
    for (QWidget* option :
         std::initializer_list<QWidget*>{chkShowPeaks, chkShowAverages, chkLine, chkRunForever,
                                         txtForeverFileName, lblSpeed, scrlSpeed})
        setTwTop(option, optionsTop);
    setTwLeft(chkShowPeaks, twLeft(cmdClearPeaks));
    setTwLeft(chkShowAverages, twLeft(cmdClearAverages));
    setTwLeft(chkLine, twLeft(udFULimit));
    setTwLeft(chkRunForever, twLeft(txtFLLimit));
    setTwLeft(txtForeverFileName, twRight(chkRunForever));
    setTwLeft(lblSpeed, twLeft(txtFLLimit));
    setTwLeft(scrlSpeed, twRight(lblSpeed) + 60);

    const int channelTop = twTop(txtOWmsg);
    for (QWidget* control : std::initializer_list<QWidget*>{chkSpectrum, chkChannel, txtUDChanNum})
        setTwTop(control, channelTop);
    setTwLeft(chkSpectrum, twLeft(chkShowPeaks));
    setTwLeft(chkChannel, twLeft(chkShowAverages));
    setTwLeft(txtUDChanNum, twRight(chkChannel) + 120);
    overRightEnd(udChanNum, txtUDChanNum);
    setTwLeft(udChanNum, twRight(txtUDChanNum) - twWidth(udChanNum));

    setTwTop(cmdClose, twTop(txtOWmsg));
    setTwLeft(cmdClose, twRight(frDisplay) - twWidth(cmdClose));
}

void frmSpecAn::BuildFreqAxis() {
    m_model.clear();
    ChannelCount = scan::ChannelCount;
    frDisplay->Cls();
    while (chkChGroup.size() > 1)
        delete chkChGroup.takeLast();

    const display::FreqAxis axis =
        display::BuildFreqAxis(frequencyLimits(), twLeft(frDisplay),
                               ScaleWidth() - twLeft(frDisplay) - 120, twHeight(frDisplay));
    modMain().BarGap = static_cast<qint16>(axis.BarGap);
    ChanWidth = axis.ChanWidth;
    GroupWidth = axis.GroupWidth;
    LowBandChannels = axis.LowBandChannels;
    setTwWidth(frDisplay, axis.PlotWidth);
    setTwLeft(txtStatBox, display::readoutBoxLeft(axis.PlotWidth, twWidth(txtStatBox)));
    LayoutStatusPanel();
    setTwLeft(frScan, 0);
    setTwWidth(frScan, ChanWidth);

    const auto applyBand = [](QCheckBox* box, const display::BandBox& band) {
        if (band.Check != display::CheckChange::Keep)
            box->setChecked(band.Check == display::CheckChange::Check);
        if (band.Visible) {
            setTwLeft(box, band.Left);
            setTwTop(box, band.Top);
        }
        box->setVisible(band.Visible);
    };
    applyBand(chkLB1, axis.LowBand1);
    applyBand(chkLB2, axis.LowBand2);

    for (int i = 0; i < int(axis.Groups.size()); ++i) {
        const display::GroupBox& group = axis.Groups[i];
        QCheckBox* box = i == 0 ? chkChGroup[0] : addGroupBox(i);
        setTwLeft(box, group.Left);
        setTwTop(box, group.Top);
        box->setText(group.Caption);
        box->setToolTip(group.ToolTip);
        box->show();
    }
    // A group left checked only beyond the new limits would leave the sweep nothing to measure.
    if (std::none_of(chkChGroup.begin(), chkChGroup.end(),
                     [](const QCheckBox* box) { return box->isChecked(); }))
        chkChGroup[0]->setChecked(true);
    frDisplay->setSeparators(axis.Separators);
}

void frmSpecAn::BuildLevelAxis() {
    const int labelHeight = textHeightTwips(this);
    const display::LevelAxis axis = display::BuildLevelAxis(
        udULimit->value(), udLLimit->value(), twTop(frDisplay), twHeight(frDisplay), labelHeight);
    LevelHighLimit = axis.LevelHighLimit;
    LevelLowLimit = axis.LevelLowLimit;
    LevelDivisions = axis.LevelDivisions;
    while (lblDBM.size() > 1)
        delete lblDBM.takeLast();
    setTwHeight(lblDBM[0], labelHeight);
    for (int i = 0; i < int(axis.Labels.size()); ++i) {
        const display::LevelLabel& level = axis.Labels[i];
        auto* label = new QLabel(level.Caption, this);
        label->setObjectName(QStringLiteral("lblDBM_%1").arg(i + 1));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const int width = textWidthTwips(label, level.Caption) + 2 * TwipsPerPixel;
        setTwipsRect(label, QRect(display::levelLabelLeft(twLeft(frDisplay), width), int(level.Top),
                                  width, labelHeight));
        label->show();
        lblDBM.append(label);
    }
    ComputeLevelScale();
}

void frmSpecAn::ComputeLevelScale() {
    const display::LevelScale scale =
        display::ComputeLevelScale(udULimit->value(), udLLimit->value(), twHeight(frDisplay));
    TwipsPerDb = scale.TwipsPerDb;
    PixelsPerDb = scale.PixelsPerDb;
}

std::array<QLabel*, display::StatusLabelCount> frmSpecAn::statusLabels() const {
    return {lblCurrentTime, lblStatus, lblCount, lblElapsed, lblDisplayTime};
}

void frmSpecAn::LayoutStatusPanel() {
    display::StatusLayoutInput input;
    input.Plot = twipsRect(frDisplay);
    input.CurrentTimeHeight = twHeight(lblCurrentTime);
    input.ScrollBarHeight = twHeight(scrollTime);
    const auto labels = statusLabels();
    for (int i = 0; i < display::StatusLabelCount; ++i)
        input.LabelWidths[i] = twWidth(labels[i]);
    input.BlankWidth = textWidthTwips(this, QStringLiteral(" "));

    const display::StatusLayout layout = display::LayoutStatusPanel(input);
    setTwipsRect(frTextDisplay, layout.Strip);
    setTwipsRect(scrollBarBorder, layout.ScrollBarBorder);
    setTwipsRect(scrollTime, layout.ScrollBar);
    for (int i = 0; i < display::StatusLabelCount; ++i) {
        setTwLeft(labels[i], layout.Labels[i].x());
        setTwTop(labels[i], layout.Labels[i].y());
    }
}

int frmSpecAn::setAutoSizeCaption(QLabel* label, const QString& caption) {
    label->setText(caption);
    const int width = caption.isEmpty() ? 0 : textWidthTwips(label, caption) + TwipsPerPixel;
    setTwWidth(label, width);
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
    const auto mode = chkLine->isChecked() ? display::GraphMode::Line : display::GraphMode::Bar;
    m_colors = display::LoadDisplayColors(settings::IniFile(modMain().IniFilePath), mode,
                                          frDisplay->palette());
    frDisplay->setColors(m_colors);
    clrPickerBackBox->setValue(m_colors.Numbers.PlotBackColor);
    clrPickerLast->setValue(m_colors.Numbers.LastColor);
    clrPickerPeak->setValue(m_colors.Numbers.PeakColor);
    clrPickerAverage->setValue(m_colors.Numbers.AverageColor);
}

bool frmSpecAn::displayIsLive() const {
    return cmdPauseTest->text() == QLatin1String("Pause") &&
           scrollTime->value() == scrollTime->maximum();
}

void frmSpecAn::UpdateChannelReading(int Chan, qint32 Level, qint16 PeakIn, qint32 AverageIn,
                                     bool Recorded) {
    if (Recorded) {
        if (scan::ReadingsModel::checkRecorded(Chan, Level) == scan::UpdateOutcome::Stored)
            DrawChannel(Chan, Level, PeakIn, AverageIn, true);
        return;
    }
    if (m_model.UpdateChannelReading(Chan, Level, udAtten->value()) != scan::UpdateOutcome::Stored)
        return;
    frScan->hide();
    if (displayIsLive())
        DrawChannel(Chan, m_model.reading(Chan).Last, 0, 0, false);
}

void frmSpecAn::DrawChannel(int Chan, int level, qint16 PeakIn, qint32 AverageIn, bool Recorded) {
    display::PlotGeometry geometry;
    geometry.ChanWidth = ChanWidth;
    geometry.BarGap = modMain().BarGap;
    geometry.PixelsPerDb = PixelsPerDb;
    geometry.TwipsPerDb = TwipsPerDb;
    geometry.LowBandChannels = LowBandChannels;
    geometry.UL = udULimit->value();
    geometry.LL = udLLimit->value();
    geometry.PlotHeight = twHeight(frDisplay);

    display::PlotOptions options;
    options.LineMode = chkLine->isChecked();
    options.ShowPeaks = chkShowPeaks->isChecked();
    options.ShowAverages = chkShowAverages->isChecked();
    options.ScanActive = modMain().ScanActive;
    options.ScrollAtMax = scrollTime->value() == scrollTime->maximum();

    const display::DrawResult result = frDisplay->DrawChannel(
        geometry, options, {Chan, level, PeakIn, AverageIn, Recorded, m_model.reading(Chan)});
    if (result.ScanMarkerLeft)
        setTwipsRect(frScan, QRect(int(*result.ScanMarkerLeft), 0, ChanWidth, geometry.PlotHeight));
    if (modMain().ScanActive && Chan > 0 && Chan % 10 == 0)
        refreshElapsed();
}

void frmSpecAn::refreshElapsed() {
    const auto seconds =
        secondsBetween(QStringView(lblStatus->text()).mid(8), QStringView(lblCurrentTime->text()));
    if (seconds)
        setStatusCaption(lblElapsed, QStringLiteral("Elapsed: ") + FormatElapsed(double(*seconds)));
}

void frmSpecAn::timeTimer_Timer() {
    setStatusCaption(lblCurrentTime, dateTimeText(QDateTime::currentDateTime()));
    if (!modMain().ScanActive && Val(txtAtten->text()) > 0) {
        ++m_attenuationBlinkTicks;
        txtAtten->setEnabled(m_attenuationBlinkTicks < 10 ? !txtAtten->isEnabled() : true);
    } else {
        m_attenuationBlinkTicks = 0;
        txtAtten->setEnabled(true);
    }
}

void frmSpecAn::frequencyLimitChanged() {
    scan::FrequencyLimits limits = frequencyLimits();
    limits = display::withLowLimitPosition(limits, udFLLimit->value());
    limits = display::withHighLimitPosition(limits, udFULimit->value());
    FreqLowLimit = limits.FreqLowLimit;
    FreqHighLimit = limits.FreqHighLimit;
    LowBandChannels = limits.lowBandChannels();
    rewriteLimitText(txtFLLimit);
    rewriteLimitText(txtFULimit);
    BuildFreqAxis();
}

void frmSpecAn::udFLLimit_Change() {
    frequencyLimitChanged();
}
void frmSpecAn::udFULimit_Change() {
    frequencyLimitChanged();
}

void frmSpecAn::udLLimit_Change() {
    rewriteLimitText(txtLLimit);
    BuildLevelAxis();
}

void frmSpecAn::udULimit_Change() {
    rewriteLimitText(txtULimit);
    BuildLevelAxis();
    if (!modMain().ScanActive && scrollTime->maximum() >= 2)
        scrollTime_Change();
}

void frmSpecAn::udAtten_Change() {
    rewriteLimitText(txtAtten);
}

void frmSpecAn::rewriteLimitText(QLineEdit* text) {
    if (text == txtFLLimit)
        text->setText(scan::frequencyText(FreqLowLimit));
    else if (text == txtFULimit)
        text->setText(scan::frequencyText(FreqHighLimit));
    else if (text == txtLLimit)
        text->setText(QString::number(udLLimit->value()));
    else if (text == txtULimit)
        text->setText(QString::number(udULimit->value()));
    else if (text == txtAtten)
        text->setText(QString::number(udAtten->value()));
    else if (text == txtOWname || text == txtSerialNumber || text == txtOWmsg)
        text->clear(); // the identity fields keep their empty design text
}

void frmSpecAn::chkLine_Click() {
    frDisplay->Cls();
    LoadDisplayColors();
}

void frmSpecAn::mnuDisplayClear_Click() {
    frDisplay->Cls();
}

void frmSpecAn::mnuDisplayColor_Click() {
    ShowColorPalette();
}

void frmSpecAn::ShowColorPalette() {
    setEnabled(false);
    auto* palette = new display::frmColorPalette(modMain().IniFilePath);
    palette->setAttribute(Qt::WA_DeleteOnClose);
    palette->Form_Load(chkLine->isChecked());
    connect(palette, &display::frmColorPalette::applied, this, &frmSpecAn::LoadDisplayColors);
    connect(palette, &display::frmColorPalette::unloaded, this, [this] { setEnabled(true); });
    const QRect frame = frameGeometry();
    palette->move(frame.left() + frame.width() / 2 - palette->width() / 2,
                  frame.top() + 2 * frDisplay->y() + 8);
    palette->show();
    palette->raise();
}

void frmSpecAn::frDisplay_MouseUp(int Button, int, int, int) {
    if (Button == 2)
        mnuDisplay->popup(QCursor::pos());
}

} // namespace app
