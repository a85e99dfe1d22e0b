// SPDX-License-Identifier: MIT
#pragma once

#include "display/display_colors.h"
#include "display/plot_renderer.h"
#include "display/status_layout.h"
#include "engine/engine_thread.h"
#include "radio/comm_port.h"
#include "recording/scan_record.h"
#include "scan/channel_state.h"
#include "scan/readings.h"
#include "settings/window_settings.h"

#include <QColor>
#include <QPointer>
#include <QVector>
#include <QWidget>

#include <array>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QTimer;

namespace display {
class ColorSwatch;
class frmWaterfall;
class PlotView;
class UpDown;
} // namespace display

namespace recording {
class frmDlgFileSave;
}
namespace scan {
class frmScanQuit;
}
namespace survey {
class frmSurveyReport;
}
namespace settings {
class frmDlgSettings;
}

namespace app {

class frmScanRestore;

// Status labels are blue while the display follows the live scan, red while it shows a recorded
// loop.
inline const QColor LiveColor(0, 0, 255);
inline const QColor RecordedColor(255, 0, 0);

// Starts a timer that is not running; a running one keeps its phase.
void enableTimer(QTimer* timer);

// The window's inner width; its height shows the Exit button's row.
constexpr int WindowWidthPixels = 800;
constexpr int WindowHeightTwips = 5400;

// The main window: the plot, the controls and the dialogs over the scan engine, which runs on a
// thread of its own. It hands the user's commands and settings to the engine, shows what the
// engine reports, and answers its questions with message boxes and the save prompt.
class frmSpecAn : public QWidget {
    Q_OBJECT

public:
    explicit frmSpecAn(QWidget* parent = nullptr);
    ~frmSpecAn() override;

    engine::EngineThread& engine() { return *m_engine; }
    const engine::EngineThread& engine() const { return *m_engine; }

    static QString caption();
    // Start-up: the settings file and the data folder beside the program (or the user's folders),
    // the ports, the saved settings, the layout, the axes and the colours.
    void Form_Load(const QString& programFolder);
    const QString& dataFolder() const { return m_dataFolder; }
    bool perUserFolders() const { return m_perUserFolders; }
    int ScaleWidth() const;

    // The single entry through which every level enters: live (Recorded false: Level in dBm, into
    // the engine's readings), skipped (120, 121, 121, true) or played back (codes, true), which
    // are only drawn.
    void UpdateChannelReading(int Chan, qint32 Level, qint16 PeakIn, qint32 AverageIn,
                              bool Recorded);
    void BuildFreqAxis();
    void BuildLevelAxis();
    void ComputeLevelScale();
    void LayoutMainWindow();
    void LayoutStatusPanel();
    void LoadDisplayColors();
    void ShowColorPalette();

    // Writes a label's caption and sizes the label to it; returns the width in twips.
    int setAutoSizeCaption(QLabel* label, const QString& caption);
    // Writes a status label's caption and re-lays the strip out when its width changed.
    void setStatusCaption(QLabel* label, const QString& caption);
    void setStatusColor(QLabel* label, const QColor& color);
    // Live readings are drawn while the display is not paused and follows the live scan.
    bool displayIsLive() const { return !m_paused && m_followingLive; }
    bool paused() const { return m_paused; }
    // The display follows the live scan rather than showing a recorded loop.
    bool followingLive() const { return m_followingLive; }

    // Radio link.
    void cmdConnect_Click();
    void FindComPorts();
    void RestoreComPort(int port);
    void ClearComChecks();
    // Settings: the "DefaultSettings" section for an empty name, else the named set of exactly
    // that name (or "DefaultSettings" when no set has it).
    void RestoreSettings(const QString& name);
    void SaveSettings();
    settings::WindowSettings currentSettings() const;
    // Shows or hides the legend, with the tick of "Show Legend".
    void showLegend(bool shown);
    settings::frmDlgSettings* settingsDialog() const;
    // Scan control and playback.
    void cmdStopTest_Click();
    void cmdPauseTest_Click();
    void cmdClose_Click();
    void scrollTime_Change();
    void ShowRecordedLoop(qint32 n);
    scan::frmScanQuit* scanQuitDialog() const { return m_scanQuit; }
    frmScanRestore* scanRestoreDialog() const { return m_scanRestore; }
    display::frmWaterfall* waterfallWindow() const { return m_waterfall; }
    survey::frmSurveyReport* surveyReportWindow() const { return m_surveyReport; }
    // The scan file open for recording or playback, or an empty path.
    QString openScanPath() const;
    // The plot's picture as PNG; false, with the reason, when it cannot be written there.
    bool savePlotPicture(const QString& path, QString* error);
    recording::frmDlgFileSave* fileSaveDialog() const { return m_fileSave; }

