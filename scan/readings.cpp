// SPDX-License-Identifier: MIT
#include "scan/readings.h"

#include <cmath>
#include <limits>
#include <optional>

namespace scan {

namespace {

template <typename Int> std::optional<Int> narrow(qint64 value) {
    if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
        return std::nullopt;
    return static_cast<Int>(value);
}

// A level code is one byte: the magnitude's absolute value must fit 0..255.
bool appendCode(QByteArray& codes, qint64 value) {
    const qint64 code = value < 0 ? -value : value;
    if (code > 255)
        return false;
    codes.append(static_cast<char>(static_cast<unsigned char>(code)));
    return true;
}

} // namespace

void LoopCodes::appendToAll(unsigned char code) {
    const char c = static_cast<char>(code);
    LastCodes.append(c);
    PeakCodes.append(c);
    AverageCodes.append(c);
}

void LoopCodes::fitTo(qsizetype length, unsigned char code) {
    for (QByteArray* codes : {&LastCodes, &PeakCodes, &AverageCodes}) {
        if (codes->size() > length)
            codes->truncate(length);
        else if (codes->size() < length)
            codes->append(QByteArray(length - codes->size(), static_cast<char>(code)));
    }
}

void LoopCodes::clear() {
    LastCodes.clear();
    PeakCodes.clear();
    AverageCodes.clear();
}

UpdateOutcome ReadingsModel::UpdateChannelReading(int chan, qint32 level, qint32 attenuation) {
    if (level == 0 || !isChannelIndex(chan))
        return UpdateOutcome::Ignored;
    ChannelReading& r = m_readings[chan];

    qint64 magnitude = level < 0 ? -qint64(level) : qint64(level);
    if (attenuation > 0)
        magnitude -= attenuation;
    const auto last = narrow<qint16>(magnitude);
    if (!last)
        return UpdateOutcome::Failed;
    r.Last = *last;

    const auto sum = narrow<qint32>(qint64(r.Sum) + *last);
    if (!sum)
        return UpdateOutcome::Failed;
    r.Sum = *sum;
    const auto count = narrow<qint32>(qint64(r.Count) + 1);
    if (!count)
        return UpdateOutcome::Failed;
    r.Count = *count;

    if (r.Peak == 0 || r.Peak > r.Last)
        r.Peak = r.Last;

    const double average = std::floor(double(r.Sum) / double(r.Count));
    if (!appendCode(m_codes.LastCodes, r.Last) || !appendCode(m_codes.PeakCodes, r.Peak) ||
        !appendCode(m_codes.AverageCodes, qint64(average)))
        return UpdateOutcome::Failed;
    return UpdateOutcome::Stored;
}

UpdateOutcome ReadingsModel::checkRecorded(int chan, qint32 level) {
    return level == 0 || !isChannelIndex(chan) ? UpdateOutcome::Ignored : UpdateOutcome::Stored;
}

void ReadingsModel::ResetPeaks(int lowerLevelLimit) {
    const auto peak = static_cast<qint16>(lowerLevelLimit < 0 ? -lowerLevelLimit : lowerLevelLimit);
    for (ChannelReading& r : m_readings)
        r.Peak = peak;
}

void ReadingsModel::ResetAverages() {
    for (ChannelReading& r : m_readings) {
        r.Sum = 0;
        r.Count = 0;
    }
}

void ReadingsModel::clear() {
    m_readings = Readings{};
}

void ReadingsModel::storeRecorded(int chan, int lastCode, int peakCode, int averageCode) {
    if (!isChannelIndex(chan))
        return;
    ChannelReading& r = m_readings[chan];
    r.Last = static_cast<qint16>(lastCode);
    r.Peak = static_cast<qint16>(peakCode);
    r.Sum = averageCode;
    r.Count = 0;
}

} // namespace scan
