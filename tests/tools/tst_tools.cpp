// SPDX-License-Identifier: MIT
// The command-line tools run as processes, as a user or a script runs them: ternaflow-sim as the
// program and the other tests meet it (a pseudo-terminal and a log file; that its device survives
// the probes that open it, write and close is every scan test's first step), korlan-record
// against it (what it records, how it ends on a signal or when killed, how it takes bad input)
// and korlan-scan on scan files and on an SQLite store of sites' loops.
#include "core/conventions.h"
#include "fleet/loop_records.h"
#include "fleet/loop_store.h"
#include "recording/scan_file.h"
#include "tests/support/decimal_comma_locale.h"
#include "tests/support/expected_loops.h"
#include "tests/support/file_bytes.h"
#include "tests/support/pdf_reading.h"
#include "tests/support/program_process.h"
#include "tests/support/scan_fixture.h"
#include "tests/support/sim_radio.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <functional>
#include <set>
#include <tuple>

using namespace testing;

namespace {

constexpr int Bound = 60000; // ms

using testing::ProgramProcess;

// A radio that fails is given up on in compressed time; a scan runs with the real 2 s reply
// watchdog, which a loaded machine never trips.
QProcessEnvironment compressedTime() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORLAN_TIME_SCALE"), QStringLiteral("0.25"));
    return env;
}

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

constexpr int ReplyBound = 5000; // ms, for one answer of the simulated radio

using Writes = QList<QByteArray>;

const QByteArray WakeUp = QByteArrayLiteral("\x1b\r\n");
const QByteArray WakePrompt = QByteArrayLiteral("\r\nTernaflow setup\r\n>");
const QByteArray CodePrompt = QByteArrayLiteral("\r\nEnter pass code\r\n>");
const QByteArray UnlockPrompt = QByteArrayLiteral("\r\nSETUP>");
const QByteArray Closed = QByteArrayLiteral("CLOSED\r\n");
const QByteArray Terminator = QByteArrayLiteral("dBm\r\nSETUP>");
const QRegularExpression Reply(QStringLiteral(R"(RX (\d{3}\.\d)\r\n(-\d{1,3}) dBm\r\nSETUP>)"));
// Scripts alternate what is sent with what must come back; an empty answer means none at all.
const Writes Unlock = {WakeUp, WakePrompt, "SETUP\r", CodePrompt, "PASS QK47\r", UnlockPrompt};

// A level reply; in `level` '*' stands for digits.
QByteArray reply(const QByteArray& frequency, const QByteArray& level = "-*") {
    return "RX " + frequency + "\r\n" + level + " dBm\r\nSETUP>";
}

Writes request(const QByteArray& frequency, const QByteArray& level = "-*") {
    return {"RX " + frequency + "\rRSSI!\r", reply(frequency, level)};
}

// The wrong `pass` is refused, and the radio sleeps until woken again.
Writes refused(const QByteArray& pass, const QByteArray& code = "QK47") {
    Writes unlock = Unlock;
    unlock[4] = "PASS " + code + '\r';
    return Writes{WakeUp, WakePrompt, "SETUP\r", CodePrompt, pass, Closed} +
           Writes{"SETUP\rPASS " + code + "\rRX 902.2\rRSSI!\r", ""} + unlock + request("902.2");
}

// The simulated radio of the other tests, and a QSerialPort on its device.
struct Sim {
    bool start(const QStringList& options) {
        if (!radio.start(options))
            return fail(radio.error());
        port.setPortName(radio.device());
        return port.open(QIODevice::ReadWrite) || fail(port.errorString());
    }

    void send(const QByteArray& bytes) {
        sent += bytes;
        port.write(bytes);
        port.waitForBytesWritten(ReplyBound);
    }

