// SPDX-License-Identifier: MIT
#pragma once

#include "app/remote_view.h"
#include "app/scan_view.h"
#include "display/display_colors.h"
#include "display/plot_renderer.h"
#include "display/status_layout.h"
#include "scan/channel_state.h"
#include "scan/readings.h"
#include "settings/window_settings.h"
#include "survey/alarm_board.h"
#include "survey/alarm_watch.h"

#include <QColor>
#include <QPointer>
#include <QVector>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <vector>

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

class frmRemoteRadio;
class frmScanRestore;

// Status labels are blue while the display follows the live scan, red while it shows a recorded
// loop.
inline const QColor LiveColor(0, 0, 255);
inline const QColor RecordedColor(255, 0, 0);

// Starts a timer that is not running; a running one keeps its phase.
void enableTimer(QTimer* timer);

// "Run Forever" connects by itself this long after start-up; a save is announced this long.
constexpr int AutoStartSeconds = 10;
constexpr int SavedNoticeMs = 4000;

// The window's inner size at first and at least; its height shows the Exit button's row. A larger
// window gives the plot its extra width and height.
constexpr int WindowWidthPixels = 800;
constexpr int WindowHeightTwips = 5400;
constexpr int DefaultPlotHeightTwips = 3195;

// The main window: the plot, the controls and the dialogs over the scan engine, which runs on a
// thread of its own. It hands the user's commands and settings to the engine, shows what the
// engine reports, and answers its questions with message boxes and the save prompt.
class frmSpecAn : public QWidget {
    Q_OBJECT

public:
    explicit frmSpecAn(QWidget* parent = nullptr);
    ~frmSpecAn() override;

    // What the controls show and change.
    ScanView& view() { return m_view; }
    const ScanView& view() const { return m_view; }
    engine::EngineThread& engine() { return m_view.engine(); }
    const engine::EngineThread& engine() const { return m_view.engine(); }

    static QString caption();
    // Start-up: the settings file and the data folder beside the program (or the user's folders),
    // the ports, the saved settings, the layout, the axes and the colours.
    void Form_Load(const QString& programFolder);
    const QString& dataFolder() const { return m_dataFolder; }
    bool perUserFolders() const { return m_perUserFolders; }

    // The single entry through which every level enters: live (Recorded false: Level in dBm, into
    // the engine's readings), skipped (120, 121, 121, true) or played back (codes, true), which
    // are only drawn.
    void UpdateChannelReading(int Chan, qint32 Level, qint16 PeakIn, qint32 AverageIn,
                              bool Recorded);
    const scan::Readings& readings() const { return engine().readings(); }
    // The scale every slot is drawn with, and the colours in use.
    const display::PlotGeometry& plotGeometry() const { return m_plotGeometry; }
    const display::ActiveColors& activeColors() const { return m_colors; }
    // The scan file open for recording or playback, or an empty path.
    QString openScanPath() const;
    // The plot's picture as PNG; false, with the reason, when it cannot be written there.
    bool savePlotPicture(const QString& path, QString* error);
    // Shows the saved scan's final Peak and Average over the plot; a file that cannot be read
    // as a scan is refused with a message, and the plot stays as it was.
    bool compareWith(const QString& path);

