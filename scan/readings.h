// SPDX-License-Identifier: MIT
#pragma once

#include "scan/channel_plan.h"

#include <QByteArray>
#include <QtGlobal>

#include <array>

namespace scan {

// Levels are magnitudes in dB below 0 dBm (95 means -95 dBm), already reduced by the attenuation.
struct ChannelReading {
    qint16 Last = 0;
    qint16 Peak = 0; // strongest level (smallest magnitude) since the last peak reset; 0 = none yet
    qint32 Sum = 0;
    qint32 Count = 0; // the average is Sum / Count
};

using Readings = std::array<ChannelReading, ChannelCount>;

// This loop's level codes, one character per channel in sweep order.
struct LoopCodes {
    QByteArray LastCodes;
    QByteArray PeakCodes;
    QByteArray AverageCodes;

    void appendToAll(unsigned char code);
    void clear();
    // Pads (with code) or cuts all three strings to the given length.
    void fitTo(qsizetype length, unsigned char code);
};

enum class UpdateOutcome {
    Ignored, // level 0 or a channel outside the plan: nothing stored, nothing to draw
    Stored,  // the reading went in and its codes were appended
    Failed,  // a value left its field width; the reading ended where that happened
};

// Last, Peak and Average of every channel, and the codes the current loop has collected.
class ReadingsModel {
public:
    const Readings& readings() const { return m_readings; }
    const ChannelReading& reading(int chan) const { return m_readings[chan]; }
    LoopCodes& codes() { return m_codes; }
    const LoopCodes& codes() const { return m_codes; }

    // A live reading: level in dBm as received (-95), attenuation in dB (corrects when above 0).
    UpdateOutcome UpdateChannelReading(int chan, qint32 level, qint32 attenuation);

    // A skipped or played-back channel is only drawn; this says whether it is drawn at all.
    static UpdateOutcome checkRecorded(int chan, qint32 level);

    // Every Peak to the magnitude of the lower level limit (dBm, e.g. -110 gives 110).
    void ResetPeaks(int lowerLevelLimit);
    void ResetAverages();
    // The table created again with every field zero.
    void clear();
    // A played-back loop puts its codes into the table: Last, Peak, and the Average code as Sum.
    void storeRecorded(int chan, int lastCode, int peakCode, int averageCode);

private:
    Readings m_readings{};
    LoopCodes m_codes;
};

} // namespace scan
