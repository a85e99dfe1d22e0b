// SPDX-License-Identifier: MIT
// Live scans end to end: the real window (offscreen) drives the simulated radio over a
// pseudo-terminal through its engine. What the window shows of a scan, saving it, the menu entries
// a running scan disables, the close refused while connecting or scanning, nothing sent to the
// radio on the way out, and the port message when the radio's device has gone. The protocol and
// the recording themselves are the engine's tests.
#include "live_program.h"

#include "display/frm_waterfall.h"
#include "display/plot_view.h"
#include "display/waterfall_view.h"
#include "radio/comm_port.h"
#include "recording/frm_dlg_file_save.h"
#include "scan/frm_scan_quit.h"
#include "tests/support/expected_loops.h"
#include "tests/support/file_bytes.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace testing;

namespace {

constexpr int Bound = 30000; // ms; generous for a loaded machine

QColor colorOf(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

// Saves under the name, or declines to save when it is empty.
void answerSavePrompt(app::frmSpecAn& w, const QString& name) {
    QTRY_VERIFY_WITH_TIMEOUT(w.fileSaveDialog() && w.fileSaveDialog()->isVisible(), Bound);
    if (name.isEmpty()) {
        w.fileSaveDialog()->cmdNoSave->click();
    } else {
        w.fileSaveDialog()->txtFileName->setText(name);
        w.fileSaveDialog()->cmdSave->click();
    }
}

// Which of the entries a scan governs are enabled, as the menu would show them.
QString enabledEntries(app::frmSpecAn& w) {
    QMetaObject::invokeMethod(&w, "mnuDisplay_Click");
    QString entries;
    for (QAction* entry : {w.mnuOpenSavedScan, w.mnuDisplayColor, w.mnuSaveSettings,
                           w.mnuRestoreSettings, w.mnuSerialPort->menuAction()})
        entries += entry->isEnabled() ? '1' : '0';
    QMetaObject::invokeMethod(&w, "mnuSettings_Click");
    return entries + (w.mnuSerialPort->isEnabled() ? "+1" : "+0");
}

} // namespace

class TestLiveScan : public QObject {
    Q_OBJECT

private slots:
    // The reply watchdog runs at its real 2 s, so that a loaded machine never trips it.
    void init() { core::setTimeScale(1.0); }

    // Looking back at a recorded loop while the scan goes on shows that loop in red and never
    // touches the readings the scan keeps recording; the end of the scroll bar is live again.
    void scrollingBackDuringAScanLeavesTheRecordingAsTheRadioAnsweredIt() {
        LiveScan live({"--seed", "7"});
        app::frmSpecAn& w = live.load();
        QSignalSpy loops(&w.engine(), &engine::EngineThread::loopEnded);
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.engine().ScanActive(), Bound);
        // While the first loop is measured the readout keeps its text.
        const QString designText = w.txtStatBox->toPlainText();
        if (w.engine().LoopCount() < 2) {
            QMouseEvent move(QEvent::MouseMove, QPointF(200, 50),
                             w.frDisplay->mapToGlobal(QPointF(200, 50)), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(w.frDisplay, &move);
            QCOMPARE(w.txtStatBox->toPlainText(), designText);
        }
        QTRY_VERIFY_WITH_TIMEOUT(loops.size() >= 2, Bound);
        QCOMPARE(w.lblCount->text(), QStringLiteral("Count: %1").arg(w.scrollTime->maximum()));

        // The waterfall follows the scan, a row a loop; the file it starts from may run ahead of
        // what the window has heard.
        w.mnuWaterfall->trigger();
        const auto waterfallLoops = [&w] { return w.waterfallWindow()->view->waterfall().loops(); };
        QVERIFY(waterfallLoops() >= loops.size());

        w.scrollTime->setValue(1);
        QVERIFY(!w.followingLive());
        QCOMPARE(colorOf(w.lblDisplayTime), app::RecordedColor);
        QCOMPARE(w.lblDisplayTime->text(), QString::fromLatin1(w.PlaybackRecord.LoopStartText));
        QCOMPARE(w.PlaybackRecord.LoopNumber, 1);
        const int shownAt = int(loops.size());
        QTRY_VERIFY_WITH_TIMEOUT(loops.size() >= shownAt + 2, Bound);
        QCOMPARE(w.scrollTime->value(), 1);
        QCOMPARE(w.lblCount->text(), QStringLiteral("Count: 1 (%1)").arg(w.scrollTime->maximum()));
        QVERIFY(w.cmdGotoEnd->isEnabled());
        QVERIFY(waterfallLoops() >= loops.size());

        w.cmdGotoEnd->click();
        QVERIFY(w.followingLive());
        QCOMPARE(colorOf(w.lblDisplayTime), app::LiveColor);
        qint32 last = 0; // the loop in progress when Stop reaches the engine
        connect(&w.engine(), &engine::EngineThread::stopping, this,
                [&] { last = w.engine().LoopCount(); });
        w.cmdStopTest->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w.engine().ScanActive(), Bound);
        answerSavePrompt(w, QStringLiteral("looked back"));
        QTRY_COMPARE_WITH_TIMEOUT(w.txtRestoredScan->text(), QStringLiteral("looked back.dat"),
                                  Bound);