    // The dialogs and windows open now, if any.
    scan::frmScanQuit* scanQuitDialog() const { return m_scanQuit; }
    frmScanRestore* scanRestoreDialog() const { return m_scanRestore; }
    recording::frmDlgFileSave* fileSaveDialog() const { return m_fileSave; }
    settings::frmDlgSettings* settingsDialog() const;
    display::frmWaterfall* waterfallWindow() const { return m_waterfall; }
    survey::frmSurveyReport* surveyReportWindow() const { return m_surveyReport; }
    frmRemoteRadio* remoteRadioDialog() const;
    recording::frmDlgFileSave* remoteSaveDialog() const;
    // The remote radio watched, or whose loops are still on display; none otherwise.
    const RemoteView* remoteView() const { return m_remote.get(); }
    // Before Form_Load: the window opens watching this site instead of arming the local radio.
    void watchAtStart(const QString& brokerUrl, const QString& site) {
        m_startRemote = {brokerUrl, site};
    }
    // Level alarms watched on the loops the window receives, live or from a remote site; while
    // one is on, the status box says so.
    void watchAlarms(std::vector<survey::AlarmRule> rules) {
        m_alarmWatch = survey::AlarmWatch(std::move(rules));
    }

signals:
    // The remote radio's loops up to n are on display: the newest drawn, unless the user looks
    // back at an older one.
    void remoteLoopsShown(qint32 n);

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
    void mnuCompareWith_Click();
    void mnuClearComparison_Click();
    void mnuRemoteRadio_Click();
    void mnuLocalRadio_Click();
    void mnuSaveRemote_Click();
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
    void cmdConnect_Click();
    void cmdStopTest_Click();
    void cmdPauseTest_Click();
    void cmdClose_Click();
    void scrollTime_Change();
    void cmdConnect1_Click();
    void cmdSetup_Click();
    void Command5_Click();
    void Command8_Click();
    void txtTerm2_KeyPress(const QString& typed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createControls();
    void createMenu();
    void createTimers();
    void wireControls();
    void wireEngine();
    QCheckBox* addGroupBox(int index);
    // The controls show what the view holds.
    void showView();

    // The plot side.
    int ScaleWidth() const;
    static QSize defaultSize();
    void LayoutMainWindow();
    // The layout, the axes and the picture again for the window's size; the readings stay.
    void fitToWindow();
    void BuildFreqAxis();
    display::FreqAxis freqAxisForWindow() const;
    void placeFreqAxis(const display::FreqAxis& axis);
    void BuildLevelAxis();
    void ComputeLevelScale();
    void LayoutStatusPanel();
    void LoadDisplayColors();
    void ShowColorPalette();
    void updatePlotGeometry();
    // The compared scan follows the plot's axes, size and colours.
    void showComparisonScale();
    void frequencyLimitsChanged();
    void levelLimitsChanged(QLineEdit* text);
    void rewriteLimitText(QLineEdit* text);
    void DrawChannel(const display::ChannelDraw& channel);
    void redrawShown();
    void refreshElapsed(const QDateTime& now);
    // Writes a label's caption and sizes the label to it; returns the width in twips.
    int setAutoSizeCaption(QLabel* label, const QString& caption);
    // Writes a status label's caption and re-lays the strip out when its width changed.
    void setStatusCaption(QLabel* label, const QString& caption);
    void setStatusColor(QLabel* label, const QColor& color);
    // The status box's own text, and whether it shows; an alarm that is on shows above both.
    void setStatusBox(const QString& text);
    void setStatusBoxShown(bool shown);
    // The five labels of the status strip, in display::StatusLabel order.
    std::array<QLabel*, display::StatusLabelCount> statusLabels() const;
    void ShowRecordedLoop(qint32 n);

    // The radio link and the settings.
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
    void startCountdown();
    void restorePlacement();
    void savePlacement();
    void openSettingsDialog(bool saveMode);
    void settingsNotSaved(const QString& iniPath);

    // The engine's questions and the dialogs' answers.
    void engineTryAgainAsked(quint64 question, int comPort);
    void engineSaveNameAsked(quint64 question, const QString& proposedName);
    void PromptSaveScan(const QString& proposedName);
    void saveNameAnswered(const QString& name, bool autoSave);
    void scanQuitAnswered(bool yes);
    void scanChosen(const QString& name);
    void namedSettingsChosen(const QString& name);
    // Something a scan that runs or connects must not be disturbed by: the user is told why not.
    bool refusedWhileScanning(const QString& title);

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

    // The remote radio.
    void wireRemote();
    void watchStartSite();
    void remoteRadioAnswered(int result);
    void startRemoteView(const fleet::BrokerAddress& address, const QString& site);
    void leaveRemoteView();
    // Another scan took the engine's file: the remote loops are let go.
    void dropRemoteLoops();
    void showRemoteEntries();
    bool watchingRemote() const { return m_remote && m_remote->isListening(); }
    void remoteScanFileOpened(const QString& path, qint64 loops);
    void remoteLoopAdded(const recording::ScanRecord& record);
    void showRemoteLoops();
    void remoteSaveAnswered(const QString& name);

    // Level alarms.
    void wireAlarms();
    void watchAlarmLoop(const survey::AlarmLoop& loop);
    void siteAlarmReceived(const fleet::SiteAlarm& alarm);
    void showStatusBox();

    ScanView m_view;
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
    QPointer<frmRemoteRadio> m_remoteRadio;
    QPointer<recording::frmDlgFileSave> m_remoteSave;
    std::unique_ptr<RemoteView> m_remote;
    std::pair<QString, QString> m_startRemote; // broker, site
    survey::AlarmWatch m_alarmWatch;
    survey::AlarmBoard m_alarmBoard;
    QString m_statusText;             // what the status box says when no alarm is on
    bool m_statusBoxShown = false;    // whether it shows then
    bool m_remoteOpen = false;        // the engine has the remote scan file open for playback
    qint32 m_remoteShown = 0;         // the remote loops the scroll bar holds
    quint64 m_saveQuestion = 0;       // the question the save prompt answers
    bool m_closeWhenQuitDone = false; // a confirmed quit closes the window once the engine rests
    int m_countdownLeft = 0;          // seconds before the automatic start
    QPointer<settings::frmDlgSettings> m_settingsDialog;
    bool m_settingsFailureReported = false;
    QSize m_laidOutSize; // the window's size the layout was made for; empty before start-up
    // The live readings as they were when the display was paused: what it shows.
    std::optional<scan::Readings> m_pausedReadings;
    QDateTime m_shownScanStart;     // the start of the scan on display, for the elapsed time
    qint64 m_shownElapsed = -1;     // the elapsed seconds on display
    qint64 m_shownClockSecond = -1; // the second since the epoch the clock shows
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
    QAction* mnuCompareWith;
    QAction* mnuClearComparison;
    QAction* mnuRemoteRadio;
    QAction* mnuLocalRadio;
    QAction* mnuSaveRemote;
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
};

} // namespace app
