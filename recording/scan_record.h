// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace recording {

constexpr int RecordLength = 604;
constexpr int StartTextLength = 20;
constexpr int CodeFieldLength = 192;

// One loop of a scan. A code field holds one byte per channel, position p for channel p - 1 of
// the plan: the level magnitude (95 means -95 dBm), 200 for a channel whose group is switched off,
// 201 for a channel outside the frequency limits, 32 (padding) where the sweep did not reach.
struct ScanRecord {
    qint32 LoopNumber = 0;    // equal to the record number, from 1
    qint32 Attenuation = 0;   // dB set while the loop ran
    QByteArray LoopStartText; // "mm-dd-yyyy  hh:mm:ss"
    QByteArray LastCodes, AverageCodes, PeakCodes;

    // Exactly RecordLength bytes: little-endian integers, then the text fields padded with spaces
    // or cut to their lengths.
    QByteArray toBytes() const;
    // bytes must hold exactly RecordLength bytes; any other size gives an empty record.
    static ScanRecord fromBytes(const QByteArray& bytes);
};

// Whole records in a file of that many bytes; a partial record at the end does not count.
qint64 wholeRecordCount(qint64 fileLength);

} // namespace recording
