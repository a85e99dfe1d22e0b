// SPDX-License-Identifier: MIT
// korlan-record as a process against the simulated radio: what it records, how it ends on a
// signal or when killed, and how it takes bad input.
#include "tests/support/decimal_comma_locale.h"
#include "tests/support/expected_loops.h"
#include "tests/support/sim_radio.h"

#include <QDir>
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

} // namespace

class TestKorlanRecord : public QObject {
    Q_OBJECT

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
};

QTEST_GUILESS_MAIN(TestKorlanRecord)
#include "tst_korlan_record.moc"
