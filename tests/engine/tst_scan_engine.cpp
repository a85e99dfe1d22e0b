// SPDX-License-Identifier: MIT
// The scan engine on its own thread, against the simulated radio over a pseudo-terminal: the
// handshake, the measurement cycle, the end of a scan in every way, its recording, and the
// questions it asks, answered at once, late, twice or never. Recovery tests compress time.
#include "engine_rig.h"

#include "core/time_scale.h"
#include "recording/scan_record.h"
#include "scan/channel_plan.h"
#include "tests/support/expected_loops.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace testing;
using engine::EngineState;
using engine::ScanEnd;

namespace {

constexpr int Bound = 30000; // ms; generous for a loaded machine
// The recovery's 1 s and 5 s and the watchdog's 2 s, compressed.
constexpr double RecoveryScale = 0.25;

// Presses Stop once the scan is in the given loop and waits until the scan has ended; returns the
// loop Stop was pressed in, which is the last one recorded.
qint32 stopDuringLoop(engine::EngineThread& e, qint32 loop) {
    [&] { QTRY_VERIFY_WITH_TIMEOUT(e.ScanActive() && e.LoopCount() >= loop, Bound); }();
    QSignalSpy stopping(&e, &engine::EngineThread::stopping);
    e.Stop();
    [&] { QTRY_VERIFY_WITH_TIMEOUT(!stopping.isEmpty(), Bound); }();
    const qint32 pressedIn = e.LoopCount();
    [&] { QTRY_VERIFY_WITH_TIMEOUT(!e.ScanActive(), Bound); }();
    return pressedIn;
}

// The states from the first that is not Idle, as letters: W waking, B bursting, U unlocking,
// R asking retry, T waiting to retry, S scanning, P stopping after the loop, E ending the scan,
// C waiting to reconnect, Q asking the save name, I idle.
QString trace(const QList<EngineState>& states) {
    static const char letters[] = "IWBURTSPECQ";
    QString text;
    for (EngineState state : states)
        text += QLatin1Char(letters[int(state)]);
    return text;
}

} // namespace

class TestScanEngine : public QObject {
    Q_OBJECT

private slots:
    // The reply watchdog runs at its real 2 s, so that a loaded machine never trips it; tests of
    // the recovery paths compress time.
    void init() { core::setTimeScale(1.0); }

    void scanRecordsEveryLoopAsTheRadioAnsweredItAndStopsAfterTheLoop() {
        EngineRig rig({"--seed", "7"});
        QSignalSpy ended(&rig.engine, &engine::EngineThread::scanEnded);
        QSignalSpy recorded(&rig.engine, &engine::EngineThread::loopRecorded);
        // Readings come to this thread in the order of the sweep, each loop's before its end.
        QList<int> announced; // channels, and -1 for each recorded loop
        bool onThisThread = true;
        connect(&rig.engine, &engine::EngineThread::channelStored, this,
                [&](int chan, const scan::ChannelReading& reading) {
                    announced << chan;
                    onThisThread = onThisThread && QThread::currentThread() == thread();
                    QCOMPARE(rig.engine.reading(chan).Last, reading.Last);
                });
        connect(&rig.engine, &engine::EngineThread::loopRecorded, this, [&] { announced << -1; });
        rig.engine.Start();
        const qint32 last = stopDuringLoop(rig.engine, 3);
        QVERIFY(onThisThread);
        QList<int> sweeps;
        for (int loop = 1; loop <= last; ++loop) {
            for (int chan = FirstMeasured; chan <= LastMeasured; ++chan)
                sweeps << chan;
            sweeps << -1;
        }
        QCOMPARE(announced.mid(0, sweeps.size()), sweeps);
        const QList<QVariantList> stopped{{QVariant::fromValue(ScanEnd::Stopped), last}};
        QCOMPARE(QList<QVariantList>(ended), stopped);
        QCOMPARE(recorded.size(), last);
        QVERIFY(rig.saveQuestions.size() == 1 && rig.saveQuestions[0].text.endsWith(".dat"));
        QCOMPARE(trace(rig.states), "WBUSPQ");

        const QList<recording::ScanRecord> records = rig.records("lastScan.dat");
        QCOMPARE(records.size(), last);
        for (int n = 0; n < last; ++n)
            QVERIFY(recorded[n][0].value<recording::ScanRecord>().toBytes() ==
                    records[n].toBytes());
        // One more request follows the last loop; its reply is not recorded.
        QTRY_COMPARE_WITH_TIMEOUT(rig.radio.levels().size(), last * MeasuredPerLoop + 1, Bound);
        QCOMPARE(mismatchWithTheRadio(records, rig.radio.levels()), QString());
        const QRegularExpression startText(
            QStringLiteral("^\\d\\d-\\d\\d-\\d{4}  \\d\\d:\\d\\d:\\d\\d$"));
        for (const recording::ScanRecord& record : records) {
            QCOMPARE(record.Attenuation, 0);
            QVERIFY(startText.match(QString::fromLatin1(record.LoopStartText)).hasMatch());
        }

        // Exactly the requests of the plan, each sent only after the previous reply.
        const QByteArray received = rig.radio.received();
        const QByteArray unlock = "PASS QK47\r";
        QVERIFY(received.mid(received.lastIndexOf(unlock) + unlock.size())
                    .startsWith(requestsFor(last)));
        QVERIFY(!overlappingRequests(rig.radio.logLines()));
        QCOMPARE(rig.engine.LinkState(), engine::LinkIdle);
        QVERIFY(rig.engine.portOpen());
    }

