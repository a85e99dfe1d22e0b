// SPDX-License-Identifier: MIT
// The scan-file reader on any bytes: every whole record reads back exactly as stored and writes
// again to the same bytes; a position past the whole records, such as a damaged tail, is reported
// rather than read; a loop's start text that reads at all reads back as itself.
#include "core/conventions.h"
#include "recording/scan_file.h"
#include "tests/fuzz/fuzz_check.h"

using recording::RecordLength;
using recording::ScanFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString path = fuzzFolder().filePath(QStringLiteral("scan.dat"));
    const QString copyPath = fuzzFolder().filePath(QStringLiteral("copy.dat"));
    FUZZ_CHECK(testing::writeFile(path, bytes));

    ScanFile scan;
    FUZZ_CHECK(scan.openForReading(path));
    const qint64 records = scan.recordCount();
    FUZZ_CHECK(records == bytes.size() / RecordLength);

    ScanFile copy;
    FUZZ_CHECK(copy.create(copyPath));
    for (qint32 n = 1; n <= records; ++n) {
        const auto record = scan.readRecord(n);
        FUZZ_CHECK(record.has_value());
        FUZZ_CHECK(record->toBytes() == bytes.mid((n - 1) * RecordLength, RecordLength));
        FUZZ_CHECK(copy.writeRecord(n, *record));
        const QString started = QString::fromLatin1(record->LoopStartText);
        if (const auto when = core::parseDateTimeText(started)) {
            FUZZ_CHECK(core::parseDateTimeText(core::dateTimeText(*when)) == when);
            FUZZ_CHECK(core::secondsBetween(started, started) == 0);
        }
    }
    for (const qint64 n : {qint64(0), records + 1}) {
        FUZZ_CHECK(!scan.readRecord(qint32(n)));
        FUZZ_CHECK(!scan.errorString().isEmpty());
    }
    copy.close();
    FUZZ_CHECK(testing::fileBytes(copyPath) == bytes.left(records * RecordLength));
    return 0;
}
