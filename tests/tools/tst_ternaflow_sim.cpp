// SPDX-License-Identifier: MIT
#include "tools/sim/band_model.h"
#include "tools/sim/radio_protocol.h"
#include "tools/sim/sim_log.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <optional>
#include <set>

using namespace tools::sim;

namespace {

constexpr int AnswerTimeoutMs = 5000;
// How long a radio that should say nothing is listened to after it has read the request.
constexpr int QuietMs = 300;

const QByteArray WakeUp = QByteArrayLiteral("\x1b\r\n");
const QByteArray Terminator = QByteArrayLiteral("dBm\r\nSETUP>");
const QByteArray Closed = QByteArrayLiteral("CLOSED\r\n");
const QRegularExpression
    ReplyShape(QStringLiteral(R"(RX (\d{3}\.\d)\r\n(-\d{2,3}) dBm\r\nSETUP>)"));
const QByteArray NoiseExcludedBytes = QByteArrayLiteral("-RXCdS\r\n");

struct Reading {
    QByteArray frequency;
    int level = 0;
};

// One running ternaflow-sim and a QSerialPort on its device, opened as the program opens it.
class SimRadio {
public:
    ~SimRadio() {
        port.close();
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(3000)) {
                process.kill();
                process.waitForFinished(3000);
            }
        }
    }

    bool start(const QStringList& arguments) {
        const QString program = qEnvironmentVariable("TERNAFLOW_SIM");
        if (program.isEmpty())
            return fail(QStringLiteral("TERNAFLOW_SIM is not set"));
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        if (!process.waitForStarted(AnswerTimeoutMs))
            return fail(process.errorString());
        QDeadlineTimer deadline(AnswerTimeoutMs);
        while (!process.canReadLine()) {
            if (deadline.hasExpired() || !process.waitForReadyRead(deadline.remainingTime()))
                return fail(QStringLiteral("no device path on stdout"));
        }
        device = QString::fromLocal8Bit(process.readLine().trimmed());
        return true;
    }

    bool startAndOpen(const QStringList& arguments) { return start(arguments) && openPort(); }

    bool openPort() {
        port.setPortName(device);
        port.setBaudRate(QSerialPort::Baud115200);
        if (!port.open(QIODevice::ReadWrite))
            return fail(QStringLiteral("open %1: %2").arg(device, port.errorString()));
        return true;
    }

    void send(const QByteArray& bytes) {
        sent += bytes;
        port.write(bytes);
        port.waitForBytesWritten(AnswerTimeoutMs);
    }

    bool readUntil(const QByteArray& marker, int timeoutMs = AnswerTimeoutMs) {
        QDeadlineTimer deadline(timeoutMs);
        while (!received.contains(marker)) {
            if (!readSome(deadline))
                return fail(QStringLiteral("waited in vain for \"%1\"; got \"%2\"")
                                .arg(QString::fromLatin1(escapeBytes(marker)),
                                     QString::fromLatin1(escapeBytes(received))));
        }
        return true;
    }

    bool readAtLeast(qsizetype count, int timeoutMs = AnswerTimeoutMs) {
        QDeadlineTimer deadline(timeoutMs);
        while (received.size() < count) {
            if (!readSome(deadline))
                return fail(QStringLiteral("got %1 of %2 bytes").arg(received.size()).arg(count));
        }
        return true;
    }

    // Nothing arrives within `ms`.
    bool staysQuiet(int ms = QuietMs) {
        QDeadlineTimer deadline(ms);
        while (readSome(deadline)) {
        }
        return received.isEmpty();
    }

    QByteArray take() { return std::exchange(received, {}); }

    bool unlock() {
        take();
        send(WakeUp);
        if (!readUntil(RadioProtocol::WakePrompt))
            return false;
        take();
        send("SETUP\r");
        if (!readUntil(RadioProtocol::CodePrompt))
            return false;
        take();
        send("PASS QK47\r");
        if (!readUntil(RadioProtocol::UnlockPrompt))
            return false;
        take();
        return true;
    }

    // One tune and level request; the reply is cut out of what arrived, anything after it stays.
    std::optional<Reading> request(const QByteArray& frequency) {
        send("RX " + frequency + "\rRSSI!\r");
        if (!readUntil(Terminator))
            return std::nullopt;
        const QRegularExpressionMatch match = ReplyShape.match(QString::fromLatin1(received));
        if (!match.hasMatch()) {
            fail(QStringLiteral("no reply in \"%1\"")
                     .arg(QString::fromLatin1(escapeBytes(received))));
            return std::nullopt;
        }
        received.remove(0, match.capturedEnd());
        return Reading{match.captured(1).toLatin1(), match.captured(2).toInt()};
    }

    std::optional<QList<int>> levels(const QList<QByteArray>& frequencies) {
        QList<int> levels;
        for (const QByteArray& frequency : frequencies) {
            const std::optional<Reading> reading = request(frequency);
            if (!reading)
                return std::nullopt;
            levels.append(reading->level);
            take();
        }
        return levels;
    }

    QString device;
    QString failure;
    QByteArray received;
    QByteArray sent;
    int reads = 0;
    QProcess process;
    QSerialPort port;

