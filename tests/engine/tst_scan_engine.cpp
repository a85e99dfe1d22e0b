// SPDX-License-Identifier: MIT
// The scan engine without a window, against the simulated radio over a pseudo-terminal: the
// handshake, the measurement cycle, the end of a scan in every way, and its recording. The
// protocol's timers are compressed tenfold.
#include "engine_rig.h"

#include "core/wait.h"
#include "recording/scan_record.h"
#include "scan/channel_plan.h"
#include "tests/support/expected_loops.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace testing;
using engine::ScanEnd;

namespace {

constexpr int Bound = 30000; // ms; generous for a loaded machine
// The recovery's 1 s and 5 s and the watchdog's 2 s, compressed.
constexpr double RecoveryScale = 0.25;

// Presses Stop once the scan is in the given loop and waits until the scan has ended; returns the
// loop Stop was pressed in, which is the last one recorded.
qint32 stopDuringLoop(engine::ScanEngine& e, qint32 loop) {
    [&] { QTRY_VERIFY_WITH_TIMEOUT(e.LoopCount() >= loop, Bound); }();
    const qint32 pressedIn = e.LoopCount();
    e.Stop();
    [&] { QTRY_VERIFY_WITH_TIMEOUT(!e.ScanActive(), Bound); }();
    return pressedIn;
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
        QSignalSpy loops(&rig.engine, &engine::ScanEngine::loopEnded);
        QSignalSpy ended(&rig.engine, &engine::ScanEngine::scanEnded);
        // A reading is announced once the next request is on its way, so that the radio works
        // while it is drawn; only a loop's last reading comes before its loop ends.
        QList<int> announced; // channels, and -1 for each loop end
        int announcedBeforeTheNextRequest = 0;
        connect(&rig.engine, &engine::ScanEngine::channelStored, this, [&](int chan) {
            announced << chan;
            if (scan::channelIndexFromF10(rig.engine.CurrentFreq()) == chan)
                ++announcedBeforeTheNextRequest;
        });
        connect(&rig.engine, &engine::ScanEngine::loopEnded, this, [&] { announced << -1; });
        rig.engine.Start();
        const qint32 last = stopDuringLoop(rig.engine, 3);
        QCOMPARE(announcedBeforeTheNextRequest, last);
        const int topChannel = scan::channelIndexFromF10(9276);
        for (qsizetype i = announced.indexOf(-1); i >= 0; i = announced.indexOf(-1, i + 1))
            QCOMPARE(announced.value(i - 1), topChannel);
        const QList<QVariantList> stopped{{QVariant::fromValue(ScanEnd::Stopped), last}};
        QCOMPARE(QList<QVariantList>(ended), stopped);
        QCOMPARE(loops.size(), last - 1); // the last loop ends the scan instead
        QVERIFY(rig.questions.saveQuestions.size() == 1 &&
                rig.questions.saveQuestions[0].endsWith(".dat"));

        const QList<recording::ScanRecord> records = rig.records("lastScan.dat");
        QCOMPARE(records.size(), last);
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
        QVERIFY(rig.engine.port().PortOpen());
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
        EngineRig rig;
        rig.engine.Start();
        const qint32 first = stopDuringLoop(rig.engine, 3);
        rig.engine.KeepRecording();
        QCOMPARE(rig.records("lastScan.dat").size(), first);
        // The request sent after the last loop is answered, and that answer is not recorded.
        const int levelsBefore = first * MeasuredPerLoop + 1;
        QTRY_COMPARE_WITH_TIMEOUT(rig.radio.levels().size(), levelsBefore, Bound);

        QSignalSpy peaks(&rig.engine, &engine::ScanEngine::peaksReset);
        rig.engine.Start();
        QTRY_VERIFY_WITH_TIMEOUT(rig.engine.ScanActive(), Bound);
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
        QSignalSpy loops(&rig.engine, &engine::ScanEngine::loopEnded);
        rig.engine.Start();
        QTRY_VERIFY_WITH_TIMEOUT(loops.size() >= 3, Bound);
        QVERIFY(rig.engine.ScanActive());
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
        QSignalSpy ended(&rig.engine, &engine::ScanEngine::scanEnded);
        QSignalSpy connecting(&rig.engine, &engine::ScanEngine::connecting);
        QSignalSpy status(&rig.engine, &engine::ScanEngine::statusText);
        rig.engine.Start();
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, Bound);
        QCOMPARE(ended[0][0].value<ScanEnd>(), ScanEnd::MissedReply);
        QCOMPARE(ended[0][1].toInt(), 1); // the unfinished loop is not kept
        QCOMPARE(rig.engine.LinkState(), engine::LinkIdle);
        if (!runForever) {
            QCOMPARE(rig.questions.saveQuestions.size(), 1);
            QCOMPARE(rig.records("lastScan.dat").size(), 1);
            // Once the recovery is over, nothing has tried to connect again.
            QTRY_VERIFY_WITH_TIMEOUT(!rig.engine.busy(), Bound);
            QCOMPARE(connecting.size(), 1);
            QCOMPARE(rig.engine.LinkState(), engine::LinkIdle);
            return;
        }
        // Saved without asking under its default name, then the silent radio is retried quietly.
        QVERIFY(rig.questions.saveQuestions.isEmpty());
        QCOMPARE(rig.dataFiles().size(), 1);
        QVERIFY(rig.dataFiles()[0].endsWith(".dat") && rig.dataFiles()[0] != "lastScan.dat");
        QCOMPARE(rig.records(rig.dataFiles()[0]).size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(
            status.contains(QVariantList{QStringLiteral("Connect Failed - Waiting.....")}), Bound);
        QCOMPARE(rig.questions.retryQuestions, 0);
        rig.engine.setRunForever(false);
        QTRY_COMPARE_WITH_TIMEOUT(rig.questions.retryQuestions, 1, Bound);
        QTRY_COMPARE_WITH_TIMEOUT(rig.engine.LinkState(), engine::LinkIdle, Bound);
    }

