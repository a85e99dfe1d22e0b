// SPDX-License-Identifier: MIT
#pragma once

#include "recording/scan_file.h"
#include "scan/channel_plan.h"
#include "survey/loop_time.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace survey {

using LoopCodes = std::array<unsigned char, scan::ChannelCount>;

// One loop as the survey reads it: its Last codes by channel, padding already turned into
// NoReadingCode.
struct Loop {
    qint32 Number = 0;
    LoopTime Start;
    LoopCodes Last{};
};

// A loop from a record's RecordLength bytes; false with the reason when its start text is not a
// time or a code field holds a code above 201.
bool decodeLoop(const char* bytes, Loop& loop, QString* problem);
// The same from a record in memory, as a live scan hands it over.
std::optional<Loop> loopOfRecord(const recording::ScanRecord& record, QString* problem = nullptr);

// Reads a scan file's loops in order, a block of records at a time, so that memory stays the
// same whatever the file's size. Reading stops at the first record that is not a whole loop of
// this file: a loop number other than its place, a start text that is not a time, or a code
// above 201 in any code field. Everything before it is read; warning() says what was left out.
class ScanReader {
public:
    ScanReader();

    // Fails with errorString() when the file cannot be opened, holds no whole record, or its
    // first record is not a loop (then it is not a scan file).
    bool open(const QString& path);
    QString errorString() const { return m_error; }
    QString path() const { return m_file.path(); }
    bool isOpen() const { return m_file.isOpen(); }

    // Whole records in the file, sound or not.
    qint64 recordCount() const { return m_file.recordCount(); }

    // The next sound loop; false at the end of the file or at the first unsound record.
    bool next(Loop& loop);
    // Back to the first loop; the warning about an unsound record stays.
    void rewind();
    qint64 loopsRead() const { return m_loopsRead; }
    // Record n of the file as it lies there, all of its fields; nothing past the last whole record
    // or when it cannot be read.
    std::optional<recording::ScanRecord> readRecord(qint64 n) const;

    // What was not read, in a sentence per problem; empty when the whole file was read.
    QString warning() const;

private:
    bool fillBlock();

    recording::ScanFile m_file;
    QByteArray m_block;
    qint32 m_blockRecords = 0;
    qint32 m_blockPosition = 0;
    qint64 m_nextRecord = 1;
    qint64 m_loopsRead = 0;
    bool m_stopped = false;
    QString m_error;
    QString m_stopReason;      // why reading stopped before the end
    qint64 m_firstUnsound = 0; // that record's number, 0 while none was met
    qint64 m_tailBytes = 0;    // a partial record at the end
};

} // namespace survey