private:
    bool fail(const QString& why) {
        failure = why;
        return false;
    }

    bool readSome(const QDeadlineTimer& deadline) {
        if (deadline.hasExpired() || !port.waitForReadyRead(deadline.remainingTime()))
            return false;
        const QByteArray chunk = port.readAll();
        if (!chunk.isEmpty()) {
            received += chunk;
            ++reads;
        }
        return true;
    }
};

QByteArray unescape(const QByteArray& text) {
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            bytes += text[i];
            continue;
        }
        const char kind = text[++i];
        if (kind == 'r')
            bytes += '\r';
        else if (kind == 'n')
            bytes += '\n';
        else if (kind == 'x' && i + 2 < text.size()) {
            bytes += static_cast<char>(text.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else
            bytes += kind;
    }
    return bytes;
}

QList<QByteArray> logLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Everything the log says was received, joined.
QByteArray loggedReceived(const QString& path) {
    QByteArray bytes;
    for (const QByteArray& line : logLines(path)) {
        if (line.startsWith("recv "))
            bytes += unescape(line.mid(5));
    }
    return bytes;
}

const QList<QByteArray> SweepSample = {"895.8", "902.2", "905.0", "910.4", "914.8", "915.0",
                                       "915.2", "920.6", "927.6", "929.6", "931.2", "931.8",
                                       "932.0", "934.0", "902.4", "915.0", "929.6", "931.2"};

} // namespace

class TstTernaflowSim : public QObject {
    Q_OBJECT

private slots:
    void wakeUpNeedsEscapeThenLineEnd_data();
    void wakeUpNeedsEscapeThenLineEnd();
    void deviceSurvivesProbesThatOpenWriteAndClose();
    void levelReplyHasEchoLevelAndTerminator_data();
    void levelReplyHasEchoLevelAndTerminator();
    void wrongPassCodeAnswersClosedAndLocksAgain_data();
    void wrongPassCodeAnswersClosedAndLocksAgain();
    void levelsDependOnlyOnSeedAndRequests_data();
    void levelsDependOnlyOnSeedAndRequests();
    void closedAfterLeavesSetupModeEveryNReplies_data();
    void closedAfterLeavesSetupModeEveryNReplies();
    void silentAfterAnswersNothingMore();
    void deafRadioNeverAnswersWakeUp();
    void fragmentDeliversReplyInManyReads();
    void noiseFollowsEachReplyWithoutProtocolCharacters();
    void baudPacesOutputAtLineRate();
    void logRecordsReceivedBytesUnlockClosedAndLevels();
    void stopSignalEndsCleanlyAndRemovesLink_data();
    void stopSignalEndsCleanlyAndRemovesLink();
    void helpNamesEveryOption();

    void escapeWritesLogBytesCStyle_data();
    void escapeWritesLogBytesCStyle();
    void protocolAnswersAlikeHoweverCommandsAreChunked_data();
    void protocolAnswersAlikeHoweverCommandsAreChunked();
    void unknownCommandsGetNoAnswer();
    void otherPassCodeRefusesTheProgramsCode();
    void zeroLevelReplyReadsMinusZero();
    void bandHasFloorCarrierPagersAndHopperWithinLimits();
};