        const QList<recording::ScanRecord> records = live.program.records("looked back.dat");
        QCOMPARE(records.size(), last);
        QCOMPARE(waterfallLoops(), last);
        QCOMPARE(mismatchWithTheRadio(records, live.radio.levels()), QString());
        // The saved scan is shown at its last loop.
        QCOMPARE(w.scrollTime->value(), last);
        QCOMPARE(w.PlaybackRecord.LoopNumber, last);
    }

    // A second scan in one session replays nothing of the first: its time stamp is blue from the
    // start and its peaks begin at the lower limit.
    void aSecondScanStartsLiveWithResetPeaks() {
        LiveScan live;
        app::frmSpecAn& w = live.load();
        QSignalSpy loops(&w.engine(), &engine::EngineThread::loopEnded);
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(loops.size() >= 2, Bound);
        w.cmdStopTest->click();
        answerSavePrompt(w, QString());
        QTRY_VERIFY_WITH_TIMEOUT(w.isEnabled(), Bound);

        QStringList atStart;
        connect(&w.engine(), &engine::EngineThread::scanStarted, this, [&] {
            atStart << (colorOf(w.lblDisplayTime) == app::LiveColor ? "blue" : "red")
                    << w.lblCount->text() << QString::number(w.scrollTime->maximum());
            for (const scan::ChannelReading& r : w.readings())
                if (r.Peak != 120 || r.Count != 0)
                    atStart << "reading left over";
        });
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(!atStart.isEmpty(), Bound);
        QCOMPARE(atStart, (QStringList{"blue", "Count: 0", "1"}));
        QVERIFY(w.followingLive());
        w.cmdStopTest->click();
        answerSavePrompt(w, QString());
    }

