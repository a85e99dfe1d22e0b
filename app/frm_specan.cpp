// SPDX-License-Identifier: MIT
#include "app/frm_specan.h"

#include "core/program_state.h"
#include "core/time_scale.h"
#include "display/color_swatch.h"
#include "display/plot_view.h"
#include "display/readout.h"
#include "display/scroll_bar_style.h"
#include "display/up_down.h"
#include "display/widget_twips.h"
#include "recording/frm_dlg_file_save.h"
#include "scan/frm_scan_quit.h"
#include "settings/program_settings.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace app {

namespace {

template <typename T> T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

template <typename T>
T* place(T* widget, const char* name, int left, int top, int width, int height) {
    named(widget, name);
    display::setTwipsRect(widget, QRect(left, top, width, height));
    return widget;
}

QLabel* autoSizeLabel(QLabel* label) {
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

QLineEdit* readOnlyBox(QLineEdit* box) {
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return box;
}

QFrame* lineShape(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    line->setBackgroundRole(QPalette::WindowText);
    return line;
}

} // namespace

frmSpecAn::frmSpecAn(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmSpecAn"));
    QFont formFont = font();
    formFont.setPointSizeF(8.25);
    setFont(formFont);
    createControls();
    createMenu();
    createTimers();
    wireControls();
    wireEngine();
    wireRemote();
    wireAlarms();
    settings::setWriteFailureHandler([this](const QString& path) { settingsNotSaved(path); });
}

frmSpecAn::~frmSpecAn() {
    settings::setWriteFailureHandler({});
    engine().shutDown();
    delete m_scanQuit;
    delete m_fileSave;
}

void frmSpecAn::createControls() {
    // Plot area and what lies on it.
    frDisplay = place(new display::PlotView(this), "frDisplay", 1215, 360, 7995, 3195);
    QFont plotFont = font();
    plotFont.setPointSizeF(6.75);
    frDisplay->setFont(plotFont);
    frDisplay->setFocusPolicy(Qt::StrongFocus);

    picLegend = place(new QWidget(frDisplay), "picLegend", 0, 60, 3135, 375);
    picLegend->setAutoFillBackground(true);
    lblLegend =
        place(new QLabel(QStringLiteral("Last         Peak        Average       Back"), picLegend),
              "lblLegend", 60, 60, 2715, 195);
    lblLegend->setToolTip(QStringLiteral("Click to Hide Legend"));
    const auto swatch = [this](const char* name, int left) {
        return place(new display::ColorSwatch(picLegend), name, left, 60, 195, 195);
    };
    clrPickerLast = swatch("clrPickerLast", 420);
    clrPickerPeak = swatch("clrPickerPeak", 1140);
    clrPickerAverage = swatch("clrPickerAverage", 2100);
    clrPickerBackBox = swatch("clrPickerBackBox", 2820);
    // Each swatch after its word in the font the caption is really drawn in.
    const QFontMetrics legendFont(lblLegend->font());
    const auto legendWidth = [&legendFont](const QString& text) {
        return legendFont.horizontalAdvance(text) * display::TwipsPerPixel;
    };
    const display::LegendLayout legend =
        display::layoutLegend(lblLegend->text(), display::twLeft(lblLegend), legendWidth);
    display::setTwWidth(lblLegend, legendWidth(lblLegend->text()) + display::TwipsPerPixel);
    display::setTwWidth(picLegend, legend.Width);
    display::ColorSwatch* const swatches[] = {clrPickerLast, clrPickerPeak, clrPickerAverage,
                                              clrPickerBackBox};
    for (int i = 0; i < 4; ++i)
        display::setTwLeft(swatches[i], legend.SwatchLefts[i]);
    picLegend->hide();

    txtStatBox = place(new QPlainTextEdit(frDisplay), "txtStatBox", 0, 60, 1395, 855);
    txtStatBox->setPlainText(QStringLiteral("Freq:\nLast:\nPeak:\nAve:\n"));
    txtStatBox->setReadOnly(true);
    txtStatBox->setToolTip(QStringLiteral("Click to hide Channel Readout"));
    txtStatBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtStatBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtStatBox->setFocusPolicy(Qt::NoFocus);
    // The boxes on the plot paint all of their area, so the plot need not repaint beneath them.
    txtStatBox->setAutoFillBackground(true);

    txtRestoredScan = place(new QLineEdit(frDisplay), "txtRestoredScan", 60, 60, 2895, 285);
    txtRestoredScan->setReadOnly(true);
    txtRestoredScan->setAutoFillBackground(true);
    txtRestoredScan->hide();

    frScan = place(new QFrame(frDisplay), "frScan", 0, 0, 90, 3195);
    lineFrScan = place(lineShape(frScan), "lineFrScan", 0, 300, 15, 4500);
    frScan->hide();

    // Frequency axis: element 0 of the group boxes exists from the start.
    chkLB1 = place(new QCheckBox(QStringLiteral("Lo 1"), this), "chkLB1", 1215, 60, 855, 240);
    chkLB2 = place(new QCheckBox(QStringLiteral("Lo 2"), this), "chkLB2", 2070, 60, 855, 240);
    chkLB1->setToolTip(QStringLiteral("895.8 mHz - 898.8 mHz"));
    chkLB2->setToolTip(QStringLiteral("899.0 mHz - 902.0 mHz"));
    chkLB1->setChecked(true);
    chkLB2->setChecked(true);
    addGroupBox(0);

    // Level axis.
    lblDBM.append(place(new QLabel(QStringLiteral("-45 dBm"), this), "lblDBM_0", 0, 0, 555, 195));
    lblDBM[0]->hide();
    lineVertLevel = place(lineShape(this), "lineVertLevel", 900, 2640, 120, 15);
    txtULimit = place(readOnlyBox(new QLineEdit(QStringLiteral("-40"), this)), "txtULimit", 360,
                      210, 735, 285);
    txtLLimit = place(readOnlyBox(new QLineEdit(QStringLiteral("-120"), this)), "txtLLimit", 360,
                      3405, 735, 285);
    txtAtten = place(readOnlyBox(new QLineEdit(QStringLiteral("0"), this)), "txtAtten", 360, 3795,
                     735, 285);
    udULimit = place(new display::UpDown(Qt::Vertical, this), "udULimit", 375, 225, 255, 375);
    udULimit->setRange(settings::UpperLevelRange.min, settings::UpperLevelRange.max);
    udULimit->setIncrement(5);
    udULimit->setValue(settings::DesignUpperLevel);
    udLLimit = place(new display::UpDown(Qt::Vertical, this), "udLLimit", 375, 3420, 255, 375);
    udLLimit->setRange(settings::LowerLevelRange.min, settings::LowerLevelRange.max);
    udLLimit->setIncrement(5);
    udLLimit->setValue(settings::DesignLowerLevel);
    udAtten = place(new display::UpDown(Qt::Vertical, this), "udAtten", 375, 3810, 255, 375);
    udAtten->setRange(0, 100);
    udAtten->setValue(0);
    lblAtten = place(autoSizeLabel(new QLabel(QStringLiteral("Atten."), this)), "lblAtten", 375,
                     4080, 555, 195);

    // Status strip with its labels, and the playback strip.
    frTextDisplay = place(new QFrame(this), "frTextDisplay", 1215, 3540, 7995, 315);
    static_cast<QFrame*>(frTextDisplay)->setFrameShape(QFrame::Box);
    const auto statusLabel = [this](const char* name, const char* caption) {
        auto* label =
            place(new QLabel(QString::fromLatin1(caption), frTextDisplay), name, 60, 15, 0, 195);
        label->setTextFormat(Qt::PlainText);
        // Opaque, so that a new caption repaints the label alone, not the strip beneath it.
        label->setAutoFillBackground(true);
        return label;
    };
    lblCurrentTime = statusLabel("lblCurrentTime", "CurrentTime");
    lblStatus = statusLabel("lblStatus", "Stopped");
    lblCount = statusLabel("lblCount", "Count:");
    lblElapsed = statusLabel("lblElapsed", "Elapsed:");
    lblDisplayTime = statusLabel("lblDisplayTime", "");
    scrollBarBorder = place(new QFrame(this), "scrollBarBorder", 1215, 3780, 7995, 300);
    scrollBarBorder->setFrameShape(QFrame::Box);
    scrollTime = place(new QScrollBar(Qt::Horizontal, this), "scrollTime", 1230, 3795, 7965, 255);
    scrollTime->setRange(1, 1);
    scrollTime->setValue(1);
    scrollTime->setPageStep(10);
    scrollTime->setAutoFillBackground(true);
    display::paintWithoutHelperThreads(scrollTime);
    for (QLabel* label : {lblCurrentTime, lblStatus, lblCount, lblElapsed})
        setStatusCaption(label, label->text());

    // Limits, command and option rows.
    txtFLLimit = place(readOnlyBox(new QLineEdit(QStringLiteral("902.2"), this)), "txtFLLimit",
                       1215, 4200, 915, 285);
    txtFULimit = place(readOnlyBox(new QLineEdit(QStringLiteral("927.6"), this)), "txtFULimit",
                       8295, 4200, 915, 285);
    txtFLLimit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    udFLLimit = place(new display::UpDown(Qt::Horizontal, this), "udFLLimit", 1755, 4215, 375, 255);
    udFULimit = place(new display::UpDown(Qt::Horizontal, this), "udFULimit", 8310, 4215, 375, 255);
    for (display::UpDown* limit : {udFLLimit, udFULimit})
        limit->setRange(settings::FreqLimitRange.min, settings::FreqLimitRange.max);
    udFLLimit->setValue(settings::LowerFreqFallback);
    udFULimit->setValue(settings::UpperFreqFallback);

    const auto button = [this](const char* name, const char* caption, int width) {
        return place(new QPushButton(QString::fromLatin1(caption), this), name, 0, 4185, width,
                     315);
    };
    cmdConnect = button("cmdConnect", "Start", 855);
    cmdSetup = button("cmdSetup", "Setup", 855);
    cmdScan = button("cmdScan", "Scan", 795);
    cmdPauseTest = button("cmdPauseTest", "Pause", 795);
    cmdStopTest = button("cmdStopTest", "Stop", 795);
    cmdGotoEnd = button("cmdGotoEnd", ">>", 435);
    cmdClearPeaks = button("cmdClearPeaks", "Reset Peaks", 1515);
    cmdClearAverages = button("cmdClearAverages", "Reset Averages", 1635);
    cmdReDraw = button("cmdReDraw", "Re-Draw", 855);
    cmdClose = button("cmdClose", "Exit", 795);
    cmdPauseTest->setToolTip(
        QStringLiteral("Pauses the display of RSSI reading's only......the test continues."));
    cmdStopTest->setToolTip(QStringLiteral("Stops the test after the current loop."));
    cmdStopTest->setEnabled(false);
    cmdGotoEnd->setEnabled(false);
    cmdPauseTest->setEnabled(false);
    cmdScan->setEnabled(false);
    cmdSetup->setEnabled(false);
    lblCurrentComPort = place(autoSizeLabel(new QLabel(QStringLiteral("Current Port"), this)),
                              "lblCurrentComPort", 0, 4238, 1080, 210);

    const auto option = [this](const char* name, const char* caption, int width) {
        return place(new QCheckBox(QString::fromLatin1(caption), this), name, 0, 4620, width, 255);
    };
    chkRunForever = option("chkRunForever", "Run Forever", 1455);
    chkShowPeaks = option("chkShowPeaks", "Show Peaks", 1455);
    chkShowAverages = option("chkShowAverages", "Show Averages", 1695);
    chkLine = option("chkLine", "Line", 795);
    chkSpectrum = option("chkSpectrum", "Spectrum", 1455);
    chkChannel = option("chkChannel", "Channel", 1695);
    chkShowPeaks->setChecked(true);
    chkShowAverages->setChecked(true);
    chkSpectrum->setChecked(true);
    txtUDChanNum = place(readOnlyBox(new QLineEdit(QStringLiteral("1"), this)), "txtUDChanNum", 0,
                         4965, 735, 285);
    udChanNum = place(new display::UpDown(Qt::Vertical, this), "udChanNum", 0, 4980, 255, 255);
    udChanNum->setRange(1, 128);
    udChanNum->setValue(1);
    udChanNum->setEnabled(false);
    txtUDChanNum->setEnabled(false);
    txtForeverFileName = place(new QLineEdit(this), "txtForeverFileName", 0, 4620, 2000, 285);
    QPalette foreverPalette = txtForeverFileName->palette();
    foreverPalette.setColor(QPalette::Base, QColor(230, 230, 230));
    txtForeverFileName->setPalette(foreverPalette);
    lblSpeed = place(autoSizeLabel(new QLabel(QStringLiteral("Scan Speed"), this)), "lblSpeed", 0,
                     4620, 855, 195);
    scrlSpeed = place(new QScrollBar(Qt::Horizontal, this), "scrlSpeed", 0, 4620, 1200, 255);
    scrlSpeed->setRange(1, 4);
    scrlSpeed->setValue(4);

    // Radio identity fields, and the diagnostic terminal below the window's edge.
    lblOWName = place(autoSizeLabel(new QLabel(QStringLiteral("Radio Model"), this)), "lblOWName",
                      0, 0, 1155, 195);
    txtOWname = place(new QLineEdit(this), "txtOWname", 0, 0, 1815, 285);
    lblSerialNumber = place(autoSizeLabel(new QLabel(QStringLiteral("S/N:"), this)),
                            "lblSerialNumber", 0, 0, 375, 195);
    txtSerialNumber = place(new QLineEdit(this), "txtSerialNumber", 0, 0, 1215, 285);
    lblOWmsg = place(autoSizeLabel(new QLabel(QStringLiteral("Message"), this)), "lblOWmsg", 0, 0,
                     1155, 195);
    txtOWmsg = place(new QLineEdit(this), "txtOWmsg", 0, 0, 3555, 285);
    Command5 =
        place(new QPushButton(QStringLiteral("Exit Mode"), this), "Command5", 0, 0, 975, 315);
    txtTerm = place(new QPlainTextEdit(this), "txtTerm", 60, 5600, 6000, 1500);
    txtTerm2 = place(new QLineEdit(this), "txtTerm2", 60, 7200, 6000, 285);
    txtInput = place(new QLineEdit(this), "txtInput", 6200, 7200, 2000, 285);
    Command8 =
        place(new QPushButton(QStringLiteral("cls"), this), "Command8", 6200, 5600, 615, 315);
    cmdConnect1 = place(new QPushButton(QStringLiteral("Connect"), this), "cmdConnect1", 6200, 6000,
                        855, 315);

    for (QWidget* hidden : std::initializer_list<QWidget*>{
             txtOWname,  lblOWName,          txtSerialNumber, lblSerialNumber,
             txtOWmsg,   lblOWmsg,           Command5,        cmdScan,
             cmdSetup,   cmdPauseTest,       cmdReDraw,       chkSpectrum,
             chkChannel, txtUDChanNum,       udChanNum,       lblSpeed,
             scrlSpeed,  txtForeverFileName, txtTerm,         txtTerm2,
             txtInput,   Command8,           cmdConnect1})
        hidden->hide();
}

QCheckBox* frmSpecAn::addGroupBox(int index) {
    auto* box = new QCheckBox(this);
    box->setObjectName(QStringLiteral("chkChGroup_%1").arg(index));
    display::setTwipsRect(box, QRect(1215, 60, 855, 240));
    box->setChecked(m_view.groupBoxes().group[index]);
    if (index == 0)
        box->setText(QStringLiteral("Grp 1"));
    box->setToolTip(QStringLiteral("902.2 mHz - 905.2 mHz"));
    connect(box, &QCheckBox::toggled, this, [this, index] { chkChGroup_Click(index); });
    if (chkChGroup.size() <= index)
        chkChGroup.resize(index + 1);
    chkChGroup[index] = box;
    return box;
}

void frmSpecAn::createMenu() {
    mnuDisplay = named(new QMenu(QStringLiteral("Display"), this), "mnuDisplay");
    mnuOpenSavedScan = mnuDisplay->addAction(QStringLiteral("Open Saved Scan"));
    mnuOpenSavedScan->setObjectName(QStringLiteral("mnuOpenSavedScan"));
    const auto displayEntry = [this](const char* name, const char* caption) {
        QAction* action = mnuDisplay->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    mnuWaterfall = displayEntry("mnuWaterfall", "Waterfall");
    mnuSurveyReport = displayEntry("mnuSurveyReport", "Survey Report");
    mnuSavePicture = displayEntry("mnuSavePicture", "Save Picture");
    mnuCompareWith = displayEntry("mnuCompareWith", "Compare With...");
    mnuClearComparison = displayEntry("mnuClearComparison", "Clear Comparison");
    mnuClearComparison->setEnabled(false);
    mnuDisplay->addSeparator();
    mnuRemoteRadio = displayEntry("mnuRemoteRadio", "Remote Radio...");
    mnuLocalRadio = displayEntry("mnuLocalRadio", "Local Radio");
    mnuSaveRemote = displayEntry("mnuSaveRemote", "Save Remote Scan");
    mnuLocalRadio->setEnabled(false);
    mnuSaveRemote->setEnabled(false);
    mnuDisplay2 = named(new QMenu(QStringLiteral("Display"), mnuDisplay), "mnuDisplay2");
    mnuDisplayClear = mnuDisplay2->addAction(QStringLiteral("Clear Display"));
    mnuDisplayClear->setObjectName(QStringLiteral("mnuDisplayClear"));
    // The "Display" submenu is hidden: "Clear Display" is reached from the plot's own menu entry.
    mnuDisplay->addAction(mnuDisplayClear);
    mnuDisplay->addSeparator();
    mnuSettings = named(mnuDisplay->addMenu(QStringLiteral("Setting's")), "mnuSettings");
    const auto entry = [](QMenu* menu, const char* name, const char* caption) {
        QAction* action = menu->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    mnuSaveSettings = entry(mnuSettings, "mnuSaveSettings", "Save Settings");
    mnuRestoreSettings = entry(mnuSettings, "mnuRestoreSettings", "Restore Settings");
    mnuAutoStart = entry(mnuSettings, "mnuAutoStart", "AutoStart Scan");
    mnuAutoStart->setCheckable(true);
    mnuAutoStart->setVisible(false);
    mnuAutoSave = entry(mnuSettings, "mnuAutoSave", "AutoSave Scans");
    mnuAutoSave->setCheckable(true);
    mnuShowLegend = entry(mnuSettings, "mnuShowLegend", "Show Legend");
    mnuShowLegend->setCheckable(true);
    mnuSettings->addSeparator();
    mnuSerialPort = named(mnuSettings->addMenu(QStringLiteral("Serial Port")), "mnuSerialPort");
    mnuSerialPort->setToolTipsVisible(true); // each entry's tip names its device
    mnuCom.resize(11);
    for (int n = 1; n <= 10; ++n) {
        mnuCom[n] = mnuSerialPort->addAction(QStringLiteral("Com %1").arg(n));
        mnuCom[n]->setObjectName(QStringLiteral("mnuCom%1").arg(n));
        mnuCom[n]->setCheckable(true);
        mnuCom[n]->setEnabled(false);
    }
    mnuDisplayColor = entry(mnuSettings, "mnuDisplayColor", "Display Color's");
    mnuDisplay->addSeparator();
    mnuAbout = entry(mnuDisplay, "mnuAbout", "About");
    mnuQuit = entry(mnuDisplay, "mnuQuit", "Quit");
}

void frmSpecAn::createTimers() {
    const auto timer = [this](QTimer*& member, const char* name, int interval) {
        member = new QTimer(this);
        member->setObjectName(QString::fromLatin1(name));
        member->setInterval(core::scaledMs(interval));
    };
    timer(tmrFlash, "tmrFlash", 750);
    // The clock ticks in real time whatever the scale of the protocol timers.
    timeTimer = named(new QTimer(this), "timeTimer");
    timeTimer->setInterval(500);
    timeTimer->start();
}

void frmSpecAn::wireControls() {
    connect(udFLLimit, &display::UpDown::Change, this, &frmSpecAn::udFLLimit_Change);
    connect(udFULimit, &display::UpDown::Change, this, &frmSpecAn::udFULimit_Change);
    connect(udLLimit, &display::UpDown::Change, this, &frmSpecAn::udLLimit_Change);
    connect(udULimit, &display::UpDown::Change, this, &frmSpecAn::udULimit_Change);
    connect(udAtten, &display::UpDown::Change, this, &frmSpecAn::udAtten_Change);
    connect(chkLB1, &QCheckBox::toggled, this,
            [this](bool on) { m_view.setLowBandChecked(1, on); });
    connect(chkLB2, &QCheckBox::toggled, this,
            [this](bool on) { m_view.setLowBandChecked(2, on); });
    connect(chkSpectrum, &QCheckBox::toggled, this, &frmSpecAn::chkSpectrum_Click);
    connect(chkChannel, &QCheckBox::toggled, this, &frmSpecAn::chkChannel_Click);
    connect(chkLine, &QCheckBox::toggled, this, &frmSpecAn::chkLine_Click);
    connect(chkShowPeaks, &QCheckBox::toggled, this, &frmSpecAn::chkShowPeaks_Click);
    connect(chkShowAverages, &QCheckBox::toggled, this, &frmSpecAn::chkShowAverages_Click);
    connect(cmdClearPeaks, &QPushButton::clicked, this, &frmSpecAn::cmdClearPeaks_Click);
    connect(cmdClearAverages, &QPushButton::clicked, this, &frmSpecAn::cmdClearAverages_Click);
    connect(mnuDisplayClear, &QAction::triggered, this, &frmSpecAn::mnuDisplayClear_Click);
    connect(mnuDisplayColor, &QAction::triggered, this, &frmSpecAn::mnuDisplayColor_Click);
    connect(timeTimer, &QTimer::timeout, this, &frmSpecAn::timeTimer_Timer);
    connect(frDisplay, &display::PlotView::mouseMoved, this, &frmSpecAn::frDisplay_MouseMove);
    connect(frDisplay, &display::PlotView::mouseReleased, this, &frmSpecAn::frDisplay_MouseUp);
    connect(mnuShowLegend, &QAction::triggered, this, &frmSpecAn::mnuShowLegend_Click);
    connect(mnuOpenSavedScan, &QAction::triggered, this, &frmSpecAn::mnuOpenSavedScan_Click);
    connect(mnuWaterfall, &QAction::triggered, this, &frmSpecAn::mnuWaterfall_Click);
    connect(mnuSurveyReport, &QAction::triggered, this, &frmSpecAn::mnuSurveyReport_Click);
    connect(mnuSavePicture, &QAction::triggered, this, &frmSpecAn::mnuSavePicture_Click);
    connect(mnuCompareWith, &QAction::triggered, this, &frmSpecAn::mnuCompareWith_Click);
    connect(mnuClearComparison, &QAction::triggered, this, &frmSpecAn::mnuClearComparison_Click);
    txtStatBox->viewport()->installEventFilter(this);

    connect(cmdConnect, &QPushButton::clicked, this, &frmSpecAn::cmdConnect_Click);
    connect(cmdStopTest, &QPushButton::clicked, this, &frmSpecAn::cmdStopTest_Click);
    connect(cmdPauseTest, &QPushButton::clicked, this, &frmSpecAn::cmdPauseTest_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmSpecAn::cmdClose_Click);
    connect(cmdGotoEnd, &QPushButton::clicked, this, &frmSpecAn::cmdGotoEnd_Click);
    connect(chkRunForever, &QCheckBox::toggled, this, &frmSpecAn::chkRunForever_Click);
    connect(scrlSpeed, &QScrollBar::valueChanged, this, &frmSpecAn::scrlSpeed_Change);
    connect(scrollTime, &QScrollBar::valueChanged, this, &frmSpecAn::scrollTime_Change);
    connect(tmrFlash, &QTimer::timeout, this, &frmSpecAn::tmrFlash_Timer);
    connect(mnuQuit, &QAction::triggered, this, &frmSpecAn::cmdClose_Click);
    connect(mnuDisplay, &QMenu::aboutToShow, this, &frmSpecAn::mnuDisplay_Click);
    connect(mnuSettings, &QMenu::aboutToShow, this, &frmSpecAn::mnuSettings_Click);
    connect(mnuAutoStart, &QAction::triggered, this, &frmSpecAn::mnuAutoStart_Click);
    connect(mnuAutoSave, &QAction::triggered, this, &frmSpecAn::mnuAutoSave_Click);
    connect(mnuSaveSettings, &QAction::triggered, this, &frmSpecAn::mnuSaveSettings_Click);
    connect(mnuRestoreSettings, &QAction::triggered, this, &frmSpecAn::mnuRestoreSettings_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmSpecAn::mnuAbout_Click);
    connect(cmdConnect1, &QPushButton::clicked, this, &frmSpecAn::cmdConnect1_Click);
    connect(cmdSetup, &QPushButton::clicked, this, &frmSpecAn::cmdSetup_Click);
    connect(Command5, &QPushButton::clicked, this, &frmSpecAn::Command5_Click);
    connect(Command8, &QPushButton::clicked, this, &frmSpecAn::Command8_Click);
    txtTerm2->installEventFilter(this);
    for (int n = 1; n < mnuCom.size(); ++n)
        connect(mnuCom[n], &QAction::triggered, this, [this, n] { mnuCom_Click(n); });

    // The limit boxes and the identity fields are read-only: focus goes to the plot, and a key
    // typed into one of them is undone.
    for (QWidget* box :
         std::initializer_list<QWidget*>{txtFLLimit, txtFULimit, txtLLimit, txtULimit, txtAtten,
                                         txtOWname, txtSerialNumber, txtOWmsg, txtRestoredScan})
        box->installEventFilter(this);
}

void frmSpecAn::wireEngine() {
    connect(&m_view, &ScanView::changed, this, &frmSpecAn::showView);
    connect(&m_view, &ScanView::limitsChanged, this, &frmSpecAn::frequencyLimitsChanged);
    using engine::EngineThread;
    EngineThread* e = &engine();
    connect(e, &EngineThread::statusText, this, &frmSpecAn::setStatusBox);
    connect(e, &EngineThread::statusBlinking, this, [this](bool on) {
        if (on)
            enableTimer(tmrFlash);
        else
            tmrFlash->stop();
    });
    connect(e, &EngineThread::statusShown, this, &frmSpecAn::setStatusBoxShown);
    connect(e, &EngineThread::setupProgress, txtTerm, &QPlainTextEdit::setPlainText);
    connect(e, &EngineThread::connecting, this, &frmSpecAn::engineConnecting);
    connect(e, &EngineThread::connected, this, &frmSpecAn::SaveSettings);
    connect(e, &EngineThread::connectGivenUp, this, &frmSpecAn::engineConnectGivenUp);
    connect(e, &EngineThread::tryAgainAsked, this, &frmSpecAn::engineTryAgainAsked);
    connect(e, &EngineThread::saveNameAsked, this, &frmSpecAn::engineSaveNameAsked);
    connect(e, &EngineThread::scanStarted, this, &frmSpecAn::engineScanStarted);
    connect(e, &EngineThread::channelStored, this, &frmSpecAn::engineChannelStored);
    connect(e, &EngineThread::batchDelivered, frDisplay, &display::PlotView::showDrawn);
    connect(e, &EngineThread::channelSkipped, this, &frmSpecAn::engineChannelSkipped);
    connect(e, &EngineThread::loopRecorded, this, &frmSpecAn::surveyWindowsAddLoop);
    connect(e, &EngineThread::loopEnded, this, &frmSpecAn::engineLoopEnded);
    connect(e, &EngineThread::scanStarted, this, &frmSpecAn::surveyWindowsFollowTheScanFile);
    connect(e, &EngineThread::scanFileOpened, this, &frmSpecAn::surveyWindowsFollowTheScanFile);
    connect(e, &EngineThread::peaksReset, cmdClearPeaks,
            [this] { cmdClearPeaks->setEnabled(true); });
    connect(e, &EngineThread::averagesReset, cmdClearAverages,
            [this] { cmdClearAverages->setEnabled(true); });
    connect(e, &EngineThread::stopping, this, &frmSpecAn::engineStopping);
    connect(e, &EngineThread::scanEnded, this, &frmSpecAn::engineScanEnded);
    connect(e, &EngineThread::scanFileOpened, this, &frmSpecAn::engineScanFileOpened);
    connect(e, &EngineThread::recordingSaved, this, &frmSpecAn::engineRecordingSaved);
    connect(e, &EngineThread::failure, this, &frmSpecAn::engineFailure);
    connect(e, &EngineThread::quitDone, this, [this] {
        if (m_closeWhenQuitDone)
            close();
    });
}

bool frmSpecAn::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtTerm2) {
        if (event->type() == QEvent::KeyPress)
            txtTerm2_KeyPress(static_cast<QKeyEvent*>(event)->text());
        return QWidget::eventFilter(watched, event);
    }
    if (watched == txtStatBox->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease)
            txtStatBox_Click();
        return QWidget::eventFilter(watched, event);
    }
    // The read-only boxes hand the focus to the plot, also when a button is released over the
    // status box.
    if (event->type() == QEvent::FocusIn ||
        (watched == txtRestoredScan && event->type() == QEvent::MouseButtonRelease)) {
        frDisplay->setFocus();
        return false;
    }
    if (event->type() == QEvent::KeyRelease) {
        if (auto* text = qobject_cast<QLineEdit*>(watched))
            rewriteLimitText(text);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace app