void TstTernaflowSim::wakeUpNeedsEscapeThenLineEnd_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("wakeUp");

    QTest::newRow("ESC CR") << QByteArray() << QByteArray("\x1b\r");
    QTest::newRow("ESC LF") << QByteArray() << QByteArray("\x1b\n");
    QTest::newRow("ESC CR LF") << QByteArray() << WakeUp;
    QTest::newRow("after TEST probe") << QByteArray("TEST") << WakeUp;
    QTest::newRow("after line ends alone") << QByteArray("\r\n\r\n\r\n") << WakeUp;
    QTest::newRow("after ESC and another byte") << QByteArray("\x1bX\r\n") << WakeUp;
    QTest::newRow("after commands while asleep")
        << QByteArray("SETUP\rPASS QK47\rRX 902.2\rRSSI!\r") << WakeUp;
}

void TstTernaflowSim::wakeUpNeedsEscapeThenLineEnd() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, wakeUp);
    SimRadio sim;
    QVERIFY2(sim.startAndOpen({}), qPrintable(sim.failure));

    sim.send(before);
    sim.send(wakeUp);
    QVERIFY2(sim.readUntil(RadioProtocol::WakePrompt), qPrintable(sim.failure));
    QCOMPARE(sim.take(), RadioProtocol::WakePrompt);

    // Awake but still locked: a level request gets nothing, SETUP asks for the code.
    sim.send("RSSI!\rSETUP\r");
    QVERIFY2(sim.readUntil(RadioProtocol::CodePrompt), qPrintable(sim.failure));
    QCOMPARE(sim.take(), RadioProtocol::CodePrompt);
}

void TstTernaflowSim::deviceSurvivesProbesThatOpenWriteAndClose() {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("sim.log"));
    SimRadio sim;
    QVERIFY2(sim.start({QStringLiteral("--log"), log}), qPrintable(sim.failure));

    for (int probe = 0; probe < 3; ++probe) {
        QSerialPort port(sim.device);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        port.write("TEST");
        QVERIFY(port.waitForBytesWritten(AnswerTimeoutMs));
        port.close();
    }
    QTRY_COMPARE_WITH_TIMEOUT(loggedReceived(log), QByteArray("TESTTESTTEST"), AnswerTimeoutMs);

    QVERIFY2(sim.openPort(), qPrintable(sim.failure));
    QVERIFY2(sim.unlock(), qPrintable(sim.failure));
    QVERIFY2(sim.request("902.2"), qPrintable(sim.failure));
}

void TstTernaflowSim::levelReplyHasEchoLevelAndTerminator_data() {
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QByteArray>("echo");
    QTest::addColumn<int>("levelDigits");

    QTest::newRow("noise floor, CR")
        << QList<QByteArray>{"RX 902.2\rRSSI!\r"} << QByteArray("902.2") << 3;
    QTest::newRow("carrier, CR") << QList<QByteArray>{"RX 915.0\rRSSI!\r"} << QByteArray("915.0")
                                 << 2;
    QTest::newRow("LF") << QList<QByteArray>{"RX 895.8\nRSSI!\n"} << QByteArray("895.8") << 3;
    QTest::newRow("CR LF") << QList<QByteArray>{"RX 934.0\r\nRSSI!\r\n"} << QByteArray("934.0")
                           << 3;
    QTest::newRow("lower case, no blank")
        << QList<QByteArray>{"rx910.4\rrssi!\r"} << QByteArray("910.4") << 3;
    QTest::newRow("split over writes")
        << QList<QByteArray>{"R", "X 92", "0.6", "\r", "RSS", "I!", "\r"} << QByteArray("920.6")
        << 3;
    QTest::newRow("tuned twice") << QList<QByteArray>{"RX 902.2\rRX 915.0\rRSSI!\r"}
                                 << QByteArray("915.0") << 2;
}

