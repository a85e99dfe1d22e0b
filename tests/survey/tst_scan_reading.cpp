// SPDX-License-Identifier: MIT
#include "survey/level_codes.h"
#include "survey/rtl_power_csv.h"
#include "survey/scan_reader.h"
#include "tests/support/scan_fixture.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

using namespace survey;

class TestScanReading : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

    void writeScan(const QList<QByteArray>& loops, const QByteArray& tail = {}) {
        testing::ScanFileWriter writer;
        QVERIFY(writer.create(m_path));
        for (const QByteArray& loop : loops)
            QVERIFY(writer.append(loop));
        QVERIFY(writer.appendRaw(tail));
    }

    QByteArray csvOf(ScanReader& reader) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString error;
        if (!writeLoopsCsv(reader, out, &error))
            return "write failed: " + error.toUtf8();
        return out.data();
    }

private slots:
    void init() { m_path = m_dir.filePath(QStringLiteral("scan.dat")); }

    // A row per loop: ISO date and time, the span's first frequency and its last plus one step,
    // the step, one sample, then whole dBm; a channel without a level is "nan", so that every
    // row has as many numbers as (high - low) / step.
    void csvRowsFollowTheRtlPowerLayout() {
        QByteArray loop = testing::startupLoopCodes(108);
        loop[32] = char(60);
        loop[33] = char(0);                  // no reading
        loop[34] = char(scan::GroupOffCode); // group switched off
        loop[35] = char(32);                 // -32 dBm, not padding: more follows
        writeScan({loop, testing::startupLoopCodes(97)});
        ScanReader reader;
        QVERIFY2(reader.open(m_path), qPrintable(reader.errorString()));
        const QList<QByteArray> rows = csvOf(reader).split('\n');
        QCOMPARE(rows.size(), 3);
        QVERIFY(rows[0].startsWith("2024-05-01, 14:00:00, 902200000, 927800000, 200000, 1, "
                                   "-60, nan, nan, -32, -108, "));
        QVERIFY(rows[1].startsWith("2024-05-01, 14:00:01, 902200000, 927800000, 200000, 1, -97, "));
        const QList<QByteArray> fields = rows[1].split(',');
        QCOMPARE(fields.size(), 6 + (927800000 - 902200000) / 200000);
        QCOMPARE(fields.last().trimmed(), QByteArray("-97"));
        QCOMPARE(rows[2], QByteArray());
    }

    // The span reaches as far as the channels that no loop marked outside the limits.
    void csvSpanCoversTheChannelsInsideTheLimits_data() {
        QTest::addColumn<int>("lowOut");  // channels from 0 marked 201
        QTest::addColumn<int>("highOut"); // channels to 191 marked 201
        QTest::addColumn<QByteArray>("frequencies");
        QTest::newRow("start-up") << 32 << 32 << QByteArray("902200000, 927800000");
        QTest::newRow("widest") << 0 << 0 << QByteArray("895800000, 934200000");
        QTest::newRow("899.0 to 930.8") << 16 << 16 << QByteArray("899000000, 931000000");
    }
    void csvSpanCoversTheChannelsInsideTheLimits() {
        QFETCH(int, lowOut);
        QFETCH(int, highOut);
        QByteArray loop(scan::ChannelCount, char(105));
        for (int c = 0; c < lowOut; ++c)
            loop[c] = char(scan::OutOfRangeCode);
        for (int c = scan::ChannelCount - highOut; c < scan::ChannelCount; ++c)
            loop[c] = char(scan::OutOfRangeCode);
        writeScan({loop});
        ScanReader reader;
        QVERIFY(reader.open(m_path));
        const QByteArray row = csvOf(reader);
        QTEST(row.split(',').mid(2, 2).join(',').trimmed(), "frequencies");
    }

    // The trailing run of 32s is where the sweep did not reach: no level, not -32 dBm.
    void paddingAtTheEndOfALoopIsNoReading() {
        QByteArray loop = testing::startupLoopCodes(108);
        loop.truncate(150);
        writeScan({loop});
        ScanReader reader;
        QVERIFY(reader.open(m_path));
        Loop read;
        QVERIFY(reader.next(read));
        QCOMPARE(int(read.Last[149]), 108);
        QCOMPARE(int(read.Last[150]), int(NoReadingCode));
        QCOMPARE(int(read.Last[191]), int(NoReadingCode));
    }

    // A file that is not whole is read as far as it is; what is left out is said.
    void damagedScansAreReadAsFarAsTheyAreWhole_data() {
        QTest::addColumn<QByteArray>("damage"); // what follows three good loops
        QTest::addColumn<qint64>("loops");
        QTest::addColumn<QString>("warning");
        QByteArray badCode = testing::loopRecord(4, testing::startupLoopCodes(108)).toBytes();
        badCode[28 + 40] = char(230);
        QByteArray wrongNumber = testing::loopRecord(9, testing::startupLoopCodes(108)).toBytes();
        QByteArray noTime = testing::loopRecord(4, testing::startupLoopCodes(108)).toBytes();
        noTime.replace(8, 20, QByteArray(20, ' '));
        const QByteArray after = testing::loopRecord(5, testing::startupLoopCodes(108)).toBytes();
        // clang-format off
        QTest::newRow("whole") << QByteArray() << 3LL << "";
        QTest::newRow("partial record") << QByteArray(100, 'x') << 3LL
            << "scan.dat: the last 100 bytes are not a whole loop and are left out";
        QTest::newRow("code above 201") << badCode + after << 3LL
            << "scan.dat: loop 4 holds code 230 (neither a level nor a skip code) for 903.8 MHz; "
               "only the 3 loops before it are read";
        QTest::newRow("loop number") << wrongNumber << 3LL
            << "scan.dat: record 4 gives loop number 9; only the 3 loops before it are read";
        QTest::newRow("start text") << noTime << 3LL
            << "scan.dat: loop 4 has no start time; only the 3 loops before it are read";
        // clang-format on
    }
    void damagedScansAreReadAsFarAsTheyAreWhole() {
        QFETCH(QByteArray, damage);
        const QByteArray loop = testing::startupLoopCodes(108);
        writeScan({loop, loop, loop}, damage);
        ScanReader reader;
        QVERIFY2(reader.open(m_path), qPrintable(reader.errorString()));
        QTEST(qint64(csvOf(reader).count('\n')), "loops");
        QTEST(reader.warning().replace(m_dir.path() + '/', QString()), "warning");
    }

    void filesWithoutALoopAreRefused_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("error");
        QByteArray firstBad = testing::loopRecord(1, testing::startupLoopCodes(108)).toBytes();
        firstBad[100] = char(202);
        // clang-format off
        QTest::newRow("empty") << QByteArray()
            << "scan.dat holds no loops: the recording ended before its first loop";
        QTest::newRow("short") << QByteArray(603, '\0')
            << "scan.dat is not a scan file: 603 bytes is less than one loop record (604 bytes)";
        QTest::newRow("text") << QByteArray(2000, 'a')
            << "scan.dat is not a scan file: record 1 gives loop number 1633771873";
        QTest::newRow("first loop bad") << firstBad
            << "scan.dat is not a scan file: loop 1 holds code 202 (neither a level nor a skip "
               "code) for 910.2 MHz";
        // clang-format on
    }
    void filesWithoutALoopAreRefused() {
        QFETCH(QByteArray, content);
        writeScan({}, content);
        ScanReader reader;
        QVERIFY(!reader.open(m_path));
        QTEST(reader.errorString().replace(m_dir.path() + '/', QString()), "error");
    }
};

QTEST_GUILESS_MAIN(TestScanReading)
#include "tst_scan_reading.moc"
