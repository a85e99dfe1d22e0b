// SPDX-License-Identifier: MIT
#include "recording/scan_record.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace recording {

namespace {

constexpr int LoopNumberOffset = 0;
constexpr int AttenuationOffset = 4;
constexpr int StartTextOffset = 8;
constexpr int LastCodesOffset = StartTextOffset + StartTextLength;
constexpr int AverageCodesOffset = LastCodesOffset + CodeFieldLength;
constexpr int PeakCodesOffset = AverageCodesOffset + CodeFieldLength;
static_assert(PeakCodesOffset + CodeFieldLength == RecordLength);

constexpr char Padding = ' ';

void putField(QByteArray& record, int offset, int length, const QByteArray& text) {
    const int used = int(std::min<qsizetype>(text.size(), length));
    std::memcpy(record.data() + offset, text.constData(), used);
    std::memset(record.data() + offset + used, Padding, length - used);
}

} // namespace

QByteArray ScanRecord::toBytes() const {
    QByteArray bytes(RecordLength, Padding);
    qToLittleEndian(LoopNumber, bytes.data() + LoopNumberOffset);
    qToLittleEndian(Attenuation, bytes.data() + AttenuationOffset);
    putField(bytes, StartTextOffset, StartTextLength, LoopStartText);
    putField(bytes, LastCodesOffset, CodeFieldLength, LastCodes);
    putField(bytes, AverageCodesOffset, CodeFieldLength, AverageCodes);
    putField(bytes, PeakCodesOffset, CodeFieldLength, PeakCodes);
    return bytes;
}

ScanRecord ScanRecord::fromBytes(const QByteArray& bytes) {
    ScanRecord record;
    if (bytes.size() != RecordLength)
        return record;
    record.LoopNumber = qFromLittleEndian<qint32>(bytes.constData() + LoopNumberOffset);
    record.Attenuation = qFromLittleEndian<qint32>(bytes.constData() + AttenuationOffset);
    record.LoopStartText = bytes.mid(StartTextOffset, StartTextLength);
    record.LastCodes = bytes.mid(LastCodesOffset, CodeFieldLength);
    record.AverageCodes = bytes.mid(AverageCodesOffset, CodeFieldLength);
    record.PeakCodes = bytes.mid(PeakCodesOffset, CodeFieldLength);
    return record;
}

qint64 wholeRecordCount(qint64 fileLength) {
    return fileLength > 0 ? fileLength / RecordLength : 0;
}

} // namespace recording