void TstTernaflowSim::levelReplyHasEchoLevelAndTerminator() {
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QByteArray, echo);
    QFETCH(int, levelDigits);
    SimRadio sim;
    QVERIFY2(sim.startAndOpen({}), qPrintable(sim.failure));
    QVERIFY2(sim.unlock(), qPrintable(sim.failure));

    for (const QByteArray& piece : pieces)
        sim.send(piece);
    QVERIFY2(sim.readUntil(Terminator), qPrintable(sim.failure));
    const QByteArray reply = sim.take();
    const QRegularExpressionMatch match =
        QRegularExpression(QRegularExpression::anchoredPattern(ReplyShape.pattern()))
            .match(QString::fromLatin1(reply));
    QVERIFY2(match.hasMatch(), escapeBytes(reply).constData());
    QCOMPARE(match.captured(1).toLatin1(), echo);
    QCOMPARE(match.captured(2).size(), 1 + levelDigits);
    const int level = match.captured(2).toInt();
    QVERIFY(level >= BandModel::MinLevel && level <= BandModel::MaxLevel);

    // The program's reading: four characters from the first "-", and six after "RX ".
    QCOMPARE(reply.mid(reply.indexOf('-'), 4).trimmed().toInt(), level);
    QCOMPARE(reply.mid(reply.indexOf("RX") + 3, 6).trimmed(), echo);
    QCOMPARE(reply.indexOf(Terminator), reply.size() - Terminator.size());

    // Exactly one reply: the next thing on the line answers the next command.
    sim.send("SETUP\r");
    QVERIFY2(sim.readUntil(RadioProtocol::UnlockPrompt), qPrintable(sim.failure));
    QCOMPARE(sim.take(), RadioProtocol::UnlockPrompt);
}

void TstTernaflowSim::wrongPassCodeAnswersClosedAndLocksAgain_data() {
    QTest::addColumn<QByteArray>("pass");

    QTest::newRow("other code") << QByteArray("PASS 1234\r");
    QTest::newRow("code in lower case") << QByteArray("PASS qk47\r");
    QTest::newRow("code too long") << QByteArray("PASS QK478\r");
    QTest::newRow("no code") << QByteArray("PASS\r");
}

void TstTernaflowSim::wrongPassCodeAnswersClosedAndLocksAgain() {
    QFETCH(QByteArray, pass);
    SimRadio sim;
    QVERIFY2(sim.startAndOpen({}), qPrintable(sim.failure));
    sim.send(WakeUp);
    QVERIFY2(sim.readUntil(RadioProtocol::WakePrompt), qPrintable(sim.failure));
    sim.send("SETUP\r");
    QVERIFY2(sim.readUntil(RadioProtocol::CodePrompt), qPrintable(sim.failure));
    sim.take();

    sim.send(pass);
    QVERIFY2(sim.readUntil(Closed), qPrintable(sim.failure));
    QCOMPARE(sim.take(), Closed);

    // Asleep again: commands are ignored until the next wake-up.
    sim.send("SETUP\rPASS QK47\rRX 902.2\rRSSI!\r");
    sim.send(WakeUp);
    QVERIFY2(sim.readUntil(RadioProtocol::WakePrompt), qPrintable(sim.failure));
    QCOMPARE(sim.take(), RadioProtocol::WakePrompt);

    QVERIFY2(sim.unlock(), qPrintable(sim.failure));
    QVERIFY2(sim.request("902.2"), qPrintable(sim.failure));
}

void TstTernaflowSim::levelsDependOnlyOnSeedAndRequests_data() {
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<bool>("same");

    QTest::newRow("same seed") << QStringList{"--seed", "7"} << QStringList{"--seed", "7"} << true;
    QTest::newRow("default seed is 1") << QStringList{} << QStringList{"--seed", "1"} << true;
    QTest::newRow("line options keep the levels")
        << QStringList{"--seed", "7"}
        << QStringList{"--seed", "7", "--noise", "30", "--fragment", "--latency-ms", "5"} << true;
    QTest::newRow("different seeds")
        << QStringList{"--seed", "7"} << QStringList{"--seed", "8"} << false;
}

void TstTernaflowSim::levelsDependOnlyOnSeedAndRequests() {
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    QFETCH(bool, same);

    QList<QList<int>> runs;
    for (const QStringList& arguments : {first, second}) {
        SimRadio sim;
        QVERIFY2(sim.startAndOpen(arguments), qPrintable(sim.failure));
        QVERIFY2(sim.unlock(), qPrintable(sim.failure));
        const std::optional<QList<int>> levels = sim.levels(SweepSample + SweepSample);
        QVERIFY2(levels, qPrintable(sim.failure));
        runs.append(*levels);
    }
    QCOMPARE(runs[0] == runs[1], same);
}

void TstTernaflowSim::closedAfterLeavesSetupModeEveryNReplies_data() {
    QTest::addColumn<int>("replies");

    QTest::newRow("1") << 1;
    QTest::newRow("3") << 3;
}

