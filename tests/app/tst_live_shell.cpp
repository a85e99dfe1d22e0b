// SPDX-License-Identifier: MIT
// The window's menu and closing around a live scan against the simulated radio: which entries a
// running scan disables, the close refused while connecting or scanning, nothing sent to the radio
// on the way out, and the port message when the radio's device has gone.
#include "live_program.h"

#include "radio/comm_port.h"
#include "recording/frm_dlg_file_save.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSerialPort>
#include <QTest>
#include <QTimer>

using namespace testing;

namespace {

constexpr int Bound = 30000; // ms; generous for a loaded machine

void declineSave(app::frmSpecAn& w) {
    QTRY_VERIFY_WITH_TIMEOUT(w.fileSaveDialog() && w.fileSaveDialog()->isVisible(), Bound);
    w.fileSaveDialog()->cmdNoSave->click();
    QTRY_VERIFY_WITH_TIMEOUT(w.isEnabled(), Bound);
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

class TestLiveShell : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { core::setTimeScale(0.1); }

    void menuEntriesThatWouldDisturbAScanAreDisabledWhileItRuns() {
        LiveScan live;
        QVERIFY2(live.started(), qPrintable(live.radio.error()));
        app::frmSpecAn& w = live.load();
        QCOMPARE(enabledEntries(w), "11111+1");
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(w.engine().ScanActive(), Bound);
        // The serial port menu stays disabled while the port is open and the scan runs.
        QCOMPARE(enabledEntries(w), "00000+0");
        w.cmdStopTest->click();
        declineSave(w);
        QVERIFY(!w.engine().ScanActive());
        // The port stays open after the scan: its menu comes back with the "Setting's" submenu.
        QCOMPARE(enabledEntries(w), "11110+1");
    }

    void closingIsRefusedWhileConnectingOrScanningAndTheWayOutSendsNothing() {
        LiveScan live;
        QVERIFY2(live.started(), qPrintable(live.radio.error()));
        app::frmSpecAn& w = live.load();
        // The connection runs inside the click; the attempt to close comes from the event loop.
        qint32 stateAtClose = -1;
        bool closedWhileConnecting = true;
        connect(&w.engine(), &engine::ScanEngine::connecting, this, [&] {
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

        w.cmdStopTest->click();
        declineSave(w);
        QVERIFY(w.close());
        QVERIFY(!w.engine().port().PortOpen());
        QVERIFY(!w.engine().scanFile().isOpen());

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
        QVERIFY2(live.started(), qPrintable(live.radio.error()));
        app::frmSpecAn& w = live.load();
        live.radio.kill();
        w.cmdConnect->click();
        QTRY_VERIFY_WITH_TIMEOUT(!live.program.messages.isEmpty(), Bound);
        const QString text = live.program.messages.last().text;
        QVERIFY2(text.contains(live.radio.device() + " does not exist"), qPrintable(text));
    }
};

QTEST_MAIN(TestLiveShell)
#include "tst_live_shell.moc"
