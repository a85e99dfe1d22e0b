// SPDX-License-Identifier: MIT
#include "recording/scan_file.h"

#include <algorithm>

namespace recording {

namespace {

qint64 recordOffset(qint32 n) {
    return qint64(n - 1) * RecordLength;
}

} // namespace

bool ScanFile::create(const QString& path) {
    close();
    m_error.clear();
    m_file.setFileName(path);
    // Unbuffered: every write goes straight to the operating system. Truncated: loops of an
    // earlier recording must never survive into this one.
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered))
        return fail(m_file.errorString());
    if (m_file.size() != 0) {
        m_file.close();
        return fail(QStringLiteral("%1 could not be emptied").arg(path));
    }
    return true;
}

bool ScanFile::openForReading(const QString& path) {
    close();
    m_error.clear();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        return fail(m_file.errorString());
    return true;
}

void ScanFile::close() {
    m_file.close();
}

bool ScanFile::isOpen() const {
    return m_file.isOpen();
}

bool ScanFile::isWritable() const {
    return m_file.isWritable();
}

QString ScanFile::path() const {
    return m_file.fileName();
}

qint64 ScanFile::recordCount() const {
    return isOpen() ? wholeRecordCount(m_file.size()) : 0;
}

bool ScanFile::writeRecord(qint32 n, const ScanRecord& record) {
    if (!isWritable())
        return fail(QStringLiteral("No scan file is open for recording"));
    if (n < 1)
        return fail(QStringLiteral("Record numbers start at 1, not %1").arg(n));
    const qint64 offset = recordOffset(n);
    if (offset > m_file.size() && !m_file.resize(offset))
        return fail(m_file.errorString());
    const QByteArray bytes = record.toBytes();
    if (!m_file.seek(offset) || m_file.write(bytes) != bytes.size() || !m_file.flush())
        return fail(m_file.errorString());
    return true;
}

std::optional<ScanRecord> ScanFile::readRecord(qint32 n) const {
    if (!isOpen()) {
        fail(QStringLiteral("No scan file is open"));
        return std::nullopt;
    }
    if (n < 1 || n > recordCount()) {
        fail(QStringLiteral("Record %1 is not in a file of %2 records").arg(n).arg(recordCount()));
        return std::nullopt;
    }
    if (!m_file.seek(recordOffset(n))) {
        fail(m_file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = m_file.read(RecordLength);
    if (bytes.size() != RecordLength) {
        fail(m_file.errorString());
        return std::nullopt;
    }
    return ScanRecord::fromBytes(bytes);
}

qint32 ScanFile::readRecords(qint64 first, qint32 maxCount, char* buffer) const {
    if (!isOpen()) {
        fail(QStringLiteral("No scan file is open"));
        return -1;
    }
    const qint64 available = recordCount() - (first - 1);
    if (first < 1 || maxCount < 1 || available < 1)
        return 0;
    const qint32 count = qint32(std::min<qint64>(maxCount, available));
    const qint64 length = qint64(count) * RecordLength;
    if (m_file.pos() != (first - 1) * RecordLength && !m_file.seek((first - 1) * RecordLength)) {
        fail(m_file.errorString());
        return -1;
    }
    if (m_file.read(buffer, length) != length) {
        fail(m_file.errorString());
        return -1;
    }
    return count;
}

QString ScanFile::errorString() const {
    return m_error;
}

bool ScanFile::fail(const QString& message) const {
    m_error = message;
    return false;
}

} // namespace recording