void TstTernaflowSim::closedAfterLeavesSetupModeEveryNReplies() {
    QFETCH(int, replies);
    SimRadio sim;
    QVERIFY2(sim.startAndOpen({QStringLiteral("--closed-after"), QString::number(replies)}),
             qPrintable(sim.failure));

    for (int session = 0; session < 2; ++session) {
        QVERIFY2(sim.unlock(), qPrintable(sim.failure));
        for (int reply = 0; reply < replies; ++reply) {
            QVERIFY2(sim.request("915.0"), qPrintable(sim.failure));
            QVERIFY(sim.take().isEmpty());
        }
        sim.send("RX 915.0\rRSSI!\r");
        QVERIFY2(sim.readUntil(Closed), qPrintable(sim.failure));
        QCOMPARE(sim.take(), Closed);

        // Locked: the request is ignored, the wake-up prompt is the next thing on the line.
        sim.send("RX 915.0\rRSSI!\r");
        sim.send(WakeUp);
        QVERIFY2(sim.readUntil(RadioProtocol::WakePrompt), qPrintable(sim.failure));
        QCOMPARE(sim.take(), RadioProtocol::WakePrompt);
    }
}

void TstTernaflowSim::silentAfterAnswersNothingMore() {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("sim.log"));
    SimRadio sim;
    QVERIFY2(sim.startAndOpen({"--silent-after", "2", "--log", log}), qPrintable(sim.failure));
    QVERIFY2(sim.unlock(), qPrintable(sim.failure));
    QVERIFY2(sim.levels({"902.2", "915.0"}), qPrintable(sim.failure));

    for (const QByteArray& bytes :
         {QByteArray("RX 915.0\rRSSI!\r"), WakeUp, QByteArray("SETUP\rPASS QK47\r")}) {
        sim.send(bytes);
        QTRY_COMPARE_WITH_TIMEOUT(loggedReceived(log), sim.sent, AnswerTimeoutMs);
        QVERIFY2(sim.staysQuiet(), escapeBytes(sim.received).constData());
    }
}

void TstTernaflowSim::deafRadioNeverAnswersWakeUp() {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("sim.log"));
    SimRadio sim;
    QVERIFY2(sim.startAndOpen({"--deaf", "--log", log}), qPrintable(sim.failure));

    sim.send(WakeUp + WakeUp + "\r\n\r\nSETUP\rPASS QK47\rRX 915.0\rRSSI!\r");
    QTRY_COMPARE_WITH_TIMEOUT(loggedReceived(log), sim.sent, AnswerTimeoutMs);
    QVERIFY2(sim.staysQuiet(), escapeBytes(sim.received).constData());
}

void TstTernaflowSim::fragmentDeliversReplyInManyReads() {
    SimRadio sim;
    QVERIFY2(sim.startAndOpen({"--fragment", "--fragment-gap-us", "3000"}),
             qPrintable(sim.failure));
    QVERIFY2(sim.unlock(), qPrintable(sim.failure));

    sim.reads = 0;
    sim.send("RX 915.0\rRSSI!\r");
    QVERIFY2(sim.readUntil(Terminator), qPrintable(sim.failure));
    const QByteArray reply = sim.take();
    QVERIFY2(ReplyShape.match(QString::fromLatin1(reply)).hasMatch(),
             escapeBytes(reply).constData());
    // One byte every 3 ms: even a busy reader sees the reply in many pieces.
    QVERIFY2(sim.reads >= 5, qPrintable(QString::number(sim.reads)));
}

void TstTernaflowSim::noiseFollowsEachReplyWithoutProtocolCharacters() {
    constexpr int NoiseBytes = 400;
    SimRadio sim;
    QVERIFY2(sim.startAndOpen({"--noise", QString::number(NoiseBytes)}), qPrintable(sim.failure));
    QVERIFY2(sim.unlock(), qPrintable(sim.failure));

    QByteArray allNoise;
    for (const QByteArray frequency : {"902.2", "915.0", "929.6", "931.2", "934.0"}) {
        // The previous reply's noise is still in the buffer, before this reply, as the program
        // would see it.
        const QByteArray before = sim.received;
        sim.send("RX " + frequency + "\rRSSI!\r");
        QVERIFY2(sim.readUntil(Terminator), qPrintable(sim.failure));
        const qsizetype replyEnd = sim.received.indexOf(Terminator) + Terminator.size();
        QVERIFY2(sim.readAtLeast(replyEnd + NoiseBytes), qPrintable(sim.failure));

        const QByteArray buffer = sim.received;
        QVERIFY(buffer.startsWith(before));
        QCOMPARE(buffer.mid(buffer.indexOf("RX") + 3, 5), frequency);
        QVERIFY(buffer.mid(buffer.indexOf('-'), 4).trimmed().toInt() <= -30);

        const QByteArray noise = buffer.mid(replyEnd);
        QCOMPARE(noise.size(), NoiseBytes);
        for (const char excluded : NoiseExcludedBytes)
            QVERIFY2(!noise.contains(excluded), escapeBytes(QByteArray(1, excluded)).constData());
        allNoise += noise;
        sim.received = noise;
    }
    const std::set<char> distinct(allNoise.cbegin(), allNoise.cend());
    QVERIFY2(distinct.size() > 200, qPrintable(QString::number(distinct.size())));
}

