// SPDX-License-Identifier: MIT
// The window watching a remote radio: a recorder publishes its loops through a Mosquitto broker of
// the test's own from the simulated radio, and the window, offscreen, chooses the site in its
// "Remote Radio" dialog, draws the loops as they arrive, leaves the recorder's radio alone, tells
// the site's status, goes back to the local radio and saves what arrived.
#include "app/frm_remote_radio.h"
#include "display/frm_waterfall.h"
#include "display/up_down.h"
#include "display/waterfall_view.h"
#include "fleet/loop_records.h"
#include "fleet/site_listener.h"
#include "live_program.h"
#include "recording/frm_dlg_file_save.h"
#include "recording/scan_file.h"
#include "tests/support/mqtt_broker.h"
#include "tests/support/program_process.h"

#include <QtTest>
#include <QtWidgets>

using app::frmRemoteRadio;
using testing::control;
using testing::LiveProgram;
using testing::ProgramProcess;

namespace {

constexpr int Bound = 30000; // ms
const QString Remote = QStringLiteral("Remote");

QStringList siteLines(const frmRemoteRadio& dialog) {
    QStringList lines;
    for (int row = 0; row < dialog.lstSites->count(); ++row)
        lines << dialog.lstSites->item(row)->text();
    return lines;
}

QList<recording::ScanRecord> recordsOf(const QString& path) {
    recording::ScanFile file;
    QList<recording::ScanRecord> records;
    if (!file.openForReading(path))
        return records;
    for (qint32 n = 1; n <= file.recordCount(); ++n)
        records << *file.readRecord(n);
    return records;
}

// A loop as the site sent it, whatever record number it got.
fleet::SiteLoop sent(const recording::ScanRecord& record, const QString& scan) {
    return fleet::siteLoopOfRecord(record, QStringLiteral("north"), scan)
        .value_or(fleet::SiteLoop{});
}

} // namespace

class tst_remote_view : public QObject {
    Q_OBJECT

private slots:
    void watchesASiteAsItsLoopsArrive();
    void aBrokerThatCannotBeReachedIsToldInTheDialog();
    void aRunningLocalScanIsNotLeftForARemoteOne();
    void aSiteNamedAtStartIsWatchedInsteadOfTheLocalRadio();
};

