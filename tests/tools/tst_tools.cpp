// SPDX-License-Identifier: MIT
// The command-line tools run as processes, as a user or a script runs them: korlan-record against
// the simulated radio (what it records, how it ends on a signal or when killed, how it takes bad
// input) and korlan-scan on scan files.
#include "tests/support/decimal_comma_locale.h"
#include "tests/support/expected_loops.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scan_fixture.h"
#include "tests/support/sim_radio.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace testing;

namespace {

constexpr int Bound = 60000; // ms

struct Run {
    int exitCode = -1;
    QString output;
    QString messages;
};

class Recorder {
public:
    // A radio that fails is given up on in compressed time; a scan runs with the real 2 s reply
    // watchdog, which a loaded machine never trips.
    explicit Recorder(const QStringList& arguments,
                      const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                      double timeScale = 1.0) {
        QProcessEnvironment withScale = env;
        withScale.insert(QStringLiteral("KORLAN_TIME_SCALE"), QString::number(timeScale));
        process.setProcessEnvironment(withScale);
        process.start(QStringLiteral(KORLAN_RECORD), arguments);
    }
    Run finish() {
        process.waitForFinished(Bound);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }
    QProcess process;
};

// The one scan saved in the folder, by its default name.
QString savedScan(const QString& folder) {
    const QStringList saved = QDir(folder).entryList({QStringLiteral("20*.dat")}, QDir::Files);
    return saved.size() == 1 ? QDir(folder).filePath(saved[0]) : QString();
}

struct ScanRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

} // namespace