    // Reads until `done`, looking again at least every 10 ms.
    bool waitFor(const std::function<bool()>& done, qint64 ms = ReplyBound) {
        for (const QDeadlineTimer deadline(ms); !done();) {
            if (deadline.hasExpired())
                return fail("waited in vain; got \"" + in.toPercentEncoding(" >") + '"');
            if (port.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 10)))) {
                in += port.readAll();
                ++reads;
            }
        }
        return true;
    }

    // The log shows every byte sent read.
    bool allRead() {
        return waitFor([&] { return radio.received() == sent; }) ||
               fail("the log says \"" + radio.received().toPercentEncoding(" >") + "\" was read");
    }

    // Nothing came back for what was sent. The radio answers what it reads before it reads on,
    // so once its log shows a later byte read on its own, any answer is already on the line.
    bool quiet() {
        if (!allRead())
            return false;
        send(QByteArray(1, '\0'));
        if (!allRead())
            return false;
        if (port.waitForReadyRead(0))
            in += port.readAll();
        return in.isEmpty() || fail("unexpected \"" + in.toPercentEncoding(" >") + '"');
    }

    // Sends `request`, then exactly `answer` comes back; notes the log lines it should cause. No
    // answer is checked by the next step's, which must come back alone, or by quiet().
    bool step(const QByteArray& request, const QByteArray& answer) {
        send(request);
        if (answer.isEmpty())
            return allRead();
        const QRegularExpression exact(QRegularExpression::anchoredPattern(
            QRegularExpression::escape(QString::fromLatin1(answer)).replace("\\*", "\\d+")));
        if (!waitFor([&] { return exact.match(QString::fromLatin1(in)).hasMatch(); }))
            return false;
        const QByteArray got = std::exchange(in, {});
        const QRegularExpressionMatch m = Reply.match(QString::fromLatin1(got));
        if (m.hasMatch()) {
            const int level = m.captured(2).toInt();
            events += "level " + m.captured(1).toLatin1() + ' ' + QByteArray::number(level) + '\n';
            if ((level < -130 || level > -30) && !answer.contains("-0 dBm"))
                return fail("level out of limits: " + m.captured(2));
        }
        if (got == Closed || (got == UnlockPrompt && request.startsWith("PASS")))
            events += got == Closed ? "closed\n" : "unlock\n";
        return true;
    }

    bool run(const Writes& script) {
        for (qsizetype i = 0; i + 1 < script.size(); i += 2)
            if (!step(script[i], script[i + 1]))
                return false;
        return true;
    }

    bool fail(const QString& why) {
        failure = why;
        return false;
    }

    testing::SimRadio radio;
    QSerialPort port;
    QString failure;
    QByteArray sent;
    QByteArray in;
    QByteArray events;
    int reads = 0;
};

#define SIM(check) QVERIFY2(check, qPrintable(sim.failure))

} // namespace

class TestTools : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString inDir(const QString& name) const { return m_dir.filePath(name); }

    ScanRun run(const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(KORLAN_SCAN), arguments);
        m_lastScan = {};
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
            return m_lastScan;
        m_lastScan.exitCode = process.exitCode();
        m_lastScan.out = process.readAllStandardOutput();
        m_lastScan.err = process.readAllStandardError();
        return m_lastScan;
    }
    ScanRun m_lastScan; // shown when a test fails

    // Loop n of the test's scans: "Grp 5" busy in every other loop, the rest quiet.
    static QByteArray scanLoopCodes(int n) {
        QByteArray codes = testing::startupLoopCodes(108);
        for (int c = 96; c < 112; ++c)
            codes[c] = char(n % 2 ? 70 : 105);
        return codes;
    }

    // 20 loops; then `tail` as it is.
    void writeScan(const QString& name, const QByteArray& tail = {}) {
        testing::ScanFileWriter writer;
        QVERIFY(writer.create(inDir(name)));
        for (int n = 1; n <= 20; ++n)
            QVERIFY(writer.append(scanLoopCodes(n)));
        QVERIFY(writer.appendRaw(tail));
    }

    QString m_store;                      // "sqlite:..." in the test's folder
    std::vector<fleet::SiteLoop> m_north; // what the store holds of "north", in time order

    // "north" sent the 20 loops of scan.dat during the last hour, a second apart, from a site
    // three hours ahead of UTC; "south" two loops three days ago, and is offline since.
    void writeStore() {
        m_store = QStringLiteral("sqlite:") + inDir("fleet/fleet.sqlite");
        fleet::LoopStore store;
        QVERIFY2(store.open(m_store), qPrintable(store.errorString()));
        const QDateTime hourAgo = QDateTime::fromSecsSinceEpoch(
            QDateTime::currentSecsSinceEpoch() - 3600, Qt::OffsetFromUTC, 3 * 3600);
        std::vector<fleet::SiteLoop> south;
        for (int n = 1; n <= 20; ++n) {
            const auto loop = fleet::siteLoopOfRecord(testing::loopRecord(n, scanLoopCodes(n)),
                                                      "north", "2024-05-01_14-00-00");
            QVERIFY(loop);
            m_north.push_back(*loop);
            m_north.back().start = hourAgo.addSecs(n - 1);
            if (n <= 2) {
                south.push_back(*loop);
                south.back().site = "south";
                south.back().start = hourAgo.addDays(-3).addSecs(n);
            }
        }
        QVERIFY(store.addLoops(m_north) && store.addLoops(south));
        QVERIFY(store.setSiteStatus("south", false, "4.0.1", hourAgo.addDays(-2)));
    }

