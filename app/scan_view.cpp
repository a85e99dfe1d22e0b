// SPDX-License-Identifier: MIT
#include "app/scan_view.h"

#include "radio/port_probe.h"
#include "scan/readings.h"
#include "settings/window_settings.h"

#include <algorithm>

namespace app {

namespace {

constexpr int MaxAttenuation = 100;

int clamped(int value, settings::IntRange range) {
    return std::clamp(value, range.min, range.max);
}

} // namespace

ScanView::ScanView(QObject* parent) : QObject(parent) {
    m_engine.setObjectName(QStringLiteral("engine"));
    pushScanSettings();
}

void ScanView::pushScanSettings() {
    m_engine.setGroupBoxes(m_groups);
    m_engine.setFrequencyLimits(m_limits);
    m_engine.setLowerLevelLimit(m_lowerLevel);
    m_engine.setAttenuation(m_attenuation);
    m_engine.setSpeedPosition(m_speedPosition);
    m_engine.setRunForever(m_runForever);
    m_engine.setAutoSave(m_autoSave);
}

void ScanView::setLimitPositions(int low, int high) {
    low = clamped(low, settings::FreqLimitRange);
    high = clamped(high, settings::FreqLimitRange);
    if (low == m_lowPosition && high == m_highPosition)
        return;
    m_lowPosition = low;
    m_highPosition = high;
    m_limits = display::withHighLimitPosition(display::withLowLimitPosition(m_limits, low), high);
    m_engine.setFrequencyLimits(m_limits);
    emit limitsChanged();
}

void ScanView::setLowBandChecked(int band, bool checked) {
    if (change(band == 1 ? m_groups.lowBand1 : m_groups.lowBand2, checked))
        m_engine.setGroupBoxes(m_groups);
}

void ScanView::setGroupChecked(int index, bool checked) {
    if (index < 0 || index >= m_groupCount)
        return;
    const bool before = m_groups.group[index];
    m_groups.group[index] = checked;
    const auto onAxis = m_groups.group.begin() + m_groupCount;
    if (std::none_of(m_groups.group.begin(), onAxis, [](bool on) { return on; }))
        m_groups.group[index] = true;
    if (m_groups.group[index] != before)
        m_engine.setGroupBoxes(m_groups);
    // The box that asked is told even when nothing changed: it may show the refused state.
    emit changed();
}

void ScanView::takeAxis(const display::FreqAxis& axis) {
    const auto apply = [](bool& box, display::CheckChange change) {
        if (change != display::CheckChange::Keep)
            box = change == display::CheckChange::Check;
    };
    apply(m_groups.lowBand1, axis.LowBand1.Check);
    apply(m_groups.lowBand2, axis.LowBand2.Check);
    m_groupCount = int(axis.Groups.size());
    for (int g = 1; g < int(m_groups.group.size()); ++g)
        m_groups.group[g] = g < m_groupCount && m_groups.group[0];
    // A group left checked only beyond the new limits would leave the sweep nothing to measure.
    if (!m_groups.group[0] && m_groupCount > 0)
        m_groups.group[0] = true;
    m_engine.setGroupBoxes(m_groups);
    m_engine.setFrequencyLimits(m_limits);
    m_engine.clearReadings();
    emit changed();
}

// Each setter changes nothing, and says nothing, when the value stays.
template <typename T> bool ScanView::change(T& member, T value) {
    if (member == value)
        return false;
    member = value;
    emit changed();
    return true;
}

void ScanView::setUpperLevel(int dBm) {
    change(m_upperLevel, clamped(dBm, settings::UpperLevelRange));
}

void ScanView::setLowerLevel(int dBm) {
    if (change(m_lowerLevel, clamped(dBm, settings::LowerLevelRange)))
        m_engine.setLowerLevelLimit(m_lowerLevel);
}

void ScanView::setAttenuation(int dB) {
    if (change(m_attenuation, std::clamp(dB, 0, MaxAttenuation)))
        m_engine.setAttenuation(m_attenuation);
}

void ScanView::setSpeedPosition(int position) {
    if (change(m_speedPosition, std::clamp(position, 1, 4)))
        m_engine.setSpeedPosition(m_speedPosition);
}

void ScanView::setRunForever(bool on) {
    if (change(m_runForever, on))
        m_engine.setRunForever(on);
}

void ScanView::setAutoSave(bool on) {
    if (change(m_autoSave, on))
        m_engine.setAutoSave(on);
}

void ScanView::setPortDirectory(const radio::PortDirectory& directory) {
    m_probePort.setPortDirectory(directory);
    m_engine.setPortDirectory(directory);
}

void ScanView::FindComPorts() {
    m_usablePorts = radio::FindComPorts(m_probePort);
}

bool ScanView::portUsable(int port) const {
    return m_usablePorts.contains(port);
}

void ScanView::usePort(int port) {
    m_comPort = port;
    m_engine.setComPort(port);
}

bool ScanView::choosePort(int port) {
    if (!radio::TestComPort(m_probePort, port))
        return false;
    usePort(port);
    return true;
}

void ScanView::setLineMode(bool on) {
    change(m_lineMode, on);
}

void ScanView::setShowPeaks(bool on) {
    change(m_showPeaks, on);
}

void ScanView::setShowAverages(bool on) {
    change(m_showAverages, on);
}

void ScanView::togglePause() {
    m_paused = !m_paused;
    emit changed();
}

display::PlotOptions ScanView::plotOptions() const {
    display::PlotOptions options;
    options.LineMode = m_lineMode;
    options.ShowPeaks = m_showPeaks;
    options.ShowAverages = m_showAverages;
    options.ScanActive = m_engine.ScanActive();
    options.ScrollAtMax = m_followingLive;
    return options;
}

int ScanView::shownCode(const QByteArray& codes, int chan) {
    const int code = chan < codes.size() ? int(static_cast<unsigned char>(codes[chan])) : 0;
    return code <= scan::OutOfRangeCode ? code : 0;
}

// A recorded loop is drawn from its record alone: the live readings, which a running scan keeps
// updating and recording, are never touched.
std::optional<std::vector<display::ChannelDraw>> ScanView::showRecordedLoop(qint32 n) {
    const auto record = m_engine.readRecord(n);
    if (!record)
        return std::nullopt;
    m_shownLoop = *record;
    std::vector<display::ChannelDraw> draws;
    for (int chan = 0; chan < scan::ChannelCount; ++chan) {
        if (!m_limits.contains(scan::channelF10(chan)))
            continue;
        scan::ChannelReading shown;
        shown.Last = static_cast<qint16>(shownCode(record->LastCodes, chan));
        shown.Peak = static_cast<qint16>(shownCode(record->PeakCodes, chan));
        shown.Sum = shownCode(record->AverageCodes, chan);
        if (scan::ReadingsModel::checkRecorded(chan, shown.Last) == scan::UpdateOutcome::Stored)
            draws.push_back({chan, shown.Last, shown.Peak, shown.Sum, true, shown});
    }
    return draws;
}

} // namespace app