void tst_remote_view::watchesASiteAsItsLoopsArrive() {
    testing::MqttBroker broker;
    QVERIFY2(broker.start(), qPrintable(broker.error()));
    testing::SimRadio radio;
    QVERIFY2(radio.start({"--latency-ms", "3"}), qPrintable(radio.error()));
    QTemporaryDir recorded;
    ProgramProcess recorder(KORLAN_RECORD,
                            {"--device", radio.device(), "--loops", "12", "--output",
                             recorded.path(), "--publish", broker.url(), "--site", "north"});

    LiveProgram program;
    program.setIni(Remote, "Broker", broker.url());
    app::frmSpecAn& w = program.load();
    program.messages.clear();
    QSignalSpy connecting(&w.engine(), &engine::EngineThread::connecting);

    // The dialog connects to the broker it used last and lists the sites it hears of.
    control<QAction>(w, "mnuRemoteRadio")->trigger();
    frmRemoteRadio* dialog = w.remoteRadioDialog();
    QVERIFY(dialog && dialog->isVisible() && dialog->isModal());
    QCOMPARE(dialog->parentWidget(), &w);
    QCOMPARE(dialog->txtBroker->text(), broker.url());
    QTRY_COMPARE_WITH_TIMEOUT(siteLines(*dialog), QStringList{"north: online"}, Bound);
    QVERIFY(!dialog->cmdOK->isEnabled());
    dialog->lstSites->setCurrentRow(0);
    dialog->cmdOK->click();
    QTRY_VERIFY(!w.remoteRadioDialog());
    const app::RemoteView* remote = w.remoteView();
    QVERIFY(remote && remote->isListening());
    QCOMPARE(remote->site(), QStringLiteral("north"));
    QTRY_COMPARE(w.openScanPath(), remote->scanPath());

    // The waterfall follows the loops as the plot does.
    control<QAction>(w, "mnuWaterfall")->trigger();
    QVERIFY(w.waterfallWindow()->isVisible());

    // The newest loop is drawn as it arrives; Start and the radio's limits rest.
    auto* start = control<QPushButton>(w, "cmdConnect");
    QTRY_VERIFY_WITH_TIMEOUT(
        remote->loopCount() >= 2 && w.view().shownLoop().LoopNumber == remote->loopCount(), Bound);
    QCOMPARE(w.view().shownLoop().toBytes(), recordsOf(remote->scanPath()).last().toBytes());
    QVERIFY(control<QLabel>(w, "lblCount")->text().startsWith("Count: "));
    QCOMPARE(control<QLineEdit>(w, "txtRestoredScan")->text(), QStringLiteral("north: online"));
    QVERIFY(!start->isEnabled());
    QVERIFY(!control<display::UpDown>(w, "udFLLimit")->isEnabled());
    QVERIFY(!control<display::UpDown>(w, "udAtten")->isEnabled());
    QTest::mouseClick(start, Qt::LeftButton);
    const qint32 before = remote->loopCount();
    QTRY_VERIFY_WITH_TIMEOUT(remote->loopCount() > before, Bound);
    QVERIFY(connecting.isEmpty());
    QCOMPARE(w.engine().LinkState(), engine::LinkIdle);

    // A loop the site sends again (as it does when the store asks) is kept once: the site sends it
    // before its next loop, which the window then takes.
    const fleet::BrokerAddress address =
        std::get<fleet::BrokerAddress>(fleet::parseBrokerAddress(broker.url()));
    fleet::SiteListener observer(address, "north");
    QList<qint32> observed;
    connect(&observer, &fleet::SiteListener::loopReceived,
            [&observed](const fleet::SiteLoop& loop) { observed << loop.loop; });
    QString why;
    QVERIFY2(observer.start(&why), qPrintable(why));
    fleet::MqttClient asker(QString(), true);
    QVERIFY2(asker.start(address, QString(), &why), qPrintable(why));
    QTRY_VERIFY_WITH_TIMEOUT(observer.isConnected() && asker.isConnected(), Bound);
    const app::RemoteView::ArrivedLoop again = remote->arrived().first();
    asker.publish(address.resendTopic("north"), fleet::resendMessage({again.scan, {again.loop}}), 1,
                  false);
    QTRY_VERIFY_WITH_TIMEOUT(observed.contains(again.loop), Bound);
    QTRY_VERIFY_WITH_TIMEOUT(observed.last() != again.loop, Bound);

    // The recorder ends: its last loop arrives and the site is offline.
    QCOMPARE(recorder.finish(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!remote->arrived().isEmpty() && remote->arrived().last().loop == 12,
                             Bound);
    QTRY_COMPARE_WITH_TIMEOUT(control<QLineEdit>(w, "txtRestoredScan")->text(),
                              QStringLiteral("north: offline"), Bound);
    QTRY_COMPARE_WITH_TIMEOUT(w.view().shownLoop().LoopNumber, remote->loopCount(), Bound);
    QCOMPARE(w.waterfallWindow()->view->waterfall().loops(), qint64(remote->loopCount()));

    // Every loop that arrived is the loop the recorder saved, in order.
    const QStringList saved = QDir(recorded.path()).entryList({"20*.dat"}, QDir::Files);
    QCOMPARE(saved.size(), 1);
    const QList<recording::ScanRecord> expected =
        recordsOf(QDir(recorded.path()).filePath(saved[0]));
    QCOMPARE(expected.size(), 12);
    const QString scan = *fleet::fleetScanName(expected[0]);
    const QList<recording::ScanRecord> arrived = recordsOf(remote->scanPath());
    QCOMPARE(arrived.size(), remote->loopCount());
    for (int k = 0; k < arrived.size(); ++k) {
        const app::RemoteView::ArrivedLoop& which = remote->arrived()[k];
        QCOMPARE(which.scan, scan);
        QCOMPARE(which.loop, 12 - remote->loopCount() + k + 1);
        QCOMPARE(arrived[k].LoopNumber, k + 1);
        QCOMPARE(sent(arrived[k], scan), sent(expected[which.loop - 1], scan));
    }

    // One click goes back to the local radio; what arrived stays on display.
    control<QAction>(w, "mnuLocalRadio")->trigger();
    QVERIFY(!remote->isListening());
    QVERIFY(start->isEnabled());
    QVERIFY(control<display::UpDown>(w, "udFLLimit")->isEnabled());
    QCOMPARE(control<QLineEdit>(w, "txtRestoredScan")->text(), QStringLiteral("Local Radio"));
    QCOMPARE(program.ini().ReadIni(Remote, "Broker"), broker.url());

    // What arrived is saved as an ordinary scan, which plays back.
    control<QAction>(w, "mnuSaveRemote")->trigger();
    recording::frmDlgFileSave* save = w.remoteSaveDialog();
    QVERIFY(save && save->isVisible());
    QCOMPARE(save->txtFileName->text(), scan + "_north.dat");
    save->cmdSave->click();
    const QString savedPath = program.dataFile(scan + "_north.dat");
    QVERIFY(QFileInfo::exists(savedPath));
    QCOMPARE(recordsOf(savedPath).size(), arrived.size());
    QSignalSpy opened(&w.engine(), &engine::EngineThread::scanFileOpened);
    w.engine().OpenScanFile(savedPath, false);
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, Bound);
    QCOMPARE(opened[0][1].toLongLong(), qint64(arrived.size()));
    QCOMPARE(w.view().shownLoop().toBytes(), arrived.first().toBytes());
    QVERIFY(!w.remoteView()); // another scan lets the remote loops go
    QCOMPARE(program.messages.size(), 0);
}