    const scan::Readings& readings() const { return m_engine->readings(); }
    scan::GroupBoxes groupBoxes() const;
    scan::FrequencyLimits frequencyLimits() const { return {FreqLowLimit, FreqHighLimit}; }
    const display::ActiveColors& activeColors() const { return m_colors; }

    // Window state of the axes.
    int FreqLowLimit = 9022;
    int FreqHighLimit = 9276;
    int LowBandChannels = 0;
    int ChanWidth = 0; // twips
    int GroupWidth = 0;
    int LevelLowLimit = -120;
    int LevelHighLimit = -40;
    int LevelDivisions = 0;
    float TwipsPerDb = 0;
    float PixelsPerDb = 0;
    int ChannelCount = scan::ChannelCount;

    // The recorded loop on display, when the display shows one.
    recording::ScanRecord PlaybackRecord;
    // The readout box moves with the pointer.
    bool ReadoutFollows = false;

    // Plot and axes.
    display::PlotView* frDisplay;
    QWidget* picLegend;
    QLabel* lblLegend;
    display::ColorSwatch* clrPickerLast;
    display::ColorSwatch* clrPickerPeak;
    display::ColorSwatch* clrPickerAverage;
    display::ColorSwatch* clrPickerBackBox;
    QPlainTextEdit* txtStatBox;
    QLineEdit* txtRestoredScan;
    QFrame* frScan;
    QFrame* lineFrScan;
    QCheckBox* chkLB1;
    QCheckBox* chkLB2;
    QVector<QCheckBox*> chkChGroup;
    QVector<QLabel*> lblDBM;
    QFrame* lineVertLevel;
    QLineEdit* txtULimit;
    QLineEdit* txtLLimit;
    QLineEdit* txtAtten;
    display::UpDown* udULimit;
    display::UpDown* udLLimit;
    display::UpDown* udAtten;
    QLabel* lblAtten;

    // Status strip and playback strip.
    QWidget* frTextDisplay;
    QLabel* lblCurrentTime;
    QLabel* lblStatus;
    QLabel* lblCount;
    QLabel* lblElapsed;
    QLabel* lblDisplayTime;
    QFrame* scrollBarBorder;
    QScrollBar* scrollTime;

    // Limits, command and option rows.
    QLineEdit* txtFLLimit;
    QLineEdit* txtFULimit;
    display::UpDown* udFLLimit;
    display::UpDown* udFULimit;
    QPushButton* cmdConnect;
    QLabel* lblCurrentComPort;
    QPushButton* cmdStopTest;
    QPushButton* cmdPauseTest;
    QPushButton* cmdScan;
    QPushButton* cmdSetup;
    QPushButton* cmdGotoEnd;
    QPushButton* cmdReDraw;
    QPushButton* cmdClearPeaks;
    QPushButton* cmdClearAverages;
    QCheckBox* chkRunForever;
    QCheckBox* chkShowPeaks;
    QCheckBox* chkShowAverages;
    QCheckBox* chkLine;
    QCheckBox* chkSpectrum;
    QCheckBox* chkChannel;
    QLineEdit* txtUDChanNum;
    display::UpDown* udChanNum;
    QLineEdit* txtForeverFileName;
    QLabel* lblSpeed;
    QScrollBar* scrlSpeed;
    QPushButton* cmdClose;

    // Radio identity and the diagnostic terminal, never shown.
    QLabel* lblOWName;
    QLineEdit* txtOWname;
    QLabel* lblSerialNumber;
    QLineEdit* txtSerialNumber;
    QLabel* lblOWmsg;
    QLineEdit* txtOWmsg;
    QPushButton* Command5;
    QPlainTextEdit* txtTerm;
    QLineEdit* txtTerm2;
    QLineEdit* txtInput;
    QPushButton* Command8;
    QPushButton* cmdConnect1;

    // Context menu.
    QMenu* mnuDisplay;
    QAction* mnuOpenSavedScan;
    QAction* mnuWaterfall;
    QAction* mnuSurveyReport;
    QAction* mnuSavePicture;
    QMenu* mnuDisplay2;
    QAction* mnuDisplayClear;
    QMenu* mnuSettings;
    QAction* mnuSaveSettings;
    QAction* mnuRestoreSettings;
    QAction* mnuAutoStart;
    QAction* mnuAutoSave;
    QAction* mnuShowLegend;
    QMenu* mnuSerialPort;
    QVector<QAction*> mnuCom; // "Com 1" .. "Com 10" at 1..10; element 0 unused
    QAction* mnuDisplayColor;
    QAction* mnuAbout;
    QAction* mnuQuit;

