// SPDX-License-Identifier: MIT
#include "recording/scan_file.h"
#include "tests/support/file_bytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace recording;
using testing::fileBytes;

class TestScanRecord : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    static ScanRecord loop(qint32 n) {
        ScanRecord r{n, -2, "10-30-2009  14:05:33", {}, {}, {}};
        r.LastCodes = QByteArray(100, char(95)); // the sweep passed only the first 100 channels
        r.AverageCodes = QByteArray(CodeFieldLength + 8, char(n));
        // the first group switched off, the rest at -90 dBm
        r.PeakCodes = QByteArray(16, char(200)) + QByteArray(176, char(90));
        return r;
    }

private slots:
    void recordHasTheFileLayout() {
        const QByteArray bytes = loop(0x01020304).toBytes();
        QCOMPARE(bytes.size(), RecordLength);
        QCOMPARE(bytes.left(8), QByteArray("\x04\x03\x02\x01\xfe\xff\xff\xff", 8));
        QCOMPARE(bytes.mid(8, 20), QByteArray("10-30-2009  14:05:33"));
        QCOMPARE(bytes.mid(28, 192), QByteArray(100, char(95)) + QByteArray(92, ' '));
        QCOMPARE(bytes.mid(220, 192), QByteArray(192, char(4)));
        QCOMPARE(bytes.mid(412), loop(1).PeakCodes);

        const ScanRecord back = ScanRecord::fromBytes(bytes);
        QCOMPARE(back.LoopNumber, 0x01020304);
        QCOMPARE(back.Attenuation, -2);
        QCOMPARE(back.LastCodes, bytes.mid(28, 192));
    }

    void recordsReachTheDiskBeforeClose() {
        const QString path = m_dir.filePath(QStringLiteral("lastScan.dat"));
        ScanFile file;
        QVERIFY(!file.create(m_dir.filePath(QStringLiteral("Data/lastScan.dat"))));
        QVERIFY(!file.errorString().isEmpty());
        QVERIFY(file.create(path));
        QVERIFY(file.writeRecord(1, loop(1)));
        QVERIFY(file.writeRecord(2, loop(2)));
        QCOMPARE(fileBytes(path), loop(1).toBytes() + loop(2).toBytes());

        QVERIFY(file.writeRecord(4, loop(4)));
        QCOMPARE(fileBytes(path).mid(2 * RecordLength),
                 QByteArray(RecordLength, '\0') + loop(4).toBytes());
        QCOMPARE(file.recordCount(), 4);
        QCOMPARE(file.readRecord(2)->AverageCodes, QByteArray(CodeFieldLength, char(2)));
        QVERIFY(!file.readRecord(5));
    }

    // A new recording never keeps loops of the one before it, even beyond its own end.
    void aNewRecordingStartsEmpty() {
        const QString path = m_dir.filePath(QStringLiteral("lastScan.dat"));
        ScanFile file;
        QVERIFY(file.create(path));
        for (qint32 n = 1; n <= 3; ++n)
            QVERIFY(file.writeRecord(n, loop(n)));
        QVERIFY(file.create(path));
        QCOMPARE(file.recordCount(), 0);
        QVERIFY(file.writeRecord(1, loop(7)));
        file.close();
        QCOMPARE(fileBytes(path), loop(7).toBytes());
    }

    // A scan copied from a colleague or kept on a read-only medium still plays back.
    void aReadOnlyScanPlaysBackAndIsNeverWritten() {
        const QString path = m_dir.filePath(QStringLiteral("readonly.dat"));
        QVERIFY(testing::writeFile(path, loop(1).toBytes() + loop(2).toBytes()));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        ScanFile file;
        QVERIFY2(file.openForReading(path), qPrintable(file.errorString()));
        QCOMPARE(file.readRecord(2)->LoopNumber, 2);
        QVERIFY(!file.writeRecord(3, loop(3)));
        QCOMPARE(file.recordCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestScanRecord)
#include "tst_scan_record.moc"
