// SPDX-License-Identifier: MIT
#include "survey/scan_reader.h"

#include "survey/level_codes.h"

#include <QFileInfo>
#include <QStringList>
#include <QtEndian>

#include <algorithm>

namespace survey {

namespace {

constexpr qint32 BlockRecords = 256;
constexpr int StartTextOffset = 8;
constexpr int LastCodesOffset = StartTextOffset + recording::StartTextLength;
constexpr int CodesLength = 3 * recording::CodeFieldLength;

QString channelText(int position) {
    return scan::frequencyText(scan::channelF10(position % scan::ChannelCount)) +
           QStringLiteral(" MHz");
}

} // namespace

bool decodeLoop(const char* bytes, Loop& loop, QString* problem) {
    const qint32 number = qFromLittleEndian<qint32>(bytes);
    const auto start = parseLoopTime(
        QByteArrayView(bytes + StartTextOffset, recording::StartTextLength).trimmed());
    if (!start) {
        *problem = QStringLiteral("loop %1 has no start time").arg(number);
        return false;
    }
    const auto* codes = reinterpret_cast<const unsigned char*>(bytes + LastCodesOffset);
    for (int i = 0; i < CodesLength; ++i) {
        if (codes[i] > HighestValidCode) {
            *problem = QStringLiteral("loop %1 holds code %2 (neither a level nor a skip code) "
                                      "for %3")
                           .arg(number)
                           .arg(codes[i])
                           .arg(channelText(i));
            return false;
        }
    }
    loop.Number = number;
    loop.Start = *start;
    std::copy(codes, codes + scan::ChannelCount, loop.Last.begin());
    for (int c = scan::ChannelCount - 1; c >= 0 && loop.Last[c] == PaddingCode; --c)
        loop.Last[c] = NoReadingCode;
    return true;
}

std::optional<Loop> loopOfRecord(const recording::ScanRecord& record, QString* problem) {
    Loop loop;
    QString why;
    if (!decodeLoop(record.toBytes().constData(), loop, &why)) {
        if (problem)
            *problem = why;
        return std::nullopt;
    }
    return loop;
}

ScanReader::ScanReader() : m_block(BlockRecords * recording::RecordLength, '\0') {}

bool ScanReader::open(const QString& path) {
    m_error.clear();
    m_stopReason.clear();
    m_firstUnsound = 0;
    m_tailBytes = 0;
    m_file.close();
    const QFileInfo file(path);
    if (!file.isFile()) {
        m_error = file.exists() ? QStringLiteral("%1 is not a file").arg(path)
                                : QStringLiteral("%1: no such file").arg(path);
        return false;
    }
    if (!m_file.openForReading(path)) {
        m_error = QStringLiteral("%1: %2").arg(path, m_file.errorString());
        return false;
    }
    const qint64 size = file.size();
    m_tailBytes = size % recording::RecordLength;
    if (m_file.recordCount() == 0) {
        m_error = size == 0 ? QStringLiteral("%1 holds no loops: the recording ended before its "
                                             "first loop")
                                  .arg(path)
                            : QStringLiteral("%1 is not a scan file: %2 bytes is less than one "
                                             "loop record (%3 bytes)")
                                  .arg(path)
                                  .arg(size)
                                  .arg(recording::RecordLength);
        m_file.close();
        return false;
    }
    rewind();
    Loop first;
    if (!next(first)) {
        m_error = QStringLiteral("%1 is not a scan file: %2").arg(path, m_stopReason);
        m_file.close();
        return false;
    }
    rewind();
    return true;
}

void ScanReader::rewind() {
    m_blockRecords = 0;
    m_blockPosition = 0;
    m_nextRecord = 1;
    m_loopsRead = 0;
    m_stopped = false;
}

bool ScanReader::fillBlock() {
    m_blockPosition = 0;
    m_blockRecords = m_file.readRecords(m_nextRecord, BlockRecords, m_block.data());
    if (m_blockRecords < 0) {
        m_stopReason = QStringLiteral("reading record %1 failed: %2")
                           .arg(m_nextRecord)
                           .arg(m_file.errorString());
        m_blockRecords = 0;
        m_firstUnsound = m_nextRecord;
        m_stopped = true;
        return false;
    }
    return m_blockRecords > 0;
}

bool ScanReader::next(Loop& loop) {
    if (m_stopped || !m_file.isOpen())
        return false;
    if (m_blockPosition == m_blockRecords && !fillBlock())
        return false;
    const char* bytes = m_block.constData() + qint64(m_blockPosition) * recording::RecordLength;
    const qint32 number = qFromLittleEndian<qint32>(bytes);
    if (number != m_nextRecord)
        m_stopReason =
            QStringLiteral("record %1 gives loop number %2").arg(m_nextRecord).arg(number);
    if (number != m_nextRecord || !decodeLoop(bytes, loop, &m_stopReason)) {
        m_firstUnsound = m_nextRecord;
        m_stopped = true;
        return false;
    }
    ++m_blockPosition;
    ++m_nextRecord;
    ++m_loopsRead;
    return true;
}

std::optional<recording::ScanRecord> ScanReader::readRecord(qint64 n) const {
    if (n < 1 || n > m_file.recordCount())
        return std::nullopt;
    return m_file.readRecord(qint32(n));
}

QString ScanReader::warning() const {
    QStringList parts;
    if (!m_stopReason.isEmpty()) {
        parts << QStringLiteral("%1: %2; only the %3 loops before it are read")
                     .arg(path(), m_stopReason)
                     .arg(m_firstUnsound - 1);
    }
    if (m_tailBytes > 0) {
        parts << QStringLiteral("%1: the last %2 bytes are not a whole loop and are left out")
                     .arg(path())
                     .arg(m_tailBytes);
    }
    return parts.join(QLatin1Char('\n'));
}

} // namespace survey