class TestTools : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString inDir(const QString& name) const { return m_dir.filePath(name); }

    ScanRun run(const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(KORLAN_SCAN), arguments);
        ScanRun result;
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
    // Under a desktop locale that writes numbers with a decimal comma, too: the radio's "902.2"
    // still reads as 902.2 MHz.
    void recordsTheLoopsAskedForAsTheRadioAnsweredThem_data() {
        QTest::addColumn<bool>("decimalComma");
        QTest::newRow("C locale") << false;
        QTest::newRow("decimal-comma locale") << true;
    }
    void recordsTheLoopsAskedForAsTheRadioAnsweredThem() {
        QFETCH(bool, decimalComma);
        const DecimalCommaLocale locale;
        QVERIFY2(locale.available(), qPrintable(locale.error()));
        SimRadio radio;
        QVERIFY2(radio.start({"--seed", "3"}), qPrintable(radio.error()));
        QTemporaryDir out;
        Recorder recorder({"--device", radio.device(), "--loops", "3", "--output", out.path()},
                          decimalComma ? locale.environment()
                                       : QProcessEnvironment::systemEnvironment());
        const Run run = recorder.finish();
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.output.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        const QRegularExpression line(
            QStringLiteral("^loop (\\d)  elapsed \\S+  strongest \\d{3}\\.\\d MHz -\\d+ dBm$"));
        for (int n = 0; n < 3; ++n)
            QCOMPARE(line.match(lines[n]).captured(1), QString::number(n + 1));

        const QString saved = savedScan(out.path());
        QVERIFY2(!saved.isEmpty(), qPrintable(run.messages));
        QVERIFY(run.messages.contains(saved));
        const QList<recording::ScanRecord> records = readScanFile(saved);
        QCOMPARE(records.size(), 3);
        QCOMPARE(mismatchWithTheRadio(records, radio.levels()), QString());
        QVERIFY(!QFile::exists(QDir(out.path()).filePath("lastScan.dat")));
    }

    // SIGTERM ends the scan at once and saves it; SIGKILL leaves the recording with every
    // finished loop.
    void endedBySignalOrKilledKeepsEveryFinishedLoop_data() {
        QTest::addColumn<bool>("kill");
        QTest::newRow("SIGTERM: saved") << false;
        QTest::newRow("SIGKILL: in lastScan.dat") << true;
    }
    void endedBySignalOrKilledKeepsEveryFinishedLoop() {
        QFETCH(bool, kill);
        SimRadio radio;
        QVERIFY2(radio.start(), qPrintable(radio.error()));
        QTemporaryDir out;
        Recorder recorder({"--device", radio.device(), "--output", out.path()});
        const QString recording = QDir(out.path()).filePath("lastScan.dat");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(recording).size() >= 2 * recording::RecordLength, Bound);
        if (kill)
            recorder.process.kill();
        else
            ::kill(pid_t(recorder.process.processId()), SIGTERM);
        const Run run = recorder.finish();
        QCOMPARE(run.exitCode, kill ? -1 : 0);
        const QString kept = kill ? recording : savedScan(out.path());
        QVERIFY2(!kept.isEmpty(), qPrintable(run.messages));
        QCOMPARE(QFileInfo(kept).size() % recording::RecordLength, 0);
        const QList<recording::ScanRecord> records = readScanFile(kept);
        QVERIFY(records.size() >= 2);
        QCOMPARE(mismatchWithTheRadio(records, radio.levels()), QString());
        if (!kill)
            QCOMPARE(run.output.count('\n'), records.size());
    }

    void badInputGetsAClearMessageAndAnExitStatus_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("simOptions"); // the radio, when it takes part
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QStringList noRadio;
        const QStringList null{"--device", "/dev/null"};
        // clang-format off
        QTest::newRow("unknown option") << QStringList{"--bogus"} << noRadio << 2 << "unknown option --bogus";
        QTest::newRow("no device") << QStringList{"--loops", "3"} << noRadio << 2 << "--device PATH or --port N";
        QTest::newRow("speed") << null + QStringList{"--speed", "9600"} << noRadio << 2
            << "expected 19200, 38400, 57600 or 115200";
        QTest::newRow("limit off the grid") << null + QStringList{"--low", "902.3"} << noRadio << 2 << "0.2 MHz steps";
        QTest::newRow("limit outside the plan") << null + QStringList{"--high", "940"} << noRadio << 2
            << "895.8 to 934.0 MHz";
        QTest::newRow("limits crossed") << null + QStringList{"--low", "920.0", "--high", "910.0"} << noRadio << 2
            << "lies above";
        QTest::newRow("duration") << null + QStringList{"--duration", "soon"} << noRadio << 2 << "90s, 30m, 12h or 2d";
        QTest::newRow("missing device") << QStringList{"--device", "/nonexistent/ttyUSB9"} << noRadio << 1
            << "does not exist";
        QTest::newRow("deaf radio") << QStringList{} << QStringList{"--deaf"} << 1 << "did not answer the wake-up";
        QTest::newRow("refused access code") << QStringList{} << QStringList{"--pass-code", "AB12"} << 1
            << "refused the access code";
        // clang-format on
    }
    void badInputGetsAClearMessageAndAnExitStatus() {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, simOptions);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        SimRadio radio;
        QTemporaryDir out;
        if (!simOptions.isEmpty()) {
            QVERIFY2(radio.start(simOptions), qPrintable(radio.error()));
            arguments << "--device" << radio.device() << "--output" << out.path();
        }
        Recorder recorder(arguments, QProcessEnvironment::systemEnvironment(), 0.25);
        const Run run = recorder.finish();
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.messages.contains(message), qPrintable(run.messages));
        QVERIFY(run.output.isEmpty());
        QVERIFY(QDir(out.path()).entryList({"20*.dat"}).isEmpty());
    }

    void helpAndVersionGoToStandardOutput() {
        for (const QString& option : {QStringLiteral("--help"), QStringLiteral("--version")}) {
            Recorder recorder({option});
            const Run run = recorder.finish();
            QCOMPARE(run.exitCode, 0);
            QVERIFY(run.output.contains("korlan-record"));
            QVERIFY(run.messages.isEmpty());
        }
    }

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
        const ScanRun r = run(arguments);
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
            const ScanRun r = run(arguments);
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.contains(message.toUtf8()), r.err);
            if (command == QLatin1String("csv"))
                QTEST(int(r.out.count('\n')), "rows");
        }
    }

    void helpAndVersionExitWithZero() {
        const ScanRun help = run({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.startsWith("Usage: korlan-scan COMMAND SCAN.dat"));
        const ScanRun version = run({QStringLiteral("csv"), QStringLiteral("--version")});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QByteArray("korlan-scan " KORLAN_VERSION "\n"));
    }

    // The same rows go to standard output or to the file.
    void csvGoesToStandardOutputOrAFile() {
        const ScanRun toStdout = run({QStringLiteral("csv"), QStringLiteral("scan.dat")});
        QCOMPARE(toStdout.exitCode, 0);
        QCOMPARE(toStdout.err, QByteArray());
        QCOMPARE(toStdout.out.count('\n'), 20);
        QVERIFY(toStdout.out.startsWith("2024-05-01, 14:00:00, 902200000, 927800000, 200000, 1, "
                                        "-108, "));
        const ScanRun toFile = run({"csv", "scan.dat", "loops.csv"});
        QCOMPARE(toFile.exitCode, 0);
        QCOMPARE(toFile.out, QByteArray());
        QCOMPARE(fileBytes(inDir("loops.csv")), toStdout.out);
    }

    // The ranking as a table on standard output, the recommendation last; --csv writes it too.
    void reportPrintsTheRankingAndTheQuietestGroup() {
        const ScanRun r = run({"report", "scan.dat", "--threshold", "-75", "--csv", "report.csv"});
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
        const ScanRun r = run({"waterfall", "scan.dat", "fall.png", "--height=300"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        const QImage picture(inDir("fall.png"));
        QVERIFY(!picture.isNull());
        QVERIFY(picture.height() > 300 && picture.height() < 400);
        QVERIFY(picture.width() >= 128 * 4);
    }
};

QTEST_GUILESS_MAIN(TestTools)
#include "tst_tools.moc"
