// SPDX-License-Identifier: MIT
#pragma once

#include "recording/scan_record.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

namespace testing {

// Last codes of a loop at the start-up limits (902.2 - 927.6 MHz): code 201 outside them and
// `level` (a magnitude: 108 means -108 dBm) on every channel of "Grp 1" .. "Grp 8".
QByteArray startupLoopCodes(unsigned char level);

// When loop n (from 1) began: one loop a second from 14:00:00 on 1 May 2024.
QDateTime loopStart(qint64 n);

// The record of loop n with the given Last codes; Peak and Average repeat them.
recording::ScanRecord loopRecord(qint32 n, const QByteArray& lastCodes);

// A scan file written loop after loop, each loop on disk once appended, as the recorder writes it.
class ScanFileWriter {
public:
    bool create(const QString& path);
    // Appends the next loop (numbered from 1).
    bool append(const QByteArray& lastCodes);
    // Appends bytes as they are, for files that are not whole.
    bool appendRaw(const QByteArray& bytes);
    qint32 loops() const { return m_loops; }
    void close() { m_file.close(); }

private:
    QFile m_file;
    qint32 m_loops = 0;
};

} // namespace testing