    // Timers that drive the screen; the protocol's timers are the engine's.
    QTimer* tmrFlash;
    QTimer* timeTimer;

private slots:
    void udFLLimit_Change();
    void udFULimit_Change();
    void udLLimit_Change();
    void udULimit_Change();
    void udAtten_Change();
    void chkChGroup_Click(int Index);
    void chkSpectrum_Click();
    void chkChannel_Click();
    void chkLine_Click();
    void chkShowPeaks_Click();
    void chkShowAverages_Click();
    void cmdClearPeaks_Click();
    void cmdClearAverages_Click();
    void mnuDisplayClear_Click();
    void mnuDisplayColor_Click();
    void timeTimer_Timer();
    void frDisplay_MouseMove(int Button, int Shift, int X, int Y);
    void frDisplay_MouseUp(int Button, int Shift, int X, int Y);
    void txtStatBox_Click();
    void mnuShowLegend_Click();
    void mnuOpenSavedScan_Click();
    void mnuWaterfall_Click();
    void mnuSurveyReport_Click();
    void mnuSavePicture_Click();
    void tmrFlash_Timer();
    void chkRunForever_Click();
    void scrlSpeed_Change();
    void mnuCom_Click(int N);
    void mnuSettings_Click();
    void mnuDisplay_Click();
    void mnuAutoStart_Click();
    void mnuAutoSave_Click();
    void mnuSaveSettings_Click();
    void mnuRestoreSettings_Click();
    void mnuAbout_Click();
    void cmdGotoEnd_Click();
    void cmdConnect1_Click();
    void cmdSetup_Click();
    void Command5_Click();
    void Command8_Click();
    void txtTerm2_KeyPress(const QString& typed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The engine's questions and the dialogs' answers.
    void engineTryAgainAsked(quint64 question, int comPort);
    void engineSaveNameAsked(quint64 question, const QString& proposedName);
    void saveNameAnswered(const QString& name, bool autoSave);
    void scanQuitAnswered(bool yes);
    void scanChosen(const QString& name);
    void namedSettingsChosen(const QString& name);
    // Something a scan that runs or connects must not be disturbed by: the user is told why not.
    bool refusedWhileScanning(const QString& title);

    void createControls();
    void createMenu();
    void createTimers();
    void wireControls();
    void wireEngine();
    QCheckBox* addGroupBox(int index);
    void DrawChannel(int Chan, int level, qint16 PeakIn, qint32 AverageIn, bool Recorded,
                     const scan::ChannelReading& reading);
    void refreshElapsed(const QDateTime& now);
    void updatePlotGeometry();
    void frequencyLimitChanged();
    void rewriteLimitText(QLineEdit* text);
    // Hands the limits, the group boxes, the attenuation and the line options to the engine.
    void pushScanSettings();
    void PromptSaveScan(const QString& proposedName);
    void openSettingsDialog(bool saveMode);
    void settingsNotSaved(const QString& iniPath);
    void setStatusBox(const QString& text);
    // The five labels of the status strip, in display::StatusLabel order.
    std::array<QLabel*, display::StatusLabelCount> statusLabels() const;

    // What the engine reports.
    void engineConnecting();
    void engineConnectGivenUp(bool portFailed);
    void engineScanStarted(const QDateTime& start);
    void engineChannelStored(int chan, const scan::ChannelReading& reading);
    void engineChannelSkipped(int chan);
    void engineLoopEnded(qint32 finishedLoop, const QDateTime& loopStart);
    void engineStopping();
    void engineScanEnded(engine::ScanEnd how, qint32 loopsRecorded);
    void engineScanFileOpened(const QString& path, qint64 loops, bool goToEnd);
    void engineRecordingSaved(const QString& savedName);
    void engineFailure(const QString& text, const QString& title);
    void surveyWindowsFollowTheScanFile();
    void surveyWindowsAddLoop(const recording::ScanRecord& record);

    engine::EngineThread* m_engine;
    // Tests the serial ports on this thread: the start-up probe and the port menu.
    radio::CommPort m_probePort;
    display::ActiveColors m_colors;
    display::PlotGeometry m_plotGeometry;
    display::StatusLabelWidths m_statusWidths;
    int m_attenuationBlinkTicks = 0;
    QString m_dataFolder;
    bool m_perUserFolders = false;
    scan::frmScanQuit* m_scanQuit = nullptr;
    frmScanRestore* m_scanRestore = nullptr;
    display::frmWaterfall* m_waterfall = nullptr;
    survey::frmSurveyReport* m_surveyReport = nullptr;
    recording::frmDlgFileSave* m_fileSave = nullptr;
    quint64 m_saveQuestion = 0;       // the question the save prompt answers
    bool m_closeWhenQuitDone = false; // a confirmed quit closes the window once the engine rests
    QPointer<settings::frmDlgSettings> m_settingsDialog;
    bool m_settingsFailureReported = false;
    bool m_paused = false;       // "Resume" on the Pause button: live readings are not drawn
    bool m_followingLive = true; // the display follows the live scan
    QDateTime m_shownScanStart;  // the start of the scan on display, for the elapsed time
    qint64 m_shownElapsed = -1;  // the elapsed seconds on display
};

} // namespace app