void TstTernaflowSim::baudPacesOutputAtLineRate() {
    constexpr int Baud = 2400;
    constexpr int NoiseBytes = 100;
    SimRadio sim;
    QVERIFY2(
        sim.startAndOpen({"--baud", QString::number(Baud), "--noise", QString::number(NoiseBytes)}),
        qPrintable(sim.failure));
    QVERIFY2(sim.unlock(), qPrintable(sim.failure));

    sim.send("RX 902.2\rRSSI!\r");
    QVERIFY2(sim.readAtLeast(1), qPrintable(sim.failure));
    QElapsedTimer sinceFirstByte;
    sinceFirstByte.start();
    QVERIFY2(sim.readUntil(Terminator), qPrintable(sim.failure));
    const qsizetype total = sim.received.indexOf(Terminator) + Terminator.size() + NoiseBytes;
    QVERIFY2(sim.readAtLeast(total), qPrintable(sim.failure));
    const qint64 elapsedMs = sinceFirstByte.elapsed();

    // Ten bit times a byte; everything after the first byte can arrive no sooner than this.
    const double lineTimeMs = (total - 1) * 10 * 1000.0 / Baud;
    QVERIFY2(
        elapsedMs >= 0.8 * lineTimeMs,
        qPrintable(QStringLiteral("%1 ms for %2 ms of line time").arg(elapsedMs).arg(lineTimeMs)));
    QVERIFY2(
        elapsedMs <= 4 * lineTimeMs + 1000,
        qPrintable(QStringLiteral("%1 ms for %2 ms of line time").arg(elapsedMs).arg(lineTimeMs)));
}

void TstTernaflowSim::logRecordsReceivedBytesUnlockClosedAndLevels() {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("sim.log"));
    SimRadio sim;
    QVERIFY2(sim.startAndOpen({"--log", log}), qPrintable(sim.failure));

    sim.send("TEST");
    QTRY_VERIFY_WITH_TIMEOUT(logLines(log).contains("recv TEST"), AnswerTimeoutMs);
    sim.send(WakeUp);
    QVERIFY2(sim.readUntil(RadioProtocol::WakePrompt), qPrintable(sim.failure));
    sim.send("PASS 0000\r");
    QVERIFY2(sim.readUntil(Closed), qPrintable(sim.failure));
    QVERIFY2(sim.unlock(), qPrintable(sim.failure));
    sim.send(QByteArray("odd \\ bytes\t\x01\x7f\xff\0\r", 17));
    const std::optional<Reading> first = sim.request("902.2");
    QVERIFY2(first, qPrintable(sim.failure));
    const std::optional<Reading> second = sim.request("915.0");
    QVERIFY2(second, qPrintable(sim.failure));

    QTRY_COMPARE_WITH_TIMEOUT(loggedReceived(log), sim.sent, AnswerTimeoutMs);
    const QRegularExpression recvLine(
        QStringLiteral(R"(^recv (?:[\x20-\x5b\x5d-\x7e]|\\[rn\\]|\\x[0-9a-f]{2})+$)"));
    QList<QByteArray> events;
    for (const QByteArray& line : logLines(log)) {
        if (line.startsWith("recv "))
            QVERIFY2(recvLine.match(QString::fromLatin1(line)).hasMatch(), line.constData());
        else
            events.append(line);
    }
    const QList<QByteArray> expected = {"closed", "unlock",
                                        "level 902.2 " + QByteArray::number(first->level),
                                        "level 915.0 " + QByteArray::number(second->level)};
    QCOMPARE(events, expected);
}