    void repliesSplitIntoSingleBytesAmidLineNoiseRecordTheSame_data() {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("one byte at a time, noise")
            << QStringList{"--fragment", "--fragment-gap-us", "50", "--noise", "25"};
        QTest::newRow("a reply whose level reads 0") << QStringList{"--zero-level-at", "40"};
    }
    void repliesSplitIntoSingleBytesAmidLineNoiseRecordTheSame() {
        QFETCH(QStringList, options);
        EngineRig rig(options);
        rig.engine.Start();
        const qint32 last = stopDuringLoop(rig.engine, 2);
        const QList<recording::ScanRecord> records = rig.records("lastScan.dat");
        QCOMPARE(records.size(), last);
        // A level of 0 records code 0 at its own channel; later channels keep their places.
        QCOMPARE(mismatchWithTheRadio(records, rig.radio.levels()), QString());
    }

    // Loops of an earlier recording never survive into a new one, however long it was; its peaks
    // start again at the lower limit and its averages from its own readings.
    void aNewScanStartsAnEmptyRecordingAndResetsPeaksAndAverages() {
        // Loops of about half a second, so that a loaded machine stops the second scan before it
        // is as long as the first.
        EngineRig rig({"--latency-ms", "3"});
        rig.engine.Start();
        const qint32 first = stopDuringLoop(rig.engine, 4);
        rig.answerSave(QString());
        QTRY_COMPARE_WITH_TIMEOUT(rig.engine.state(), EngineState::Idle, Bound);
        QCOMPARE(rig.records("lastScan.dat").size(), first);
        // The request sent after the last loop is answered, and that answer is not recorded.
        const int levelsBefore = first * MeasuredPerLoop + 1;
        QTRY_COMPARE_WITH_TIMEOUT(rig.radio.levels().size(), levelsBefore, Bound);

        QSignalSpy peaks(&rig.engine, &engine::EngineThread::peaksReset);
        int leftOver = -1; // readings of the first scan still there when the second starts
        connect(&rig.engine, &engine::EngineThread::scanStarted, this, [&] {
            const scan::Readings& now = rig.engine.readings();
            leftOver = int(std::count_if(now.cbegin(), now.cend(), [](const auto& r) {
                return r.Peak != 120 || r.Count != 0;
            }));
        });
        rig.engine.Start();
        QTRY_VERIFY_WITH_TIMEOUT(leftOver >= 0, Bound);
        QCOMPARE(leftOver, 0);
        QCOMPARE(peaks.size(), 1);
        const qint32 second = stopDuringLoop(rig.engine, 1);
        QVERIFY(second < first);
        const QList<recording::ScanRecord> records = rig.records("lastScan.dat");
        QCOMPARE(records.size(), second);
        // The second scan's codes come from its own replies alone, peaks from the lower limit.
        QCOMPARE(mismatchWithTheRadio(records, rig.radio.levels().mid(levelsBefore)), QString());
    }

