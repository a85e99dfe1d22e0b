// SPDX-License-Identifier: MIT
// Live scans end to end: the real window (offscreen) drives the simulated radio over a
// pseudo-terminal, with the protocol's timers compressed.
#include "live_program.h"

#include "radio/comm_port.h"
#include "recording/frm_dlg_file_save.h"
#include "scan/channel_plan.h"
#include "scan/frm_scan_quit.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <cmath>

using namespace testing;

namespace {

constexpr int Bound = 30000;         // ms; generous for a loaded machine
constexpr int MeasuredPerLoop = 128; // 902.2 - 927.6 MHz at the start limits

// The three code fields a loop must record, worked out from the levels the radio answered.
struct LoopCodes {
    QByteArray last, peak, average;
};

QList<LoopCodes> expectedLoops(const QList<AnsweredLevel>& levels, int loops) {
    QList<LoopCodes> expected;
    int peak[scan::ChannelCount];
    long sum[scan::ChannelCount] = {};
    int count[scan::ChannelCount] = {};
    std::fill(std::begin(peak), std::end(peak), 120); // peaks start at the lower limit
    for (int loop = 0; loop < loops; ++loop) {
        LoopCodes codes;
        for (int c = 0; c < scan::ChannelCount; ++c) {
            if (c < 32 || c > 159) {
                codes.last += char(201);
                codes.peak += char(201);
                codes.average += char(201);
                continue;
            }
            const AnsweredLevel& answered = levels.at(loop * MeasuredPerLoop + c - 32);
            const int m = std::abs(answered.dbm);
            if (m == 0) { // a level of 0 is no reading
                codes.last += char(0);
                codes.peak += char(0);
                codes.average += char(0);
                continue;
            }
            peak[c] = std::min(peak[c], m);
            sum[c] += m;
            ++count[c];
            codes.last += char(m);
            codes.peak += char(peak[c]);
            codes.average += char(sum[c] / count[c]);
        }
        expected.append(codes);
    }
    return expected;
}

QByteArray requestsFor(int loops) {
    QByteArray bytes;
    for (int loop = 0; loop < loops; ++loop)
        for (int c = 32; c <= 159; ++c)
            bytes += "RX " + scan::frequencyText(scan::channelF10(c)).toLatin1() + "\rRSSI!\r";
    return bytes;
}

void answerSavePrompt(app::frmSpecAn& w, const QString& name) {
    QTRY_VERIFY_WITH_TIMEOUT(w.fileSaveDialog() && w.fileSaveDialog()->isVisible(), Bound);
    if (name.isEmpty()) {
        w.fileSaveDialog()->cmdNoSave->click();
    } else {
        w.fileSaveDialog()->txtFileName->setText(name);
        w.fileSaveDialog()->cmdSave->click();
    }
}

} // namespace

