// SPDX-License-Identifier: MIT
#include "tests/support/scan_fixture.h"

#include "core/conventions.h"
#include "scan/channel_plan.h"
#include "scan/channel_state.h"

namespace testing {

QByteArray startupLoopCodes(unsigned char level) {
    QByteArray codes(scan::ChannelCount, char(scan::OutOfRangeCode));
    for (int c = 32; c < 160; ++c)
        codes[c] = char(level);
    return codes;
}

QDateTime loopStart(qint64 n) {
    return QDateTime(QDate(2024, 5, 1), QTime(14, 0, 0)).addSecs(n - 1);
}

recording::ScanRecord loopRecord(qint32 n, const QByteArray& lastCodes) {
    recording::ScanRecord record;
    record.LoopNumber = n;
    record.LoopStartText = core::dateTimeText(loopStart(n)).toLatin1();
    record.LastCodes = lastCodes;
    record.PeakCodes = lastCodes;
    record.AverageCodes = lastCodes;
    return record;
}

bool ScanFileWriter::create(const QString& path) {
    m_file.setFileName(path);
    m_loops = 0;
    return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

bool ScanFileWriter::append(const QByteArray& lastCodes) {
    const QByteArray bytes = loopRecord(m_loops + 1, lastCodes).toBytes();
    if (m_file.write(bytes) != bytes.size() || !m_file.flush())
        return false;
    ++m_loops;
    return true;
}

bool ScanFileWriter::appendRaw(const QByteArray& bytes) {
    return m_file.write(bytes) == bytes.size() && m_file.flush();
}

} // namespace testing
