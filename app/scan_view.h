// SPDX-License-Identifier: MIT
#pragma once

#include "display/freq_axis.h"
#include "display/plot_renderer.h"
#include "engine/engine_thread.h"
#include "radio/comm_port.h"
#include "recording/scan_record.h"
#include "scan/channel_state.h"

#include <QObject>

#include <optional>
#include <vector>

namespace app {

// The scan as the main window shows it, kept without a widget: the scan configuration it hands
// to the engine, which serial ports can be used, how the plot draws, and what a recorded loop
// puts on the plot. The window's controls show this state and change it only through the calls
// here, and follow its signals; tests drive a ScanView where a user would use the controls.
// It lives on the window's thread, with the engine's thread behind it.
class ScanView : public QObject {
    Q_OBJECT

public:
    explicit ScanView(QObject* parent = nullptr);

    engine::EngineThread& engine() { return m_engine; }
    const engine::EngineThread& engine() const { return m_engine; }

    // The frequency limit selectors' positions 1 ... 3 (the band's limit choices). New limits make
    // a new frequency axis: limitsChanged.
    int lowLimitPosition() const { return m_lowPosition; }
    int highLimitPosition() const { return m_highPosition; }
    const scan::FrequencyLimits& frequencyLimits() const { return m_limits; }
    void setLimitPositions(int low, int high);
    void setLowLimitPosition(int position) { setLimitPositions(position, m_highPosition); }
    void setHighLimitPosition(int position) { setLimitPositions(m_lowPosition, position); }

    // "Lo 1", "Lo 2" and the group array ("Grp 1" ... "Hi 2"), of which the first groupCount()
    // elements are on the axis. The last checked element of the array cannot be unchecked.
    const scan::GroupBoxes& groupBoxes() const { return m_groups; }
    int groupCount() const { return m_groupCount; }
    void setLowBandChecked(int band, bool checked); // band 1 or 2
    void setGroupChecked(int index, bool checked);
    // A new frequency axis takes the readings table anew: the band boxes take its check changes,
    // the group array its size, every new element the state of "Grp 1", and "Grp 1" is checked
    // when nothing on the axis would be measured.
    void takeAxis(const display::FreqAxis& axis);

    // The level limits in dBm; peaks are reset to the lower one's magnitude.
    int upperLevel() const { return m_upperLevel; }
    int lowerLevel() const { return m_lowerLevel; }
    void setUpperLevel(int dBm);
    void setLowerLevel(int dBm);
    // The external attenuator in dB (0 ... 100); a scan keeps the one it started with.
    int attenuation() const { return m_attenuation; }
    void setAttenuation(int dB);
    // "Scan Speed" 1 ... 4 (19200 ... 115200 baud).
    int speedPosition() const { return m_speedPosition; }
    void setSpeedPosition(int position);
    bool runForever() const { return m_runForever; }
    void setRunForever(bool on);
    bool autoSave() const { return m_autoSave; }
    void setAutoSave(bool on);

    // "Com 1" ... "Com 10": the start-up probe opens each, writes to it and closes it; those that
    // pass can be chosen. A port chosen from the menu is tested again first.
    void setPortDirectory(const radio::PortDirectory& directory);
    const radio::PortDirectory& portDirectory() const { return m_probePort.portDirectory(); }
    void FindComPorts();
    bool portUsable(int port) const;
    int ComPort() const { return m_comPort; }
    // Makes the port the one in use, without a test: the restored port, which the probe passed.
    void usePort(int port);
    // True when the port passed its test and is now the one in use.
    bool choosePort(int port);

    // How the plot draws. While paused or showing a recorded loop, live readings are not drawn.
    bool lineMode() const { return m_lineMode; }
    bool showPeaks() const { return m_showPeaks; }
    bool showAverages() const { return m_showAverages; }
    void setLineMode(bool on);
    void setShowPeaks(bool on);
    void setShowAverages(bool on);
    bool paused() const { return m_paused; }
    void togglePause();
    bool followingLive() const { return m_followingLive; }
    void setFollowingLive(bool following) { m_followingLive = following; }
    bool displayIsLive() const { return !m_paused && m_followingLive; }
    display::PlotOptions plotOptions() const;

    // A recorded loop of the open scan for display: its record, kept as the loop on display, and
    // each channel inside the frequency limits with its codes; nothing when it cannot be read.
    std::optional<std::vector<display::ChannelDraw>> showRecordedLoop(qint32 n);
    const recording::ScanRecord& shownLoop() const { return m_shownLoop; }
    // A recorded code as it is shown: codes beyond the skip codes (a damaged file) are no reading.
    static int shownCode(const QByteArray& codes, int chan);

signals:
    void limitsChanged();
    // The boxes, the level limits, the attenuation, the speed, the switches or the plot options.
    void changed();

private:
    void pushScanSettings();
    template <typename T> bool change(T& member, T value);

    engine::EngineThread m_engine;
    radio::CommPort m_probePort; // tests ports on this thread
    QList<int> m_usablePorts;
    int m_comPort = 0;

    int m_lowPosition = 3;
    int m_highPosition = 1;
    scan::FrequencyLimits m_limits;
    scan::GroupBoxes m_groups;
    int m_groupCount = 8;
    int m_upperLevel = -40;
    int m_lowerLevel = -120;
    int m_attenuation = 0;
    int m_speedPosition = 4;
    bool m_runForever = false;
    bool m_autoSave = false;

    bool m_lineMode = false;
    bool m_showPeaks = true;
    bool m_showAverages = true;
    bool m_paused = false;
    bool m_followingLive = true;
    recording::ScanRecord m_shownLoop;
};

} // namespace app