class TestLiveScan : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { app::setTimeScale(0.05); }

    void scanRecordsEveryLoopAsTheRadioAnsweredItAndStopsAfterTheLoop() {
        SimRadio radio;
        QVERIFY2(radio.start({"--seed", "7"}), qPrintable(radio.error()));
        LiveProgram program;
        app::frmSpecAn& w = program.load(&radio);
        QVERIFY(w.mnuCom[1]->isChecked());
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.LoopCount >= 3, Bound);
        QCOMPARE(w.lblCount->text(), QStringLiteral("Count: 2"));
        w.cmdStopTest->click();
        QTRY_VERIFY_WITH_TIMEOUT(!app::modMain().ScanActive, Bound);
        QCOMPARE(w.lblCount->text(), QStringLiteral("Count: 3"));
        answerSavePrompt(w, QString());

        const QList<recording::ScanRecord> records = program.records("lastScan.dat");
        QCOMPARE(records.size(), 3);
        // One more request follows the last loop; its reply is not recorded.
        QTRY_COMPARE_WITH_TIMEOUT(radio.levels().size(), 3 * MeasuredPerLoop + 1, Bound);
        const QList<LoopCodes> expected = expectedLoops(radio.levels(), 3);
        const QRegularExpression startText(
            QStringLiteral("^\\d\\d-\\d\\d-\\d{4}  \\d\\d:\\d\\d:\\d\\d$"));
        for (int loop = 0; loop < 3; ++loop) {
            QCOMPARE(records[loop].LoopNumber, loop + 1);
            QCOMPARE(records[loop].Attenuation, 0);
            QVERIFY(startText.match(QString::fromLatin1(records[loop].LoopStartText)).hasMatch());
            QCOMPARE(records[loop].LastCodes, expected[loop].last);
            QCOMPARE(records[loop].PeakCodes, expected[loop].peak);
            QCOMPARE(records[loop].AverageCodes, expected[loop].average);
        }

        // Exactly the requests of the plan, each sent only after the previous reply.
        const QByteArray received = radio.received();
        const QByteArray unlock = "PASS QK47\r";
        const qsizetype scanStart = received.lastIndexOf(unlock) + unlock.size();
        QVERIFY(received.mid(scanStart).startsWith(requestsFor(3)));
        int outstanding = 0;
        for (const QString& line : radio.logLines()) {
            if (line.startsWith(QLatin1String("recv ")))
                outstanding += int(line.count(QLatin1String("RSSI!")));
            else if (line.startsWith(QLatin1String("level ")))
                --outstanding;
            QVERIFY2(outstanding <= 1, qPrintable(line));
        }
        QTRY_VERIFY_WITH_TIMEOUT(w.isEnabled(), Bound);
        QCOMPARE(app::modMain().LinkState, app::LinkIdle);
        QVERIFY(w.msComm->PortOpen());
        QVERIFY(w.cmdConnect->isEnabled());
    }

    void repliesSplitIntoSingleBytesAndLineNoiseRecordTheSame() {
        SimRadio radio;
        QVERIFY2(radio.start({"--fragment", "--fragment-gap-us", "50", "--noise", "25"}),
                 qPrintable(radio.error()));
        LiveProgram program;
        app::frmSpecAn& w = program.load(&radio);
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.LoopCount >= 2, Bound);
        w.cmdStopTest->click();
        answerSavePrompt(w, QString());
        const QList<recording::ScanRecord> records = program.records("lastScan.dat");
        QCOMPARE(records.size(), 2);
        const QList<LoopCodes> expected = expectedLoops(radio.levels(), 2);
        for (int loop = 0; loop < 2; ++loop) {
            QCOMPARE(records[loop].LastCodes, expected[loop].last);
            QCOMPARE(records[loop].AverageCodes, expected[loop].average);
        }
    }

    void replyWithLevelZeroKeepsLaterChannelsInTheirPlaces() {
        SimRadio radio;
        QVERIFY2(radio.start({"--zero-level-at", "40"}), qPrintable(radio.error()));
        LiveProgram program;
        app::frmSpecAn& w = program.load(&radio);
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.LoopCount >= 2, Bound);
        w.cmdStopTest->click();
        answerSavePrompt(w, QString());
        const QList<recording::ScanRecord> records = program.records("lastScan.dat");
        QCOMPARE(records.size(), 2);
        QCOMPARE(radio.levels().at(39).dbm, 0);
        const QList<LoopCodes> expected = expectedLoops(radio.levels(), 2);
        QCOMPARE(records[0].LastCodes.at(32 + 39), char(0));
        QCOMPARE(records[0].LastCodes, expected[0].last);
        QCOMPARE(records[0].PeakCodes, expected[0].peak);
        QCOMPARE(records[1].LastCodes, expected[1].last);
    }

    void missedReplyEndsTheScanAndOffersTheSave() {
        SimRadio radio;
        QVERIFY2(radio.start({"--silent-after", "150"}), qPrintable(radio.error()));
        LiveProgram program;
        app::frmSpecAn& w = program.load(&radio);
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.fileSaveDialog() && w.fileSaveDialog()->isVisible(), Bound);
        QVERIFY(!app::modMain().ScanActive);
        QCOMPARE(app::modMain().LinkState, app::LinkIdle);
        QVERIFY(!w.isEnabled()); // the prompt has the window
        answerSavePrompt(w, QString());
        QTRY_VERIFY_WITH_TIMEOUT(w.isEnabled(), Bound);
        QVERIFY(w.cmdConnect->isEnabled());
        QCOMPARE(program.records("lastScan.dat").size(), 1); // the unfinished loop is not kept
        // Without "Run Forever" nothing reconnects.
        QTest::qWait(app::scaledMs(12000));
        QCOMPARE(app::modMain().LinkState, app::LinkIdle);
        QVERIFY(!w.tmrConnect->isActive());
    }

    void missedReplyWithRunForeverSavesAndKeepsReconnecting() {
        SimRadio radio;
        QVERIFY2(radio.start({"--silent-after", "150"}), qPrintable(radio.error()));
        LiveProgram program;
        app::frmSpecAn& w = program.load(&radio);
        w.chkRunForever->setChecked(true);
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(program.dataFiles().size() == 1 &&
                                     program.dataFiles().first() != "lastScan.dat",
                                 Bound);
        QCOMPARE(program.records(program.dataFiles().first()).size(), 1);
        QCOMPARE(w.txtRestoredScan->text().isEmpty(), false);
        // The silent radio never answers the wake-up again: retries follow without a question.
        QTRY_COMPARE_WITH_TIMEOUT(w.txtRestoredScan->text(),
                                  QStringLiteral("Connect Failed - Waiting....."), Bound);
        QCOMPARE(program.messagesTitled("Failed to connect"), 0);
        w.chkRunForever->setChecked(false);
        QTRY_COMPARE_WITH_TIMEOUT(program.messagesTitled("Failed to connect"), 1, Bound);
        QTRY_COMPARE_WITH_TIMEOUT(app::modMain().LinkState, app::LinkIdle, Bound);
        QVERIFY(w.cmdConnect->isEnabled());
    }

    void closedFromTheRadioEndsTheScanAndReconnectsOnceTheSaveIsAnswered() {
        SimRadio radio;
        QVERIFY2(radio.start({"--closed-after", "200"}), qPrintable(radio.error()));
        LiveProgram program;
        app::frmSpecAn& w = program.load(&radio);
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.fileSaveDialog() && w.fileSaveDialog()->isVisible(), Bound);
        QVERIFY(!w.cmdScan->isEnabled());
        // The reconnect waits for the prompt: the recording is not replaced meanwhile.
        QTest::qWait(app::scaledMs(8000));
        QCOMPARE(app::modMain().LinkState, app::LinkIdle);
        answerSavePrompt(w, QStringLiteral("first"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(program.dataFile("first.dat")), Bound);
        QCOMPARE(program.records("first.dat").size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(app::modMain().ScanActive, Bound);
        QCOMPARE(app::modMain().LinkState, app::LinkScanning);
        w.cmdStopTest->click();
        QTRY_VERIFY_WITH_TIMEOUT(!app::modMain().ScanActive, Bound);
        answerSavePrompt(w, QString());
    }

    void refusedAccessCodeEndsTheScanAtTheWatchdog() {
        SimRadio radio;
        QVERIFY2(radio.start({"--pass-code", "AB12"}), qPrintable(radio.error()));
        LiveProgram program;
        app::frmSpecAn& w = program.load(&radio);
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.fileSaveDialog() && w.fileSaveDialog()->isVisible(), Bound);
        QVERIFY(radio.logLines().contains(QStringLiteral("closed")));
        QVERIFY(radio.levels().isEmpty());
        QCOMPARE(program.records("lastScan.dat").size(), 0);
        answerSavePrompt(w, QString());
        QTRY_VERIFY_WITH_TIMEOUT(w.isEnabled(), Bound);
        QCOMPARE(app::modMain().LinkState, app::LinkIdle);
    }

    void deafRadioAnsweredNoLeavesTheWindowIdleAndClosable() {
        SimRadio radio;
        QVERIFY2(radio.start({"--deaf"}), qPrintable(radio.error()));
        LiveProgram program;
        app::frmSpecAn& w = program.load(&radio);
        w.cmdConnect->click(); // returns once the question has been answered No
        QCOMPARE(program.messagesTitled("Failed to connect"), 1);
        QVERIFY(program.messages.last().text.contains(QStringLiteral("Com 1.")));
        QCOMPARE(w.txtTerm->toPlainText(), QStringLiteral("Connecting........"));
        QCOMPARE(app::modMain().LinkState, app::LinkIdle);
        QVERIFY(w.cmdConnect->isEnabled());
        QVERIFY(!w.msComm->PortOpen());
        QVERIFY(!w.tmrConnect->isActive());
        QVERIFY(w.close());
    }

    void quitConfirmedDuringAScanClosesAfterTheLoopIsRecorded() {
        SimRadio radio;
        QVERIFY2(radio.start(), qPrintable(radio.error()));
        LiveProgram program;
        app::frmSpecAn& w = program.load(&radio);
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(app::modMain().ScanActive, Bound);
        QVERIFY(!w.close()); // refused while scanning
        w.cmdClose->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.scanQuitDialog() && w.scanQuitDialog()->isVisible(), Bound);
        QVERIFY(!w.isEnabled());
        w.scanQuitDialog()->cmdYes->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), Bound);
        QVERIFY(!app::modMain().ScanActive);
        const QList<recording::ScanRecord> records = program.records("lastScan.dat");
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].LastCodes.size(), scan::ChannelCount);
        QVERIFY(!records[0].LastCodes.contains(' '));
    }

    void unpluggedAdapterEndsTheScanOnceAndKeepsTheLoops() {
        SimRadio radio;
        QVERIFY2(radio.start(), qPrintable(radio.error()));
        LiveProgram program;
        app::frmSpecAn& w = program.load(&radio);
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.LoopCount >= 2, Bound);
        radio.kill();
        QTRY_VERIFY_WITH_TIMEOUT(!app::modMain().ScanActive, Bound);
        QTRY_COMPARE_WITH_TIMEOUT(program.messagesTitled("Serial Port Error"), 1, Bound);
        answerSavePrompt(w, QStringLiteral("kept"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(program.dataFile("kept.dat")), Bound);
        QVERIFY(program.records("kept.dat").size() >= 1);
        QTest::qWait(app::scaledMs(4000));
        QCOMPARE(program.messagesTitled("Serial Port Error"), 1);
        QCOMPARE(app::modMain().LinkState, app::LinkIdle);
    }

    void saveNamesStayInsideTheDataFolder() {
        SimRadio radio;
        QVERIFY2(radio.start(), qPrintable(radio.error()));
        LiveProgram program;
        app::frmSpecAn& w = program.load(&radio);
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.LoopCount >= 2, Bound);
        w.cmdStopTest->click();
        QTRY_VERIFY_WITH_TIMEOUT(!app::modMain().ScanActive, Bound);
        QFile recording(program.dataFile("lastScan.dat"));
        QVERIFY(recording.open(QIODevice::ReadOnly));
        const QByteArray recorded = recording.readAll();
        recording.close();

        for (const QString& unsafe : {QStringLiteral("../escape"), QStringLiteral("sub/scan"),
                                      QStringLiteral("..\\up.dat")}) {
            const int before = program.messagesTitled("Save Scan");
            answerSavePrompt(w, unsafe);
            QTRY_COMPARE_WITH_TIMEOUT(program.messagesTitled("Save Scan"), before + 1, Bound);
        }
        QVERIFY(!QFile::exists(program.folder() + "/escape.dat"));
        QCOMPARE(program.dataFiles(), QStringList{"lastScan.dat"});

        answerSavePrompt(w, QStringLiteral("myscan"));
        QTRY_VERIFY_WITH_TIMEOUT(w.isEnabled(), Bound);
        QCOMPARE(program.dataFiles(), QStringList{"myscan.dat"});
        QFile saved(program.dataFile("myscan.dat"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), recorded);
        QCOMPARE(w.txtRestoredScan->text(), QStringLiteral("myscan.dat"));
        QVERIFY(w.txtRestoredScan->isVisible());
    }

    void failedSaveKeepsTheRecording() {
        SimRadio radio;
        QVERIFY2(radio.start(), qPrintable(radio.error()));
        LiveProgram program;
        QDir().mkpath(program.dataFile("taken.dat/inside"));
        app::frmSpecAn& w = program.load(&radio);
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.LoopCount >= 2, Bound);
        w.cmdStopTest->click();
        answerSavePrompt(w, QStringLiteral("taken.dat"));
        QTRY_COMPARE_WITH_TIMEOUT(program.messagesTitled("Filesystem Error"), 1, Bound);
        QTRY_VERIFY_WITH_TIMEOUT(w.isEnabled(), Bound);
        QCOMPARE(program.records("lastScan.dat").size(), 2);
    }

    void runForeverAtStartUpScansByItself() {
        SimRadio radio;
        QVERIFY2(radio.start(), qPrintable(radio.error()));
        LiveProgram program;
        program.setIni("DefaultSettings", "Forever", "1");
        app::frmSpecAn& w = program.load(&radio);
        QVERIFY(w.chkRunForever->isChecked());
        QVERIFY(w.tmrConnect->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(app::modMain().ScanActive, Bound);
        w.cmdStopTest->click();
        QTRY_VERIFY_WITH_TIMEOUT(!app::modMain().ScanActive, Bound);
        // "Run Forever" saves without asking.
        QTRY_COMPARE_WITH_TIMEOUT(program.dataFiles().size(), 1, Bound);
        QVERIFY(!w.fileSaveDialog());
        QCOMPARE(
            settings::IniFile(program.folder() + "/KorlanSpecAn.ini").ReadIni("Program", "Port"),
            QStringLiteral("1"));
    }

    void killedProgramKeepsEveryFinishedLoop() {
        SimRadio radio;
        QVERIFY2(radio.start(), qPrintable(radio.error()));
        LiveProgram program;
        program.mapPort(1, radio.device());
        program.setIni("Program", "Port", "1");
        QProcess analyser;
        analyser.start(QStringLiteral(SCAN_RUNNER), {program.folder()});
        QVERIFY(analyser.waitForStarted(Bound));
        const QString recording = program.dataFile("lastScan.dat");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(recording).size() >= 3 * recording::RecordLength, Bound);
        analyser.kill();
        QVERIFY(analyser.waitForFinished(Bound));

        const QList<recording::ScanRecord> records = program.records("lastScan.dat");
        QVERIFY(records.size() >= 3);
        QCOMPARE(QFileInfo(recording).size() % recording::RecordLength, 0);
        for (int n = 0; n < records.size(); ++n) {
            QCOMPARE(records[n].LoopNumber, n + 1);
            QVERIFY(!records[n].LastCodes.contains(' '));
            QVERIFY(!records[n].AverageCodes.contains(' '));
        }
    }

    void everyPortEntryWorksAlike() {
        SimRadio radio;
        QVERIFY2(radio.start(), qPrintable(radio.error()));
        LiveProgram program;
        program.mapPort(7, radio.device());
        program.mapPort(3, QStringLiteral("/nonexistent/tty"));
        app::frmSpecAn& w = program.load();
        QCOMPARE(program.messagesTitled("Serial Port Error"), 1);
        QCOMPARE(w.lblCurrentComPort->text(), QStringLiteral("Com ?"));
        QVERIFY(w.mnuCom[7]->isEnabled());
        QVERIFY(!w.mnuCom[3]->isEnabled());
        QCOMPARE(w.mnuCom[7]->toolTip(), radio.device());
        w.mnuCom[7]->trigger();
        QCOMPARE(app::modMain().ComPort, 7);
        QVERIFY(w.mnuCom[7]->isChecked());
        QCOMPARE(w.lblCurrentComPort->text(), QStringLiteral("Current Port: COM 7"));
        w.mnuCom[3]->setEnabled(true);
        w.mnuCom[3]->trigger(); // fails its test: nothing changes
        QCOMPARE(app::modMain().ComPort, 7);
        QVERIFY(!w.mnuCom[3]->isChecked());
        QVERIFY(w.mnuCom[7]->isChecked());
    }
};

QTEST_MAIN(TestLiveScan)
#include "tst_live_scan.moc"