void TstTernaflowSim::stopSignalEndsCleanlyAndRemovesLink_data() {
    QTest::addColumn<int>("signal");

    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TstTernaflowSim::stopSignalEndsCleanlyAndRemovesLink() {
    QFETCH(int, signal);
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyRadio"));
    SimRadio sim;
    QVERIFY2(sim.start({"--link", link}), qPrintable(sim.failure));
    QVERIFY(sim.device.startsWith(QStringLiteral("/dev/pts/")));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.device);

    sim.device = link;
    QVERIFY2(sim.openPort(), qPrintable(sim.failure));
    QVERIFY2(sim.unlock(), qPrintable(sim.failure));

    ::kill(static_cast<pid_t>(sim.process.processId()), signal);
    QVERIFY(sim.process.waitForFinished(AnswerTimeoutMs));
    QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TstTernaflowSim::helpNamesEveryOption() {
    QProcess help;
    help.start(qEnvironmentVariable("TERNAFLOW_SIM"), {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(AnswerTimeoutMs));
    const QByteArray text = help.readAllStandardOutput();
    for (const char* option : {"--seed", "--latency-ms", "--baud", "--fragment",
                               "--fragment-gap-us", "--noise", "--silent-after", "--closed-after",
                               "--deaf", "--pass-code", "--zero-level-at", "--log", "--link"})
        QVERIFY2(text.contains(option), option);
}

void TstTernaflowSim::escapeWritesLogBytesCStyle_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("escaped");

    QTest::newRow("printable") << QByteArray("RX 902.2") << QByteArray("RX 902.2");
    QTest::newRow("wake-up") << WakeUp << QByteArray("\\x1b\\r\\n");
    QTest::newRow("backslash") << QByteArray("a\\b") << QByteArray("a\\\\b");
    QTest::newRow("controls and high bytes")
        << QByteArray("\t\x01\x7f\xff", 4) << QByteArray("\\x09\\x01\\x7f\\xff");
    QTest::newRow("nul") << QByteArray(1, '\0') << QByteArray("\\x00");
}

void TstTernaflowSim::escapeWritesLogBytesCStyle() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, escaped);
    QCOMPARE(escapeBytes(bytes), escaped);
}

void TstTernaflowSim::protocolAnswersAlikeHoweverCommandsAreChunked_data() {
    QTest::addColumn<int>("chunkSize");

    QTest::newRow("one byte at a time") << 1;
    QTest::newRow("three bytes") << 3;
    QTest::newRow("seven bytes") << 7;
    QTest::newRow("all at once") << 10000;
}

void TstTernaflowSim::protocolAnswersAlikeHoweverCommandsAreChunked() {
    QFETCH(int, chunkSize);
    const QByteArray session = "TEST\x1b\r\n\r\nSETUP\r\nPASS QK47\r\nRX 902.2\rRSSI!\r"
                               "RX 915.0\nRSSI!\n\x1b\rPASS nope\rRX 902.2\rRSSI!\r"
                               "\x1b\nSETUP\rPASS QK47\rRX 934.0\r\nRSSI!\r\n";
    BandModel band(1);
    RadioProtocol protocol({}, band);
    QList<QByteArray> answers;
    for (qsizetype at = 0; at < session.size(); at += chunkSize) {
        for (const Answer& answer : protocol.feed(session.mid(at, chunkSize)))
            answers.append(answer.text);
    }

    BandModel expectedBand(1);
    const int at902 = expectedBand.measure(9022);
    const int at915 = expectedBand.measure(9150);
    const int at934 = expectedBand.measure(9340);
    const QList<QByteArray> expected = {RadioProtocol::WakePrompt,
                                        RadioProtocol::CodePrompt,
                                        RadioProtocol::UnlockPrompt,
                                        RadioProtocol::levelReply(9022, at902),
                                        RadioProtocol::levelReply(9150, at915),
                                        RadioProtocol::WakePrompt,
                                        Closed,
                                        RadioProtocol::WakePrompt,
                                        RadioProtocol::CodePrompt,
                                        RadioProtocol::UnlockPrompt,
                                        RadioProtocol::levelReply(9340, at934)};
    QCOMPARE(answers, expected);
}