void tst_remote_view::aBrokerThatCannotBeReachedIsToldInTheDialog() {
    testing::MqttBroker away; // never started: nothing listens on its port
    LiveProgram program;
    app::frmSpecAn& w = program.load();
    control<QAction>(w, "mnuRemoteRadio")->trigger();
    frmRemoteRadio* dialog = w.remoteRadioDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->txtBroker->text().isEmpty());

    dialog->txtBroker->setText("http://broker");
    dialog->cmdListen->click();
    QVERIFY(dialog->lblState->text().startsWith("Not a broker address"));

    dialog->txtBroker->setText(away.url());
    dialog->cmdListen->click();
    QTRY_VERIFY_WITH_TIMEOUT(dialog->lblState->text().contains("cannot be reached"), Bound);
    QCOMPARE(dialog->lstSites->count(), 0);
    QVERIFY(!dialog->cmdOK->isEnabled());

    // Cancel changes nothing.
    dialog->cmdCancel->click();
    QTRY_VERIFY(!w.remoteRadioDialog());
    QVERIFY(!w.remoteView());
    QVERIFY(control<QPushButton>(w, "cmdConnect")->isEnabled());
    QCOMPARE(program.ini().ReadIni(Remote, "Broker"), settings::NotSet);
}

void tst_remote_view::aRunningLocalScanIsNotLeftForARemoteOne() {
    testing::LiveScan live;
    app::frmSpecAn& w = live.load();
    control<QPushButton>(w, "cmdConnect")->click();
    QTRY_VERIFY_WITH_TIMEOUT(w.engine().ScanActive(), Bound);
    control<QAction>(w, "mnuRemoteRadio")->trigger();
    QVERIFY(!w.remoteRadioDialog());
    QCOMPARE(live.program.messagesTitled("Remote Radio"), 1);
    QVERIFY(w.engine().ScanActive());
}

void tst_remote_view::aSiteNamedAtStartIsWatchedInsteadOfTheLocalRadio() {
    testing::MqttBroker broker;
    QVERIFY2(broker.start(), qPrintable(broker.error()));
    LiveProgram program;
    program.setIni("DefaultSettings", "Forever", "1");
    app::frmSpecAn& w = program.load(
        nullptr, [&broker](app::frmSpecAn& window) { window.watchAtStart(broker.url(), "north"); });
    QVERIFY(w.remoteView() && w.remoteView()->isListening());
    QCOMPARE(w.remoteView()->site(), "north");
    QTRY_VERIFY_WITH_TIMEOUT(w.remoteView()->statusText().startsWith("north: "), Bound);
    // Run Forever's automatic start is not armed under the remote view.
    QVERIFY(!control<QPushButton>(w, "cmdConnect")->isEnabled());

    // An alarm the site publishes shows in the status box until its end comes.
    const auto address = std::get<fleet::BrokerAddress>(fleet::parseBrokerAddress(broker.url()));
    fleet::MqttClient site(QString(), true);
    QString why;
    QVERIFY2(site.start(address, QString(), &why), qPrintable(why));
    QTRY_VERIFY_WITH_TIMEOUT(site.isConnected(), Bound);
    site.publish(address.statusTopic("north"),
                 fleet::statusMessage({"north", true, "1.0", 9022, 9276}), 1, true);
    auto* box = control<QLineEdit>(w, "txtRestoredScan");
    QTRY_COMPARE_WITH_TIMEOUT(box->text(), QStringLiteral("north: online"), Bound);
    fleet::SiteAlarm alarm{
        "north", true, "Grp 3 >= -80 dBm for 3 loops", 12, QDateTime::currentDateTimeUtc(),
        9100,    -55};
    site.publish(address.alarmTopic("north"), fleet::alarmMessage(alarm), 1, false);
    QTRY_COMPARE_WITH_TIMEOUT(
        box->text(), QStringLiteral("ALARM Grp 3 >= -80 dBm for 3 loops since loop 12"), Bound);
    alarm.starts = false;
    alarm.loop = 15;
    site.publish(address.alarmTopic("north"), fleet::alarmMessage(alarm), 1, false);
    QTRY_COMPARE_WITH_TIMEOUT(box->text(), QStringLiteral("north: online"), Bound);
}

QTEST_MAIN(tst_remote_view)
#include "tst_remote_view.moc"