private slots:
    void init() { m_lastScan = {}; }
    void cleanup() {
        if (QTest::currentTestFailed() && m_lastScan.exitCode != -1)
            qInfo().noquote() << "korlan-scan exited with" << m_lastScan.exitCode << "and said:\n"
                              << QString::fromLocal8Bit(m_lastScan.err);
    }

    void scriptedConversation_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<Writes>("script");
        const auto row = [](const char* name, const QStringList& options, const Writes& script) {
            QTest::newRow(name) << options << script;
        };
        // Waking needs ESC then CR or LF; awake, the radio is still locked.
        row("ESC CR", {}, {"\x1b\r", WakePrompt, "RX 902.2\rRSSI!\r", "", "SETUP\r", CodePrompt});
        row("ESC LF", {}, {"\x1b\n", WakePrompt});
        row("ESC, CR LF in a later read", {}, {"\x1b", "", "\r\n", WakePrompt});
        // Asleep, nothing else wakes it or is answered: a TEST probe, line ends alone, ESC and
        // another byte, commands.
        row("asleep", {},
            {"TEST", "", "\r\n\r\n", "", "\x1bX\r\n", "", "SETUP\rPASS QK47\rRX 902.2\rRSSI!\r", "",
             WakeUp, WakePrompt});
        // Level replies, one per request, whatever ends the lines and however they arrive: CR, LF,
        // CR LF, lower case without a blank, tuned twice to the carrier, split over reads, and
        // after odd bytes.
        // clang-format off
        row("level replies", {}, Unlock + request("902.2") + Writes{
            "SETUP\r", UnlockPrompt, "RX 895.8\nRSSI!\n", reply("895.8"), "RX 934.0\r\nRSSI!\r\n",
            reply("934.0"), "rx910.4\rrssi!\r", reply("910.4"), "RX 902.2\rRX 915.0\rRSSI!\r",
            reply("915.0", "-5*"), "R", "", "X 92", "", "0.6\r", "", "RSS", "", "I!\r", reply("920.6"),
            QByteArray("odd \\ bytes\t\x01\x7f\xff\0\r", 17), ""} + request("902.2"));
        // clang-format on
        // A wrong access code answers CLOSED and locks.
        row("code in lower case", {}, refused("PASS qk47\r"));
        row("code too long", {}, refused("PASS QK478\r"));
        row("--pass-code", {"--pass-code", "AB12"}, refused("PASS QK47\r", "AB12"));
        // A level that reads 0. The other faults (--closed-after, --silent-after, --deaf) end the
        // engine suite's scans, which wait for them.
        row("--zero-level-at", {"--zero-level-at", "2"},
            Unlock + request("902.2") + request("902.4", "-0") + request("902.4"));
    }

    // Every answer, and the log other tests read: each chunk received, unlock, level, closed.
    void scriptedConversation() {
        QFETCH(QStringList, options);
        QFETCH(Writes, script);
        Sim sim;
        SIM(sim.start(options));
        SIM(sim.run(script));
        SIM(sim.quiet());
        QByteArray logged; // the log's lines other than those of what was read
        for (const QString& line : sim.radio.logLines())
            if (!line.startsWith(QLatin1String("recv ")))
                logged += line.toLatin1() + '\n';
        QCOMPARE(logged, sim.events);
    }

    // One seed and one sequence of requests give the same levels; another seed others.
    void levelsDependOnlyOnSeedAndRequests() {
        Writes script = Unlock;
        for (const char* frequency :
             {"895.8", "902.2", "915.0", "920.6", "929.6", "931.2", "934.0"})
            script += request(frequency);
        QByteArrayList runs; // the level lines of the log
        for (const char* seed : {"7", "7", "8"}) {
            Sim sim;
            SIM(sim.start({"--seed", seed}));
            SIM(sim.run(script + script.mid(6)));
            runs.append(sim.events);
        }
        QCOMPARE(runs[1], runs[0]);
        QVERIFY(runs[2] != runs[0]);
    }

    void lineOptions_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("byteUs"); // least time a byte of a reply takes
        QTest::addColumn<int>("reads");  // least number of reads a reply takes
        QTest::addColumn<int>("noise");  // bytes after each reply
        QTest::newRow("--fragment")
            << QStringList{"--fragment", "--fragment-gap-us", "3000"} << 3000 << 5 << 0;
        QTest::newRow("--baud") << QStringList{"--baud", "2400"} << 10 * 1000000 / 2400 << 1 << 0;
        QTest::newRow("--noise") << QStringList{"--noise", "400"} << 0 << 1 << 400;
    }

    void lineOptions() {
        QFETCH(QStringList, options);
        QFETCH(int, byteUs);
        QFETCH(int, reads);
        QFETCH(int, noise);
        Sim sim;
        SIM(sim.start(options));
        SIM(sim.run(Unlock));
        for (const QByteArray frequency : {"902.2", "915.0", "931.2"}) {
            QElapsedTimer sinceRequest;
            sinceRequest.start();
            sim.reads = 0;
            sim.send("RX " + frequency + "\rRSSI!\r");
            SIM(sim.waitFor([&] { return sim.in.contains(Terminator); }));
            // Loose: everything after the first byte takes its time on the line.
            const qint64 ms = sinceRequest.elapsed();
            QVERIFY2(ms >= 0.8 * double(sim.in.size() - 1) * byteUs / 1000,
                     qPrintable(QString::number(ms)));
            QVERIFY2(sim.reads >= reads, qPrintable(QString::number(sim.reads)));
            // The last reply's noise is all taken, and none holds what the program looks for.
            QVERIFY(sim.in.startsWith("RX " + frequency + "\r\n-"));
            const qsizetype end = sim.in.indexOf(Terminator) + Terminator.size();
            SIM(sim.waitFor([&] { return sim.in.size() >= end + noise; }));
            const QByteArray after = std::exchange(sim.in, {}).mid(end);
            QCOMPARE(after.size(), noise);
            for (const char excluded : QByteArray("-RXCdS\r\n"))
                QVERIFY2(!after.contains(excluded), QByteArray(1, excluded).toHex().constData());
            QVERIFY(std::set<char>(after.cbegin(), after.cend()).size() >= size_t(noise / 4));
        }
    }

    // Under a desktop locale that writes numbers with a decimal comma: the radio's "902.2" still
    // reads as 902.2 MHz. Recording in the system's own locale is the signal tests'.
    void recordsTheLoopsAskedForAsTheRadioAnsweredThem() {
        const DecimalCommaLocale locale;
        QVERIFY2(locale.available(), qPrintable(locale.error()));
        SimRadio radio;
        QVERIFY2(radio.start({"--seed", "3"}), qPrintable(radio.error()));
        QTemporaryDir out;
        ProgramProcess recorder(
            KORLAN_RECORD, {"--device", radio.device(), "--loops", "3", "--output", out.path()},
            locale.environment());
        QCOMPARE(recorder.finish(), 0);
        const QStringList lines = recorder.output().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        const QRegularExpression line(
            QStringLiteral("^loop (\\d)  elapsed \\S+  strongest \\d{3}\\.\\d MHz -\\d+ dBm$"));
        for (int n = 0; n < 3; ++n)
            QCOMPARE(line.match(lines[n]).captured(1), QString::number(n + 1));

        const QString saved = savedScan(out.path());
        QVERIFY2(!saved.isEmpty(), qPrintable(recorder.messages()));
        QVERIFY(recorder.messages().contains(saved));
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
        ProgramProcess recorder(KORLAN_RECORD,
                                {"--device", radio.device(), "--output", out.path()});
        const QString recording = QDir(out.path()).filePath("lastScan.dat");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(recording).size() >= 2 * recording::RecordLength, Bound);
        if (kill)
            recorder.process.kill();
        else
            ::kill(pid_t(recorder.process.processId()), SIGTERM);
        QCOMPARE(recorder.finish(), kill ? -1 : 0);
        const QString kept = kill ? recording : savedScan(out.path());
        QVERIFY2(!kept.isEmpty(), qPrintable(recorder.messages()));
        QCOMPARE(QFileInfo(kept).size() % recording::RecordLength, 0);
        const QList<recording::ScanRecord> records = readScanFile(kept);
        QVERIFY(records.size() >= 2);
        QCOMPARE(mismatchWithTheRadio(records, radio.levels()), QString());
        if (!kill)
            QCOMPARE(recorder.output().count('\n'), records.size());
    }

    // A carrier on 910.0 MHz for three sweeps in seven: the alarm of the range around it (two
    // loops) and of its group (three) start and end at the loops the carrier says, each printed
    // and each running the command with the alarm in its environment. The command fails at every
    // end, which is told once while recording goes on.
    void alarmsStartAndEndWhereTheCarrierComesAndGoes() {
        SimRadio radio;
        QVERIFY2(radio.start({"--carrier", "910.0:-40:3:4"}), qPrintable(radio.error()));
        QTemporaryDir out;
        const QString command = QStringLiteral("env | grep ^KORLAN_ > '%1'/$KORLAN_ALARM_LOOP-"
                                               "$KORLAN_ALARM; [ $KORLAN_ALARM = start ]")
                                    .arg(out.path());
        ProgramProcess recorder(
            KORLAN_RECORD,
            {"--device", radio.device(), "--low", "908.6", "--high", "911.6", "--loops", "13",
             "--output", out.path(), "--alarm", "909.8-910.2 >= -50 for 2 loops", "--alarm",
             "grp 3 >= -50 dBm for 3 loops", "--on-alarm", command, "--site", "north"});
        QCOMPARE(recorder.finish(), 0);
        QCOMPARE(recorder.messages().count("the alarm command exited with status 1"), 1);

        const QString range = "909.8-910.2 MHz >= -50 dBm for 2 loops";
        const QString group = "Grp 3 >= -50 dBm for 3 loops";
        const QRegularExpression line(
            QStringLiteral(R"(^alarm (start|end)  (.+)  loop (\d+)  (\d{3}\.\d) MHz (-\d+) dBm$)"));
        QStringList alarms;
        QMap<QString, QString> where; // "12-end": "909.8 -104", as printed
        for (const QString& text : recorder.output().split('\n', Qt::SkipEmptyParts)) {
            if (!text.startsWith("alarm "))
                continue;
            const QRegularExpressionMatch m = line.match(text);
            QVERIFY2(m.hasMatch(), qPrintable(text));
            // A start names the carrier, an end the strongest of what is left.
            if (m.captured(1) == "start")
                QCOMPARE(m.captured(4) + ' ' + m.captured(5), "910.0 -40");
            else
                QVERIFY2(m.captured(5).toInt() < -50, qPrintable(text));
            alarms << m.captured(1) + ' ' + m.captured(3) + ' ' + m.captured(2);
            where.insert(m.captured(3) + '-' + m.captured(1), m.captured(4) + ' ' + m.captured(5));
        }
        QCOMPARE(alarms, QStringList({"start 2 " + range, "start 3 " + group, "end 5 " + range,
                                      "end 6 " + group, "start 9 " + range, "start 10 " + group,
                                      "end 12 " + range, "end 13 " + group}));

        // Every start and end ran the command, the last one too before the recorder ended.
        QStringList ran = QDir(out.path()).entryList({"*-start", "*-end"}, QDir::Files);
        ran.sort();
        QCOMPARE(ran, QStringList({"10-start", "12-end", "13-end", "2-start", "3-start", "5-end",
                                   "6-end", "9-start"}));
        const QList<recording::ScanRecord> records = readScanFile(savedScan(out.path()));
        QCOMPARE(records.size(), 13);
        for (const auto& [name, alarm, rule] :
             {std::tuple{"3-start", "start", group}, std::tuple{"12-end", "end", range}}) {
            QMap<QString, QString> env;
            for (const QByteArray& entry : fileBytes(out.filePath(name)).split('\n'))
                if (const qsizetype at = entry.indexOf('='); at > 0)
                    env.insert(entry.left(at), QString::fromUtf8(entry.mid(at + 1)));
            QCOMPARE(env.value("KORLAN_ALARM"), alarm);
            QCOMPARE(env.value("KORLAN_ALARM_RULE"), rule);
            const int loop = QString(name).section('-', 0, 0).toInt();
            QCOMPARE(env.value("KORLAN_ALARM_LOOP"), QString::number(loop));
            QCOMPARE(env.value("KORLAN_SITE"), "north");
            const QDateTime time =
                QDateTime::fromString(env.value("KORLAN_ALARM_TIME"), Qt::ISODate);
            QVERIFY2(time.isValid(), qPrintable(env.value("KORLAN_ALARM_TIME")));
            QCOMPARE(core::dateTimeText(time.toLocalTime()).toLatin1(),
                     records[loop - 1].LoopStartText);
            QCOMPARE(env.value("KORLAN_ALARM_MHZ") + ' ' + env.value("KORLAN_ALARM_DBM"),
                     where.value(name));
        }
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
        QTest::newRow("site without a broker") << null + QStringList{"--site", "north"} << noRadio << 2 << "goes with --publish";
        QTest::newRow("unknown group") << null + QStringList{"--alarm", "Grp 9 >= -80 for 3 loops"} << noRadio << 2
            << "Grp 9 is neither a channel group";
        QTest::newRow("command without an alarm") << null + QStringList{"--on-alarm", "true"} << noRadio << 2
            << "--on-alarm goes with --alarm";
        QTest::newRow("not a broker") << null + QStringList{"--publish", "tcp://x"} << noRadio << 2 << "not a broker address";
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
        ProgramProcess recorder(KORLAN_RECORD, arguments, compressedTime());
        QCOMPARE(recorder.finish(), exitCode);
        QVERIFY2(recorder.messages().contains(message), qPrintable(recorder.messages()));
        QVERIFY(recorder.output().isEmpty());
        QVERIFY(QDir(out.path()).entryList({"20*.dat"}).isEmpty());
    }

    void helpAndVersionGoToStandardOutput() {
        for (const QString& option : {QStringLiteral("--help"), QStringLiteral("--version")}) {
            ProgramProcess recorder(KORLAN_RECORD, {option});
            QCOMPARE(recorder.finish(), 0);
            QVERIFY(recorder.output().contains("korlan-record"));
            QVERIFY(recorder.messages().isEmpty());
        }
    }

    void initTestCase() {
        writeStore();
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
        QTest::newRow("threshold text")    << QStringList{"report", "scan.dat", "--threshold", "loud"} << "a threshold is a level in dBm such as -100, or a margin over the noise floor such as floor+10, not \"loud\"";
        QTest::newRow("threshold range")   << QStringList{"report", "scan.dat", "--threshold=-200"} << "the threshold is -130 to -20 dBm, not -200";
        QTest::newRow("margin alone")      << QStringList{"report", "scan.dat", "--margin", "10"} << "--margin goes with --signal";
        QTest::newRow("signal")            << QStringList{"report", "scan.dat", "--signal", "strong"} << "--signal takes a whole number of dBm";
        QTest::newRow("compare one scan")  << QStringList{"compare", "scan.dat"} << "compare needs";
        QTest::newRow("compare one range") << QStringList{"compare", "--site", "north", "--since", "2d"} << "compare from the store needs --after-from";
        QTest::newRow("threshold missing") << QStringList{"report", "scan.dat", "--threshold"} << "--threshold needs a value";
        QTest::newRow("height range")      << QStringList{"waterfall", "scan.dat", "w.png", "--height", "3"} << "--height takes a whole number of pixels from 16 to 10000, not '3'";
        QTest::newRow("csv over the scan") << QStringList{"csv", "scan.dat", "./scan.dat"} << "./scan.dat is the scan itself; it is never written over";
        QTest::newRow("png over the scan") << QStringList{"waterfall", "scan.dat", "scan.dat"} << "scan.dat is the scan itself";
        QTest::newRow("report over it")    << QStringList{"report", "scan.dat", "--csv", "scan.dat"} << "scan.dat is the scan itself";
        QTest::newRow("store address")     << QStringList{"sites", "--store", "mysql://db"} << "'mysql://db' is not a store address: expected sqlite:PATH or postgresql://";
        QTest::newRow("no site")           << QStringList{"export", "--store", "sqlite:f.sqlite", "out.dat"} << "export from the store needs --site NAME";
        QTest::newRow("no export file")    << QStringList{"export", "--site", "north"} << "export needs an output file";
        QTest::newRow("since")             << QStringList{"csv", "--site", "north", "--since", "soon"} << "--since takes a time such as 90s, 30m, 24h or 2d, not 'soon'";
        QTest::newRow("since and from")    << QStringList{"csv", "--site", "north", "--since", "2h", "--from", "2024-05-01"} << "--since cannot go with --from or --to";
        QTest::newRow("from")              << QStringList{"report", "--site", "north", "--from", "May 1st"} << "--from takes an ISO date or date and time";
        QTest::newRow("from after to")     << QStringList{"report", "--site", "north", "--from", "2024-05-02", "--to", "2024-05-01"} << "--from must come before --to";
        QTest::newRow("export over the store") << QStringList{"export", "--store", "sqlite:fleet/fleet.sqlite", "--site", "north", "fleet/fleet.sqlite"} << "fleet/fleet.sqlite is the store itself; it is never written over";
        QTest::newRow("scan and store")    << QStringList{"report", "scan.dat", "--site", "north", "--since", "2h"} << "too many arguments for report: 'scan.dat'";
        QTest::newRow("pdf over the scan") << QStringList{"report", "scan.dat", "--pdf", "scan.dat"} << "scan.dat is the scan itself";
        QTest::newRow("pdf name empty")    << QStringList{"report", "scan.dat", "--pdf="} << "the output file name is empty";
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

    // The method, then the ranking as a table on standard output, the recommendation last;
    // --csv writes it too. With a link, the groups rank by the loops within its margin.
    void reportPrintsTheMethodTheRankingAndTheQuietestGroups() {
        const ScanRun r =
            run({"report", "scan.dat", "--threshold", "floor+10", "--csv", "report.csv"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 6 + 1 + 12 + 1);
        QCOMPARE(lines[0],
                 QByteArray("20 loops from 05-01-2024  14:00:00 to 05-01-2024  14:00:19"));
        QCOMPARE(lines[1], QByteArray("Occupied: a Last level at or above -98 dBm, 10 dB over the "
                                      "measured noise floor"));
        QVERIFY(lines[3].startsWith("Revisit time: 1 s"));
        QCOMPARE(lines[6].simplified(),
                 QByteArray("Rank Group MHz Occupied 95 % Band Floor Median 90th pct Strongest "
                            "Longest run Median run Busiest Measured"));
        QCOMPARE(lines[14].simplified(),
                 QByteArray("8 Grp 5 915.0-918.0 MHz 50 % 30-70 % 50 % -105 -105 -70 -70 1 1 - "
                            "100 %"));
        QCOMPARE(lines.last(), QByteArray("Grp 1, Grp 2, Grp 3, Grp 4, Grp 6, Grp 7 and Grp 8 are "
                                          "equally quiet: 0 % occupied, median -108 dBm; the "
                                          "survey does not tell them apart"));
        QVERIFY(fileBytes(inDir("report.csv")).startsWith("scope,name,"));

        const ScanRun link = run({"report", "scan.dat", "--signal", "-60", "--margin", "20"});
        QCOMPARE(link.exitCode, 0);
        QVERIFY2(link.out.simplified().contains("8 Grp 5 915.0-918.0 MHz 50 % 30-70 %"), link.out);
    }

    // Compare finds the one channel that changed, and no other.
    void compareMarksOnlyWhatChanged() {
        testing::ScanFileWriter writer;
        QVERIFY(writer.create(inDir("after.dat")));
        for (int n = 1; n <= 20; ++n) {
            QByteArray codes = scanLoopCodes(n);
            codes[40] = char(70); // 903.8 MHz
            QVERIFY(writer.append(codes));
        }
        writer.close();
        const ScanRun r = run({"compare", "scan.dat", "after.dat"});
        QCOMPARE(r.exitCode, 0);
        QList<QByteArray> marked;
        for (const QByteArray& line : r.out.split('\n')) {
            if (line.contains(" *") && line.size() > 0 && std::isdigit(uchar(line[0])))
                marked << line.simplified();
        }
        QCOMPARE(marked,
                 QList<QByteArray>{"903.8 0 % (0-16 %) 100 % (84-100 %) +100 % * -108 -70 +38 *"});
        QVERIFY(r.out.trimmed().endsWith("change(s) beyond their uncertainty"));
    }

    // --pdf writes the report to hand on besides printing it: one or two pages, each with ink on
    // it, whose text names the site (the scan's name, or --site) and says the recommendation, the
    // program and its version. A folder that is not there is said, and nothing is left behind.
    void reportWritesAPdfToHandOn() {
        writeScan(QStringLiteral("hilltop.dat"));
        const ScanRun plain = run({"report", "hilltop.dat"});
        const ScanRun r = run({"report", "hilltop.dat", "--pdf", "hilltop.pdf"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.out, plain.out);
        testing::PdfReading pdf;
        testing::readPdf(inDir("hilltop.pdf"), pdf);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(pdf.Pages >= 1 && pdf.Pages <= 2, qPrintable(QString::number(pdf.Pages)));
        for (const qint64 ink : pdf.Ink)
            QVERIFY2(ink > 5000, qPrintable(QString::number(ink)));
        QVERIFY2(pdf.Text.contains(QStringLiteral("Site survey: hilltop ")), qPrintable(pdf.Text));
        const QString recommendation = QString::fromUtf8(plain.out.trimmed().split('\n').last());
        QVERIFY2(pdf.Text.contains(recommendation), qPrintable(pdf.Text));
        QVERIFY(pdf.Text.contains(QStringLiteral("KorlanSpecAn " KORLAN_VERSION)));

        QCOMPARE(run({"report", "hilltop.dat", "--site", "Ridge 4", "--pdf", "ridge.pdf"}).exitCode,
                 0);
        testing::readPdf(inDir("ridge.pdf"), pdf);
        QVERIFY2(pdf.Text.contains(QStringLiteral("Site survey: Ridge 4 ")), qPrintable(pdf.Text));

        const ScanRun missing = run({"report", "hilltop.dat", "--pdf", "gone/hilltop.pdf"});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY2(missing.err.startsWith("korlan-scan: gone/hilltop.pdf: there is no folder "),
                 missing.err);
        QVERIFY(!QFileInfo::exists(inDir("gone")));
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("*.pdf*")}, QDir::Files),
                 QStringList({"hilltop.pdf", "ridge.pdf"}));
    }

    // The 20 rows grow toward --height by whole pixels, at most 16 a row, and the picture ends
    // below them. A line with more than 400 pixels that are not white is the plot's (128 channels
    // of 4 pixels): there are exactly as many as the rows take, one after the other.
    void waterfallPictureIsAsTallAsItsRows_data() {
        QTest::addColumn<QString>("height");
        QTest::addColumn<int>("rowLines");
        QTest::newRow("short scan: rows of 16 pixels") << "600" << 20 * 16;
        QTest::newRow("rows of 15") << "300" << 300;
        QTest::newRow("rows of 2") << "50" << 40;
    }
    void waterfallPictureIsAsTallAsItsRows() {
        QFETCH(QString, height);
        QFETCH(int, rowLines);
        const ScanRun r = run({"waterfall", "scan.dat", "fall.png", "--height", height});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        const QImage picture = QImage(inDir("fall.png")).convertToFormat(QImage::Format_RGB32);
        QVERIFY(picture.width() >= 128 * 4);
        QList<int> plotLines;
        for (int y = 0; y < picture.height(); ++y) {
            int coloured = 0;
            for (int x = 0; x < picture.width(); ++x)
                coloured += picture.pixel(x, y) != qRgb(255, 255, 255);
            if (coloured > 400)
                plotLines << y;
        }
        QCOMPARE(plotLines.size(), rowLines);
        QCOMPARE(plotLines.last() - plotLines.first() + 1, rowLines);
        // Title, axes and the colour scale beside a low plot take the rest.
        QVERIFY(picture.height() < std::max(rowLines, 200) + 100);
    }

    // One line per site: name, status, last seen, loops stored, and the quietest group of its
    // last day's loops as the survey report ranks them.
    void sitesListsEachSiteWithItsQuietestGroup() {
        const ScanRun r = run({"sites", "--store", m_store});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QByteArray());
        const QList<QByteArray> lines = r.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        const QString lastSeen = m_north.back().start.toUTC().toString("yyyy-MM-dd HH:mm:ss 'UTC'");
        QCOMPARE(QString::fromUtf8(lines[0]).simplified(),
                 "north online last seen " + lastSeen +
                     " 20 loops last 24 h: Grp 1, Grp 2, Grp 3, Grp 4, Grp 6, Grp 7 and Grp 8 are "
                     "equally quiet: 0 % occupied, median -108 dBm; the survey does not tell them "
                     "apart");
        QVERIFY2(lines[1].simplified().startsWith("south offline last seen ") &&
                     lines[1].endsWith(" 2 loops  no loops in the last 24 h"),
                 lines[1]);
    }

    // The exported file holds the stored loops numbered 1..N in time order, each as it came
    // from the site; --from and --to take part of them.
    void exportWritesTheStoredLoopsAsAScanFile() {
        const ScanRun all = run({"export", "--store", m_store, "--site", "north", "all.dat"});
        QCOMPARE(all.exitCode, 0);
        QCOMPARE(all.err + all.out, QByteArray());
        recording::ScanFile file;
        QVERIFY2(file.openForReading(inDir("all.dat")), qPrintable(file.errorString()));
        QCOMPARE(file.recordCount(), 20);
        for (qint32 n = 1; n <= 20; ++n) {
            const auto record = file.readRecord(n);
            QVERIFY(record);
            QCOMPARE(record->LoopNumber, n);
            const fleet::SiteLoop& stored = m_north[size_t(n - 1)];
            QCOMPARE(QString::fromLatin1(record->LoopStartText), core::dateTimeText(stored.start));
            auto played = fleet::siteLoopOfRecord(*record, stored.site, stored.scan);
            QVERIFY(played);
            played->start = stored.start; // read back as this machine's time
            QCOMPARE(*played, stored);
        }

        const QDateTime from = m_north[4].start;
        const ScanRun part = run({"export", "--store", m_store, "--site", "north", "--from",
                                  from.toString(Qt::ISODate), "--to",
                                  from.addSecs(3).toUTC().toString(Qt::ISODate), "part.dat"});
        QCOMPARE(part.exitCode, 0);
        QVERIFY(file.openForReading(inDir("part.dat")));
        QCOMPARE(file.recordCount(), 3);
        QCOMPARE(file.readRecord(1)->LoopNumber, 1);
        QCOMPARE(file.readRecord(3)->LastCodes, file.readRecord(1)->LastCodes);
        QCOMPARE(QString::fromLatin1(file.readRecord(3)->LoopStartText),
                 core::dateTimeText(m_north[6].start));
    }

    // The report of a site's stored loops ranks the groups as that of the scan they came from.
    void reportAndCsvReadTheStore() {
        const ScanRun fromFile = run({"report", "scan.dat"});
        const ScanRun fromStore =
            run({"report", "--store", m_store, "--site", "north", "--since", "24h"});
        QCOMPARE(fromStore.exitCode, 0);
        QCOMPARE(fromStore.err, QByteArray());
        QVERIFY(fromStore.out.startsWith("20 loops from "));
        QCOMPARE(fromStore.out.mid(fromStore.out.indexOf('\n')),
                 fromFile.out.mid(fromFile.out.indexOf('\n')));
        const ScanRun csv = run({"csv", "--store", m_store, "--site", "north", "--since", "2d"});
        QCOMPARE(csv.exitCode, 0);
        QCOMPARE(csv.out.count('\n'), 20);
        // The site's first ten loops against its last ten.
        const QString middle = m_north[10].start.toString(Qt::ISODate);
        const ScanRun compared = run({"compare", "--store", m_store, "--site", "north", "--to",
                                      middle, "--after-from", middle});
        QCOMPARE(compared.exitCode, 0);
        QVERIFY2(compared.out.startsWith("Before: north.dat, 10 loops from ") &&
                     compared.out.contains("\nAfter: north-after.dat, 10 loops from ") &&
                     compared.out.contains("\n0 change(s) beyond their uncertainty"),
                 compared.out);
    }

    // Exit status 1 and a sentence for a site the store does not know, a range without loops,
    // and a store that is not there.
    void storeThatCannotAnswerExitsWithOne_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QString store = m_store;
        // clang-format off
        QTest::newRow("unknown site") << QStringList{"report", "--store", store, "--site", "west"} << "unknown site 'west' (the store knows north, south)";
        QTest::newRow("no loops since") << QStringList{"csv", "--store", store, "--site", "south", "--since", "24h"} << "the store holds no loop of south since ";
        QTest::newRow("no loops before") << QStringList{"export", "--store", store, "--site", "north", "--to", "2024-05-01", "x.dat"} << "the store holds no loop of north before 2024-05-01 00:00:00";
        QTest::newRow("no store file") << QStringList{"sites", "--store", "sqlite:none.sqlite"} << "sqlite:none.sqlite: there is no store file";
        QTest::newRow("no server") << QStringList{"waterfall", "--store", "postgresql:///fleet?host=/nonexistent", "--site", "north", "w.png"} << "postgresql:///fleet?host=/nonexistent: cannot connect: connection to server";
        // clang-format on
    }
    void storeThatCannotAnswerExitsWithOne() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const ScanRun r = run(arguments);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.startsWith("korlan-scan: ") && r.err.contains(message.toUtf8()), r.err);
        QCOMPARE(r.out, QByteArray());
        QVERIFY(!QFile::exists(inDir("x.dat")) && !QFile::exists(inDir("none.sqlite")));
    }
};

QTEST_GUILESS_MAIN(TestTools)
#include "tst_tools.moc"
