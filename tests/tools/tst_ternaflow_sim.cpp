// SPDX-License-Identifier: MIT
// ternaflow-sim as the program and the other tests meet it: a pseudo-terminal and a log file. That
// its device survives the probes that open it, write and close is every scan test's first step.
#include "tests/support/sim_radio.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSerialPort>
#include <QtTest>

#include <functional>
#include <set>

namespace {

constexpr int Bound = 5000;

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
        port.waitForBytesWritten(Bound);
    }

    // Reads until `done`, looking again at least every 10 ms.
    bool waitFor(const std::function<bool()>& done, qint64 ms = Bound) {
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

    // The log's lines other than those of what was read.
    QByteArray logged() const {
        QByteArray lines;
        for (const QString& line : radio.logLines())
            if (!line.startsWith(QLatin1String("recv ")))
                lines += line.toLatin1() + '\n';
        return lines;
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

class TstTernaflowSim : public QObject {
    Q_OBJECT

private slots:
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
        row("other code", {}, refused("PASS 1234\r"));
        row("code in lower case", {}, refused("PASS qk47\r"));
        row("code too long", {}, refused("PASS QK478\r"));
        row("no code", {}, refused("PASS\r"));
        row("--pass-code", {"--pass-code", "AB12"}, refused("PASS QK47\r", "AB12"));
        // The faults the program is tried against.
        row("--zero-level-at", {"--zero-level-at", "2"},
            Unlock + request("902.2") + request("902.4", "-0") + request("902.4"));
        const Writes closing = request("915.0") + request("915.0") +
                               Writes{"RX 915.0\rRSSI!\r", Closed, "RX 915.0\rRSSI!\r", ""};
        row("--closed-after", {"--closed-after", "2"}, Unlock + closing + Unlock + closing);
        row("--silent-after", {"--silent-after", "2"},
            Unlock + request("915.0") + request("915.0") +
                Writes{"RX 915.0\rRSSI!\r", "", WakeUp + "SETUP\rPASS QK47\r", ""});
        row("--deaf", {"--deaf"}, {WakeUp + WakeUp + "SETUP\rPASS QK47\rRX 915.0\rRSSI!\r", ""});
    }

    // Every answer, and the log other tests read: each chunk received, unlock, level, closed.
    void scriptedConversation() {
        QFETCH(QStringList, options);
        QFETCH(Writes, script);
        Sim sim;
        SIM(sim.start(options));
        SIM(sim.run(script));
        SIM(sim.quiet());
        QCOMPARE(sim.logged(), sim.events);
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
};

QTEST_GUILESS_MAIN(TstTernaflowSim)
#include "tst_ternaflow_sim.moc"
