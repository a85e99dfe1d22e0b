// SPDX-License-Identifier: MIT
#pragma once

#include "recording/scan_record.h"

#include <QFile>
#include <QString>

#include <optional>

namespace recording {

// A scan file: fixed RecordLength-byte records without header or trailer, record n (from 1) at
// byte (n - 1) * RecordLength. Failures are results; errorString() says what went wrong.
class ScanFile {
public:
    // A new recording: the file is created, or emptied when it exists, for reading and writing.
    // An open file is closed first.
    bool create(const QString& path);
    // An existing scan for playback, opened for reading only (a read-only file plays back too).
    bool openForReading(const QString& path);
    void close();
    bool isOpen() const;
    bool isWritable() const;
    QString path() const;

    qint64 recordCount() const;

    // Writes record n, growing the file as needed (a gap reads as zero bytes). The record has
    // reached the operating system when this returns, so a killed program keeps it.
    bool writeRecord(qint32 n, const ScanRecord& record);
    // Nothing for n below 1, past the last whole record, or on a read error.
    std::optional<ScanRecord> readRecord(qint32 n) const;
    // Sequential bulk read: up to maxCount whole records from record `first` on, copied into
    // `buffer` (room for maxCount * RecordLength bytes). Returns how many it copied: 0 past the
    // last whole record, -1 on a read error.
    qint32 readRecords(qint64 first, qint32 maxCount, char* buffer) const;

    QString errorString() const;

private:
    bool fail(const QString& message) const;

    mutable QFile m_file; // reading moves its position
    mutable QString m_error;
};

} // namespace recording