    void aFailedLoopWriteIsToldOnceAndTheScanGoesOn() {
        EngineRig rig;
        // A disk that is full: every write fails.
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), rig.dataFile("lastScan.dat")));
        QSignalSpy loops(&rig.engine, &engine::EngineThread::loopEnded);
        QSignalSpy recorded(&rig.engine, &engine::EngineThread::loopRecorded);
        rig.engine.Start();
        QTRY_VERIFY_WITH_TIMEOUT(loops.size() >= 3, Bound);
        QVERIFY(rig.engine.ScanActive());
        QVERIFY(recorded.isEmpty());
        QCOMPARE(rig.failuresTitled("Filesystem Error"), 1);
        QVERIFY(rig.failures[0].contains("Loop 1 could not be recorded"));
        rig.engine.Stop();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.engine.ScanActive(), Bound);
    }

    void missedReplyEndsTheScanAndOnlyRunForeverReconnects_data() {
        QTest::addColumn<bool>("runForever");
        QTest::newRow("asks for a name, stays idle") << false;
        QTest::newRow("Run Forever: saves, reconnects") << true;
    }
    void missedReplyEndsTheScanAndOnlyRunForeverReconnects() {
        core::setTimeScale(RecoveryScale);
        QFETCH(bool, runForever);
        EngineRig rig({"--silent-after", "150"});
        rig.engine.setRunForever(runForever);
        QSignalSpy ended(&rig.engine, &engine::EngineThread::scanEnded);
        QSignalSpy connecting(&rig.engine, &engine::EngineThread::connecting);
        QSignalSpy status(&rig.engine, &engine::EngineThread::statusText);
        rig.engine.Start();
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, Bound);
        QCOMPARE(ended[0][0].value<ScanEnd>(), ScanEnd::MissedReply);
        QCOMPARE(ended[0][1].toInt(), 1); // the unfinished loop is not kept
        QCOMPARE(rig.engine.LinkState(), engine::LinkIdle);
        if (!runForever) {
            QCOMPARE(rig.saveQuestions.size(), 1);
            QCOMPARE(rig.records("lastScan.dat").size(), 1);
            // Once the recovery is over, nothing has tried to connect again.
            QTRY_COMPARE_WITH_TIMEOUT(rig.engine.state(), EngineState::AskingSaveName, Bound);
            QCOMPARE(trace(rig.states), "WBUSECQ");
            QCOMPARE(connecting.size(), 1);
            return;
        }
        // Saved without asking under its default name, then the silent radio is retried quietly.
        QVERIFY(rig.saveQuestions.isEmpty());
        QCOMPARE(rig.dataFiles().size(), 1);
        QVERIFY(rig.dataFiles()[0].endsWith(".dat") && rig.dataFiles()[0] != "lastScan.dat");
        QCOMPARE(rig.records(rig.dataFiles()[0]).size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(
            status.contains(QVariantList{QStringLiteral("Connect Failed - Waiting.....")}), Bound);
        QVERIFY(trace(rig.states).startsWith("WBUSECIWB"));
        QVERIFY(rig.retryQuestions.isEmpty());
        rig.engine.setRunForever(false);
        QTRY_COMPARE_WITH_TIMEOUT(rig.retryQuestions.size(), 1, Bound);
        QTRY_COMPARE_WITH_TIMEOUT(rig.engine.state(), EngineState::Idle, Bound);
        QCOMPARE(rig.engine.LinkState(), engine::LinkIdle);
    }

    void closedFromTheRadioEndsTheScanAndReconnectsOnceTheSaveIsAnswered() {
        core::setTimeScale(RecoveryScale);
        EngineRig rig({"--closed-after", "200"});
        QSignalSpy ended(&rig.engine, &engine::EngineThread::scanEnded);
        QSignalSpy started(&rig.engine, &engine::EngineThread::scanStarted);
        rig.engine.Start();
        QTRY_COMPARE_WITH_TIMEOUT(rig.saveQuestions.size(), 1, Bound);
        QCOMPARE(ended[0][0].value<ScanEnd>(), ScanEnd::LinkClosed);
        // The reconnect waits for the answer: the recording is not replaced meanwhile.
        QTRY_COMPARE_WITH_TIMEOUT(rig.engine.state(), EngineState::AskingSaveName, Bound);
        QCOMPARE(started.size(), 1);
        rig.answerSave(QStringLiteral("first.dat"));
        QTRY_COMPARE_WITH_TIMEOUT(started.size(), 2, Bound);
        QCOMPARE(rig.records("first.dat").size(), 1);
    }

    void refusedAccessCodeEndsTheScanWithNothingToSave() {
        core::setTimeScale(RecoveryScale);
        EngineRig rig({"--pass-code", "AB12"});
        QSignalSpy ended(&rig.engine, &engine::EngineThread::scanEnded);
        rig.engine.Start();
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, Bound);
        QVERIFY(rig.engine.accessCodeRefused());
        QVERIFY(rig.radio.levels().isEmpty());
        QCOMPARE(ended[0][1].toInt(), 0);
        QVERIFY(rig.saveQuestions.isEmpty());
        QCOMPARE(rig.dataFiles(), QStringList{"lastScan.dat"});
    }

    // Each attempt sends ESC and four CR LF bursts; a radio that sleeps through two wake-ups is
    // unlocked at the third attempt's first burst, and the terminal counts the silent bursts.
    void aRadioThatSleepsThroughWakeUpsIsUnlockedAtALaterAttempt() {
        core::setTimeScale(0.5);
        EngineRig rig({"--sleep-through", "2"});
        QSignalSpy progress(&rig.engine, &engine::EngineThread::setupProgress);
        QSignalSpy started(&rig.engine, &engine::EngineThread::scanStarted);
        rig.engine.Start();
        QTRY_VERIFY_WITH_TIMEOUT(!started.isEmpty(), Bound);
        rig.engine.Interrupt();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.engine.ScanActive(), Bound);
        QStringList shown;
        for (const QVariantList& text : std::as_const(progress))
            shown << text[0].toString().mid(QStringLiteral("Connecting").size());
        QCOMPARE(shown.join(','), ",.,..,...,.,..,...,....,");
        QVERIFY(trace(rig.states).startsWith("WBWBWBUS"));
        const QByteArray attempt = "\x1b\r\n\r\n\r\n\r\n";
        // The port's test at Start comes first.
        QVERIFY(rig.radio.received().startsWith("TEST" + attempt + attempt +
                                                "\x1b\r\nSETUP\rPASS QK47\rRX 902.2\rRSSI!\r"));
    }

    // A radio that never answers: "Try again?" is asked after each attempt. No gives up, Yes
    // tries again; an answer that comes after the engine has given up by itself changes nothing.
    void theRetryQuestionIsAnsweredInTimeOrLate_data() {
        QTest::addColumn<QString>("answers"); // per question: y, n, or - (answered late)
        QTest::addColumn<int>("attempts");
        QTest::newRow("No") << "n" << 1;
        QTest::newRow("Yes, then No") << "yn" << 2;
        QTest::newRow("late, after Interrupt") << "-" << 1;
    }
    void theRetryQuestionIsAnsweredInTimeOrLate() {
        QFETCH(QString, answers);
        core::setTimeScale(0.1);
        EngineRig rig({"--deaf"});
        rig.retryAnswer.reset();
        QSignalSpy connecting(&rig.engine, &engine::EngineThread::connecting);
        QSignalSpy givenUp(&rig.engine, &engine::EngineThread::connectGivenUp);
        QSignalSpy progress(&rig.engine, &engine::EngineThread::setupProgress);
        QSignalSpy quitDone(&rig.engine, &engine::EngineThread::quitDone);
        rig.engine.Start();
        for (int n = 0; n < answers.size(); ++n) {
            QTRY_COMPARE_WITH_TIMEOUT(rig.retryQuestions.size(), n + 1, Bound);
            QCOMPARE(rig.engine.state(), EngineState::AskingRetry);
            QCOMPARE(progress.last()[0].toString(), QStringLiteral("Connecting........"));
            if (answers[n] == '-') {
                rig.engine.Interrupt();
                QTRY_COMPARE_WITH_TIMEOUT(quitDone.size(), 1, Bound);
            }
            rig.engine.answerTryAgain(rig.retryQuestions[n], answers[n] != 'n');
        }
        QTRY_COMPARE_WITH_TIMEOUT(givenUp.size(), 1, Bound);
        QTRY_COMPARE_WITH_TIMEOUT(rig.engine.state(), EngineState::Idle, Bound);
        QCOMPARE(givenUp[0][0].toBool(), false);
        QTEST(int(connecting.size()), "attempts");
        QCOMPARE(rig.retryQuestions.size(), answers.size());
        QCOMPARE(rig.engine.LinkState(), engine::LinkIdle);
        QVERIFY(!rig.engine.portOpen());
    }

    // The save question is answered once, by the answer that names it: Stop and Start meanwhile
    // change nothing, nor does a stale or second answer, and one that comes after the engine has
    // shut down (the window closed) leaves the recording where it is.
    void theSaveQuestionTakesOnlyItsOwnFirstAnswer() {
        EngineRig rig;
        rig.engine.Start();
        const qint32 last = stopDuringLoop(rig.engine, 1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.saveQuestions.size(), 1, Bound);
        QSignalSpy connecting(&rig.engine, &engine::EngineThread::connecting);
        rig.engine.Stop();
        rig.engine.Start();
        const quint64 asked = rig.saveQuestions[0].id;
        rig.engine.answerSaveName(asked + 1, QStringLiteral("stale.dat"));
        rig.engine.answerSaveName(asked, QStringLiteral("kept.dat"));
        rig.engine.answerSaveName(asked, QStringLiteral("twice.dat"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.engine.state(), EngineState::Idle, Bound);
        QVERIFY(connecting.isEmpty());
        QCOMPARE(rig.dataFiles(), QStringList{"kept.dat"});
        QCOMPARE(rig.records("kept.dat").size(), last);

        rig.engine.Start();
        stopDuringLoop(rig.engine, 1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.saveQuestions.size(), 2, Bound);
        rig.engine.shutDown();
        rig.answerSave(QStringLiteral("too late.dat"));
        QCOMPARE(rig.dataFiles(), (QStringList{"kept.dat", "lastScan.dat"}));
        QVERIFY(!rig.engine.portOpen());
    }

    // Quit lets the loop in progress finish and be recorded, saves the scan and rests: nothing
    // reconnects, although "Run Forever" is on.
    void quitEndsTheScanAfterItsLoopAndRests() {
        EngineRig rig;
        rig.engine.setRunForever(true);
        QSignalSpy quitDone(&rig.engine, &engine::EngineThread::quitDone);
        QSignalSpy saved(&rig.engine, &engine::EngineThread::recordingSaved);
        QSignalSpy ended(&rig.engine, &engine::EngineThread::scanEnded);
        rig.engine.Start();
        QTRY_VERIFY_WITH_TIMEOUT(rig.engine.LoopCount() >= 2, Bound);
        rig.engine.Quit();
        QTRY_COMPARE_WITH_TIMEOUT(quitDone.size(), 1, Bound);
        QCOMPARE(ended[0][0].value<ScanEnd>(), ScanEnd::Stopped);
        QCOMPARE(saved.size(), 1);
        const QString name = saved[0][0].toString();
        QCOMPARE(rig.records(name).size(), ended[0][1].toInt());
        QCOMPARE(mismatchWithTheRadio(rig.records(name), rig.radio.levels()), QString());
        QCOMPARE(rig.engine.state(), EngineState::Idle);
        // A Start after that is ignored: by the time a later command is answered, nothing has
        // begun to connect.
        QSignalSpy connecting(&rig.engine, &engine::EngineThread::connecting);
        QSignalSpy opened(&rig.engine, &engine::EngineThread::scanFileOpened);
        rig.engine.Start();
        rig.engine.OpenScanFile(rig.dataFile(name), false);
        QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, Bound);
        QVERIFY(connecting.isEmpty());
        QCOMPARE(rig.engine.state(), EngineState::Idle);
    }

    // An unplugged adapter: the scan ends once with its loops kept; every Start on the missing
    // port says so; and without "Run Forever" nothing starts by itself when the adapter is back.
    void unpluggedAdapterEndsTheScanOnceAndStartSaysSoEveryTime() {
        EngineRig rig;
        QSignalSpy ended(&rig.engine, &engine::EngineThread::scanEnded);
        QSignalSpy connecting(&rig.engine, &engine::EngineThread::connecting);
        QSignalSpy givenUp(&rig.engine, &engine::EngineThread::connectGivenUp);
        rig.engine.Start();
        QTRY_VERIFY_WITH_TIMEOUT(rig.engine.LoopCount() >= 2, Bound);
        rig.radio.kill();
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, Bound);
        QCOMPARE(ended[0][0].value<ScanEnd>(), ScanEnd::PortLost);
        QTRY_COMPARE_WITH_TIMEOUT(rig.failuresTitled("Serial Port Error"), 1, Bound);
        QVERIFY(rig.records("lastScan.dat").size() >= 1);
        rig.answerSave(QString());

        for (int press = 1; press <= 2; ++press) {
            rig.engine.Start();
            QTRY_COMPARE_WITH_TIMEOUT(givenUp.size(), press, Bound);
            QCOMPARE(rig.failures.filter("A serial port that was detected").size(), press);
            QCOMPARE(rig.engine.LinkState(), engine::LinkIdle);
        }
        QCOMPARE(rig.engine.state(), EngineState::Idle);
        QCOMPARE(connecting.size(), 1);
        QCOMPARE(rig.failuresTitled("Serial Port Error"), 1);
    }

    void failedSaveKeepsTheRecordingAndAsksAgain() {
        EngineRig rig;
        QDir().mkpath(rig.dataFile("taken.dat/inside"));
        rig.engine.Start();
        const qint32 last = stopDuringLoop(rig.engine, 2);
        QTRY_COMPARE_WITH_TIMEOUT(rig.saveQuestions.size(), 1, Bound);
        rig.answerSave(QStringLiteral("taken.dat"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.saveQuestions.size(), 2, Bound);
        QCOMPARE(rig.failuresTitled("Filesystem Error"), 1);
        QCOMPARE(rig.records("lastScan.dat").size(), last);
        rig.answerSave(QStringLiteral("kept.dat"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.engine.state(), EngineState::Idle, Bound);
        QCOMPARE(rig.records("kept.dat").size(), last);
        QVERIFY(!rig.dataFiles().contains("lastScan.dat"));
        // The saved copy is open for playback at its last loop.
        QCOMPARE(rig.engine.recordCount(), last);
        QVERIFY(!rig.engine.status().scanFileWritable);
        QCOMPARE(rig.engine.readRecord(last)->LoopNumber, last);
    }
};

QTEST_GUILESS_MAIN(TestScanEngine)
#include "tst_scan_engine.moc"