void TstTernaflowSim::unknownCommandsGetNoAnswer() {
    BandModel band(1);
    RadioProtocol protocol({}, band);
    protocol.feed("\x1b\rPASS QK47\r");
    const QVector<Answer> answers = protocol.feed("HELLO\rRX\rRX abc\rRSSI\rRSSI!!\rTEST\r\x1bZ\r" +
                                                  QByteArray(1000, 'A') + "\r");
    QVERIFY(answers.isEmpty());
}

void TstTernaflowSim::otherPassCodeRefusesTheProgramsCode() {
    BandModel band(1);
    ProtocolOptions options;
    options.passCode = "AB12";
    RadioProtocol protocol(options, band);
    protocol.feed("\x1b\r");
    const QVector<Answer> refused = protocol.feed("PASS QK47\r");
    QCOMPARE(refused.size(), 1);
    QCOMPARE(refused[0].kind, Answer::Kind::Closed);
    protocol.feed("\x1b\r");
    QCOMPARE(protocol.feed("PASS AB12\r").value(0).kind, Answer::Kind::Unlock);
}

void TstTernaflowSim::zeroLevelReplyReadsMinusZero() {
    BandModel band(1);
    ProtocolOptions options;
    options.zeroLevelAt = 2;
    RadioProtocol protocol(options, band);
    protocol.feed("\x1b\rPASS QK47\r");
    QCOMPARE(protocol.feed("RX 902.2\rRSSI!\r").value(0).level != 0, true);
    const Answer zero = protocol.feed("RX 902.4\rRSSI!\r").value(0);
    QCOMPARE(zero.text, QByteArray("RX 902.4\r\n-0 dBm\r\nSETUP>"));
    QCOMPARE(zero.level, 0);
    QVERIFY(protocol.feed("RSSI!\r").value(0).level != 0);
}

void TstTernaflowSim::bandHasFloorCarrierPagersAndHopperWithinLimits() {
    constexpr int Sweeps = 60;
    BandModel band(3);
    QMap<int, QList<int>> levels;
    for (int sweep = 0; sweep < Sweeps; ++sweep) {
        for (int tenths = 8958; tenths <= 9340; tenths += 2)
            levels[tenths].append(band.measure(tenths));
    }
    // One more pass on the pagers' own channel, off the 0.2 MHz raster.
    for (int i = 0; i < 3000; ++i)
        levels[9319].append(band.measure(9319));

    const auto inRange = [&](int tenths, int low, int high) {
        const QList<int>& list = levels[tenths];
        return std::all_of(list.cbegin(), list.cend(),
                           [&](int l) { return l >= low && l <= high; });
    };
    const auto count = [&](int tenths, int low, int high) {
        const QList<int>& list = levels[tenths];
        return std::count_if(list.cbegin(), list.cend(),
                             [&](int l) { return l >= low && l <= high; });
    };

    for (auto it = levels.cbegin(); it != levels.cend(); ++it)
        QVERIFY(inRange(it.key(), BandModel::MinLevel, BandModel::MaxLevel));
    // Outside the hopper's band and away from any transmitter only the floor is heard.
    QVERIFY(inRange(8958, -111, -104));
    QVERIFY(inRange(9340, -111, -104));
    QVERIFY(count(8958, -111, -108) > 0 && count(8958, -107, -104) > 0);
    // The carrier never stops; its skirts are 25 dB down.
    QVERIFY(inRange(9150, -56, -54));
    QVERIFY(count(9148, -81, -79) > Sweeps / 2);
    QVERIFY(count(9152, -81, -79) > Sweeps / 2);
    // Pagers come and go.
    for (const int pager : {9296, 9312, 9319}) {
        QVERIFY2(count(pager, -71, -49) > 0, qPrintable(QString::number(pager)));
        QVERIFY2(count(pager, -111, -104) > 0, qPrintable(QString::number(pager)));
    }
    // The hopper lands now here, now there, inside 902-928 MHz only.
    int hopperHits = 0;
    for (int tenths = 9020; tenths <= 9280; tenths += 2) {
        if (tenths < 9146 || tenths > 9154)
            hopperHits += count(tenths, -80, -60);
    }
    QVERIFY(hopperHits > 10);
    for (int tenths = 8958; tenths < 9020; tenths += 2)
        QCOMPARE(count(tenths, -103, -30), 0);
}

QTEST_GUILESS_MAIN(TstTernaflowSim)
#include "tst_ternaflow_sim.moc"
