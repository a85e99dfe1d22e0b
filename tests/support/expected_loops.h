// SPDX-License-Identifier: MIT
#pragma once

#include "recording/scan_record.h"
#include "tests/support/sim_radio.h"

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QTemporaryDir>

namespace testing {

// 902.2 - 927.6 MHz: the channels a sweep measures at the start limits.
constexpr int FirstMeasured = 32;
constexpr int LastMeasured = 159;
constexpr int MeasuredPerLoop = LastMeasured - FirstMeasured + 1;

// The three code fields a loop must record.
struct LoopCodes {
    QByteArray last, peak, average;
};

// The codes of the first `loops` loops of a scan at the start limits, worked out from the levels
// the radio answered (peaks start at the -120 dBm lower limit; a level of 0 is no reading).
QList<LoopCodes> expectedLoops(const QList<AnsweredLevel>& levels, int loops);

// The requests of `loops` loops at the start limits, in order.
QByteArray requestsFor(int loops);

// The records of a scan file, read for checking; empty when it cannot be opened.
QList<recording::ScanRecord> readScanFile(const QString& path);

// Where records of a scan at the start limits differ from the levels the radio answered: empty
// when each record's loop number and three code fields are as they must be.
QString mismatchWithTheRadio(const QList<recording::ScanRecord>& records,
                             const QList<AnsweredLevel>& levels);

// A folder of a test's own standing for the program's, with its Data folder.
class ProgramFolder {
public:
    ProgramFolder() { QDir(m_dir.path()).mkpath(QStringLiteral("Data")); }
    QString folder() const { return m_dir.path(); }
    QString dataFile(const QString& name) const { return m_dir.filePath("Data/" + name); }
    QStringList dataFiles() const {
        return QDir(dataFile(QString())).entryList(QDir::Files, QDir::Name);
    }
    QList<recording::ScanRecord> records(const QString& name) const {
        return readScanFile(dataFile(name));
    }

private:
    QTemporaryDir m_dir;
};

// Whether the radio's log shows a request sent while another was still unanswered.
bool overlappingRequests(const QStringList& logLines);

} // namespace testing
