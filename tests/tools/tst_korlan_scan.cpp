// SPDX-License-Identifier: MIT
// korlan-scan run as a process, as a user or a script runs it.
#include "tests/support/file_bytes.h"
#include "tests/support/scan_fixture.h"

#include <QCryptographicHash>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

using testing::fileBytes;

} // namespace

class TestKorlanScan : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString inDir(const QString& name) const { return m_dir.filePath(name); }

    Run run(const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(KORLAN_SCAN), arguments);
        Run result;
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return result;
        result.exitCode = process.exitCode();
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

    // 20 loops: "Grp 5" busy in every other loop, the rest quiet; then `tail` as it is.
    void writeScan(const QString& name, const QByteArray& tail = {}) {
        testing::ScanFileWriter writer;
        QVERIFY(writer.create(inDir(name)));
        for (int n = 1; n <= 20; ++n) {
            QByteArray codes = testing::startupLoopCodes(108);
            for (int c = 96; c < 112; ++c)
                codes[c] = char(n % 2 ? 70 : 105);
            QVERIFY(writer.append(codes));
        }
        QVERIFY(writer.appendRaw(tail));
    }

private slots:
    void initTestCase() {
        writeScan(QStringLiteral("scan.dat"));
        writeScan(QStringLiteral("tail.dat"), QByteArray(300, '\0'));
        QVERIFY(
            testing::writeFile(inDir("notes.txt"), QByteArray("Site visit notes\n").repeated(100)));
    }

    // A command line that is not understood gives status 2 and a sentence saying why; nothing
    // goes to standard output.
    void usageErrorsExitWithTwo_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        // clang-format off
        QTest::newRow("nothing")           << QStringList{} << "a command is missing";
        QTest::newRow("unknown command")   << QStringList{"plot", "scan.dat"} << "unknown command 'plot'";
        QTest::newRow("no scan")           << QStringList{"csv"} << "csv needs a scan file";
        QTest::newRow("no picture")        << QStringList{"waterfall", "scan.dat"} << "waterfall needs an output file";
        QTest::newRow("extra argument")    << QStringList{"report", "scan.dat", "more"} << "too many arguments for report: 'more'";
        QTest::newRow("foreign option")    << QStringList{"csv", "scan.dat", "--height", "5"} << "'--height' is not an option of csv";
        QTest::newRow("threshold text")    << QStringList{"report", "scan.dat", "--threshold", "loud"} << "--threshold takes a whole number of dBm from -130 to -20, not 'loud'";
        QTest::newRow("threshold range")   << QStringList{"report", "scan.dat", "--threshold=-200"} << "not '-200'";
        QTest::newRow("threshold missing") << QStringList{"report", "scan.dat", "--threshold"} << "--threshold needs a value";
        QTest::newRow("height range")      << QStringList{"waterfall", "scan.dat", "w.png", "--height", "3"} << "--height takes a whole number of pixels from 16 to 10000, not '3'";
        QTest::newRow("csv over the scan") << QStringList{"csv", "scan.dat", "./scan.dat"} << "./scan.dat is the scan itself; it is never written over";
        QTest::newRow("png over the scan") << QStringList{"waterfall", "scan.dat", "scan.dat"} << "scan.dat is the scan itself";
        QTest::newRow("report over it")    << QStringList{"report", "scan.dat", "--csv", "scan.dat"} << "scan.dat is the scan itself";
        // clang-format on
    }
    void usageErrorsExitWithTwo() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const QByteArray before = fileBytes(inDir("scan.dat"));
        const Run r = run(arguments);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.startsWith("korlan-scan: ") && r.err.contains(message.toUtf8()), r.err);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(fileBytes(inDir("scan.dat")), before);
    }

    // A scan that cannot be read gives status 1 and says why; a damaged one is used as far as it
    // is whole and says what was left out, with status 1 all the same. What a damaged file's
    // reader leaves out and says is the survey suite's.
    void unreadableAndDamagedScansExitWithOne_data() {
        QTest::addColumn<QString>("scan");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("message");
        // clang-format off
        QTest::newRow("missing")   << "none.dat"  << 0  << "none.dat: no such file";
        QTest::newRow("text")      << "notes.txt" << 0  << "notes.txt is not a scan file: record 1 gives loop number";
        QTest::newRow("truncated") << "tail.dat"  << 20 << "tail.dat: the last 300 bytes are not a whole loop and are left out";
        // clang-format on
    }
    void unreadableAndDamagedScansExitWithOne() {
        QFETCH(QString, scan);
        QFETCH(QString, message);
        for (const QString command : {"csv", "report", "waterfall"}) {
            QStringList arguments{command, scan};
            if (command == QLatin1String("waterfall"))
                arguments << QStringLiteral("damaged.png");
            const Run r = run(arguments);
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.contains(message.toUtf8()), r.err);
            if (command == QLatin1String("csv"))
                QTEST(int(r.out.count('\n')), "rows");
        }
    }

    void helpAndVersionExitWithZero() {
        const Run help = run({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.startsWith("Usage: korlan-scan COMMAND SCAN.dat"));
        const Run version = run({QStringLiteral("csv"), QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QByteArray("korlan-scan " KORLAN_VERSION "\n"));
    }

    // The same rows go to standard output or to the file.
    void csvGoesToStandardOutputOrAFile() {
        const Run toStdout = run({QStringLiteral("csv"), QStringLiteral("scan.dat")});
        QCOMPARE(toStdout.exitCode, 0);
        QCOMPARE(toStdout.err, QByteArray());
        QCOMPARE(toStdout.out.count('\n'), 20);
        QVERIFY(toStdout.out.startsWith("2024-05-01, 14:00:00, 902200000, 927800000, 200000, 1, "
                                        "-108, "));
        const Run toFile = run({"csv", "scan.dat", "loops.csv"});
        QCOMPARE(toFile.exitCode, 0);
        QCOMPARE(toFile.out, QByteArray());
        QCOMPARE(fileBytes(inDir("loops.csv")), toStdout.out);
    }

    // The ranking as a table on standard output, the recommendation last; --csv writes it too.
    void reportPrintsTheRankingAndTheQuietestGroup() {
        const Run r = run({"report", "scan.dat", "--threshold", "-75", "--csv", "report.csv"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2 + 12 + 1);
        QCOMPARE(lines[0], QByteArray("20 loops from 05-01-2024  14:00:00 to 05-01-2024  "
                                      "14:00:19; occupied: Last level at or above -75 dBm"));
        QCOMPARE(lines[1].simplified(),
                 QByteArray("Rank Group MHz Occupied Median 90th pct Strongest Measured"));
        QCOMPARE(lines[2].simplified(),
                 QByteArray("1 Grp 1 902.2-905.2 MHz 0 % -108 -108 -108 100 %"));
        QCOMPARE(lines[9].simplified(),
                 QByteArray("8 Grp 5 915.0-918.0 MHz 50 % -105 -70 -70 100 %"));
        QCOMPARE(lines.last(), QByteArray("Grp 1 (902.2-905.2 MHz) is the quietest: 0 % "
                                          "occupied, median -108 dBm"));
        QVERIFY(fileBytes(inDir("report.csv")).startsWith("scope,name,"));
    }

    void waterfallWritesAPictureOfTheAskedHeight() {
        const Run r = run({"waterfall", "scan.dat", "fall.png", "--height=300"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        const QImage picture(inDir("fall.png"));
        QVERIFY(!picture.isNull());
        QVERIFY(picture.height() > 300 && picture.height() < 400);
        QVERIFY(picture.width() >= 128 * 4);
    }
};

QTEST_GUILESS_MAIN(TestKorlanScan)
#include "tst_korlan_scan.moc"