    // Yes lets the loop in progress finish and be recorded; the scan's name is asked for, and
    // the window closes once it is saved.
    void quitConfirmedDuringAScanClosesOnceTheLoopIsRecordedAndSaved() {
        LiveScan live;
        app::frmSpecAn& w = live.load();
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.engine().ScanActive(), Bound);
        QVERIFY(!w.close());  // refused while scanning
        qint32 stoppedIn = 0; // the loop in progress when the confirmed quit stops the scan
        connect(&w.engine(), &engine::EngineThread::stopping, this,
                [&] { stoppedIn = w.engine().LoopCount(); });
        w.cmdClose->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.scanQuitDialog() && w.scanQuitDialog()->isVisible(), Bound);
        QVERIFY(!w.isEnabled());
        w.scanQuitDialog()->cmdYes->click();
        answerSavePrompt(w, QStringLiteral("quit"));
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), Bound);
        QVERIFY(!w.engine().ScanActive());
        const QList<recording::ScanRecord> records = live.program.records("quit.dat");
        QCOMPARE(records.size(), stoppedIn);
        QCOMPARE(mismatchWithTheRadio(records, live.radio.levels()), QString());
    }

    // The window may be closed while the save prompt opens; the recording stays as it was
    // written.
    void windowClosedWhileTheSavePromptOpensKeepsTheRecording() {
        LiveScan live;
        app::frmSpecAn& w = live.load();
        QSignalSpy loops(&w.engine(), &engine::EngineThread::loopEnded);
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(loops.size() >= 1, Bound);
        connect(&w.engine(), &engine::EngineThread::scanEnded, &w,
                [&w] { QMetaObject::invokeMethod(&w, &QWidget::close, Qt::QueuedConnection); });
        w.cmdStopTest->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), Bound);
        QVERIFY(!w.fileSaveDialog());
        QCOMPARE(live.program.records("lastScan.dat").size(), w.engine().LoopCount());
    }

    // The prompt belongs to the window; a name outside the Data folder is refused and a save
    // that fails asks again, the recording kept all the while.
    void savePromptTakesOnlyNamesInTheDataFolderAndAsksAgainAfterAFailure() {
        LiveScan live;
        QDir().mkpath(live.program.dataFile("taken.dat/inside"));
        app::frmSpecAn& w = live.load();
        QSignalSpy loops(&w.engine(), &engine::EngineThread::loopEnded);
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(loops.size() >= 1, Bound);
        w.cmdStopTest->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.fileSaveDialog(), Bound);
        QVERIFY(w.fileSaveDialog()->isWindow() && w.fileSaveDialog()->parentWidget() == &w);
        const QByteArray recorded = testing::fileBytes(live.program.dataFile("lastScan.dat"));
        QVERIFY(!recorded.isEmpty());

        for (const QString& unsafe : {QStringLiteral("../escape"), QStringLiteral("sub/scan"),
                                      QStringLiteral("..\\up.dat")}) {
            const int before = live.program.messagesTitled("Save Scan");
            answerSavePrompt(w, unsafe);
            QTRY_COMPARE_WITH_TIMEOUT(live.program.messagesTitled("Save Scan"), before + 1, Bound);
        }
        answerSavePrompt(w, QStringLiteral("taken.dat"));
        QTRY_COMPARE_WITH_TIMEOUT(live.program.messagesTitled("Filesystem Error"), 1, Bound);
        QCOMPARE(live.program.dataFiles(), QStringList{"lastScan.dat"});

        answerSavePrompt(w, QStringLiteral("myscan"));
        QTRY_COMPARE_WITH_TIMEOUT(live.program.dataFiles(), QStringList{"myscan.dat"}, Bound);
        QVERIFY(w.isEnabled());
        QVERIFY(!QFile::exists(live.program.folder() + "/escape.dat"));
        QCOMPARE(testing::fileBytes(live.program.dataFile("myscan.dat")), recorded);
        QTRY_COMPARE_WITH_TIMEOUT(w.txtRestoredScan->text(), QStringLiteral("myscan.dat"), Bound);
        QVERIFY(w.txtRestoredScan->isVisible());
    }

    void runForeverAtStartUpScansByItselfAndSavesWithoutAsking() {
        core::setTimeScale(0.3); // the 10 s before the automatic start
        LiveScan live;
        live.program.setIni("DefaultSettings", "Forever", "1");
        app::frmSpecAn& w = live.load();
        QVERIFY(w.chkRunForever->isChecked());
        QSignalSpy loops(&w.engine(), &engine::EngineThread::loopEnded);
        QTRY_VERIFY_WITH_TIMEOUT(loops.size() >= 1, Bound);
        w.cmdStopTest->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w.engine().ScanActive(), Bound);
        QTRY_COMPARE_WITH_TIMEOUT(live.program.dataFiles().size(), 1, Bound);
        QVERIFY(!w.fileSaveDialog());
        QCOMPARE(live.program.ini().ReadIni("Program", "Port"), QStringLiteral("1"));
    }

    void everyPortEntryWorksAlike() {
        LiveScan live;
        live.program.mapPort(7, live.radio.device());
        live.program.mapPort(3, QStringLiteral("/nonexistent/tty"));
        app::frmSpecAn& w = live.program.load();
        QCOMPARE(live.program.messagesTitled("Serial Port Error"), 1);
        // The port in use and its label; "Com 7" and "Com 3": enabled, ticked.
        const auto ports = [&w] {
            return QStringLiteral("%1 %2 %3%4 %5%6")
                .arg(w.engine().ComPort())
                .arg(w.lblCurrentComPort->text())
                .arg(w.mnuCom[7]->isEnabled())
                .arg(w.mnuCom[7]->isChecked())
                .arg(w.mnuCom[3]->isEnabled())
                .arg(w.mnuCom[3]->isChecked());
        };
        QCOMPARE(ports(), "0 Com ? 10 00");
        QCOMPARE(w.mnuCom[7]->toolTip(), live.radio.device());
        w.mnuCom[7]->trigger();
        QCOMPARE(ports(), "7 Current Port: COM 7 11 00");
        w.mnuCom[3]->setEnabled(true);
        w.mnuCom[3]->trigger(); // fails its test: nothing changes
        QCOMPARE(ports(), "7 Current Port: COM 7 11 10");
    }

    // The entries that would disturb a scan are disabled while it runs, and so is closing while
    // it connects or scans; the way out sends the radio nothing.
    void menuEntriesAndClosingAreRefusedWhileAScanRunsAndTheWayOutSendsNothing() {
        LiveScan live;
        app::frmSpecAn& w = live.load();
        QCOMPARE(enabledEntries(w), "11111+1");
        // The connection runs inside the click; the attempt to close comes from the event loop.
        qint32 stateAtClose = -1;
        bool closedWhileConnecting = true;
        connect(&w.engine(), &engine::EngineThread::connecting, this, [&] {
            QTimer::singleShot(0, &w, [&] {
                stateAtClose = w.engine().LinkState();
                closedWhileConnecting = w.close();
            });
        });
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(stateAtClose != -1, Bound);
        QCOMPARE(stateAtClose, engine::LinkConnecting);
        QVERIFY(!closedWhileConnecting);
        QTRY_VERIFY_WITH_TIMEOUT(w.engine().ScanActive(), Bound);
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        // The serial port menu stays disabled while the port is open and the scan runs.
        QCOMPARE(enabledEntries(w), "00000+0");

        w.cmdStopTest->click();
        answerSavePrompt(w, QString());
        QTRY_VERIFY_WITH_TIMEOUT(w.isEnabled(), Bound);
        QVERIFY(!w.engine().ScanActive());
        // The port stays open after the scan: its menu comes back with the "Setting's" submenu.
        QCOMPARE(enabledEntries(w), "11110+1");
        QVERIFY(w.close());
        QVERIFY(!w.engine().portOpen());
        QVERIFY(w.engine().scanFilePath().isEmpty());

        // Whatever the program had sent, the radio has read before this later barrier.
        QSerialPort barrier(live.radio.device());
        QVERIFY(barrier.open(QIODevice::ReadWrite));
        barrier.write("barrier\r");
        QVERIFY(barrier.waitForBytesWritten(Bound));
        QTRY_VERIFY_WITH_TIMEOUT(live.radio.received().endsWith("barrier\r"), Bound);
        QVERIFY(live.radio.received().endsWith("RSSI!\rbarrier\r"));
    }

    void aVanishedRadioIsNamedInThePortMessage() {
        LiveScan live;
        app::frmSpecAn& w = live.load();
        live.radio.kill();
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(!live.program.messages.isEmpty(), Bound);
        const QString text = live.program.messages.last().text;
        QVERIFY2(text.contains(live.radio.device() + " does not exist"), qPrintable(text));
    }
};

QTEST_MAIN(TestLiveScan)
#include "tst_live_scan.moc"