    void closedFromTheRadioEndsTheScanAndReconnectsOnceTheSaveIsAnswered() {
        core::setTimeScale(RecoveryScale);
        EngineRig rig({"--closed-after", "200"});
        QSignalSpy ended(&rig.engine, &engine::ScanEngine::scanEnded);
        QSignalSpy started(&rig.engine, &engine::ScanEngine::scanStarted);
        rig.engine.Start();
        QTRY_COMPARE_WITH_TIMEOUT(rig.questions.saveQuestions.size(), 1, Bound);
        QCOMPARE(ended[0][0].value<ScanEnd>(), ScanEnd::LinkClosed);
        // The reconnect waits for the answer: the recording is not replaced meanwhile.
        QTRY_VERIFY_WITH_TIMEOUT(!rig.engine.busy(), Bound);
        QCOMPARE(started.size(), 1);
        rig.engine.SaveRecordingAs(QStringLiteral("first.dat"));
        QCOMPARE(rig.records("first.dat").size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(started.size(), 2, Bound);
        QCOMPARE(rig.engine.LinkState(), engine::LinkScanning);
        stopDuringLoop(rig.engine, 1);
    }

    void refusedAccessCodeEndsTheScanWithNothingToSave() {
        core::setTimeScale(RecoveryScale);
        EngineRig rig({"--pass-code", "AB12"});
        QSignalSpy ended(&rig.engine, &engine::ScanEngine::scanEnded);
        rig.engine.Start();
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, Bound);
        QVERIFY(rig.engine.accessCodeRefused());
        QVERIFY(rig.radio.levels().isEmpty());
        QCOMPARE(ended[0][1].toInt(), 0);
        QVERIFY(rig.questions.saveQuestions.isEmpty());
        QCOMPARE(rig.dataFiles(), QStringList{"lastScan.dat"});
    }

    void deafRadioAnsweredNoLeavesTheLinkIdleAndThePortClosed() {
        core::setTimeScale(RecoveryScale);
        EngineRig rig({"--deaf"});
        QSignalSpy progress(&rig.engine, &engine::ScanEngine::setupProgress);
        QSignalSpy givenUp(&rig.engine, &engine::ScanEngine::connectGivenUp);
        rig.engine.Start(); // returns once the question has been answered No
        QCOMPARE(rig.questions.retryQuestions, 1);
        QCOMPARE(progress.last()[0].toString(), QStringLiteral("Connecting........"));
        QCOMPARE(givenUp.size(), 1);
        QCOMPARE(rig.engine.LinkState(), engine::LinkIdle);
        QVERIFY(!rig.engine.port().PortOpen());
        QVERIFY(!rig.engine.busy());
    }

    // An unplugged adapter: the scan ends once with its loops kept; every Start on the missing
    // port says so; and without "Run Forever" nothing starts by itself when the adapter is back.
    void unpluggedAdapterEndsTheScanOnceAndStartSaysSoEveryTime() {
        EngineRig rig;
        QSignalSpy ended(&rig.engine, &engine::ScanEngine::scanEnded);
        QSignalSpy connecting(&rig.engine, &engine::ScanEngine::connecting);
        rig.engine.Start();
        QTRY_VERIFY_WITH_TIMEOUT(rig.engine.LoopCount() >= 2, Bound);
        rig.radio.kill();
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, Bound);
        QCOMPARE(ended[0][0].value<ScanEnd>(), ScanEnd::PortLost);
        QTRY_COMPARE_WITH_TIMEOUT(rig.failuresTitled("Serial Port Error"), 1, Bound);
        QVERIFY(rig.records("lastScan.dat").size() >= 1);
        rig.engine.KeepRecording();

        for (int press = 1; press <= 2; ++press) {
            rig.engine.Start();
            QCOMPARE(rig.failures.filter("A serial port that was detected").size(), press);
            QCOMPARE(rig.engine.LinkState(), engine::LinkIdle);
        }
        QVERIFY(!rig.engine.busy());
        QCOMPARE(connecting.size(), 1);
        QCOMPARE(rig.failuresTitled("Serial Port Error"), 1);
    }

    void failedSaveKeepsTheRecordingAndAsksAgain() {
        EngineRig rig;
        QDir().mkpath(rig.dataFile("taken.dat/inside"));
        rig.engine.Start();
        const qint32 last = stopDuringLoop(rig.engine, 2);
        rig.engine.SaveRecordingAs(QStringLiteral("taken.dat"));
        QCOMPARE(rig.failuresTitled("Filesystem Error"), 1);
        QCOMPARE(rig.questions.saveQuestions.size(), 2);
        QCOMPARE(rig.records("lastScan.dat").size(), last);
        rig.engine.SaveRecordingAs(QStringLiteral("kept.dat"));
        QCOMPARE(rig.records("kept.dat").size(), last);
        QVERIFY(!rig.dataFiles().contains("lastScan.dat"));
        // The saved copy is open for playback at its last loop.
        QCOMPARE(rig.engine.recordCount(), last);
        QVERIFY(!rig.engine.scanFile().isWritable());
    }
};

QTEST_GUILESS_MAIN(TestScanEngine)
#include "tst_scan_engine.moc"
