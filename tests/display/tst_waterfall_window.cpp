// SPDX-License-Identifier: MIT
#include "display/frm_waterfall.h"
#include "display/waterfall_view.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scan_fixture.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace display;
using testing::fileBytes;

namespace {

constexpr int Quiet = 108;
constexpr int BurstChannel = 100; // 915.8 MHz

QByteArray quietLoop() {
    return testing::startupLoopCodes(Quiet);
}

QByteArray burstLoop(int level) {
    QByteArray codes = quietLoop();
    codes[BurstChannel] = char(level);
    return codes;
}

// The centre of a pixel of the view's waterfall.
QPoint pointOf(const WaterfallView* view, int row, int channel) {
    const WaterfallMapping map = view->mapping();
    const int x = int((map.columnLeft(channel) + map.columnLeft(channel + 1)) / 2);
    const int y = (map.rowTop(row) + map.rowTop(row + 1)) / 2;
    return {x, y};
}

} // namespace

class TestWaterfallWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QWidget m_owner;

    // `loops` quiet loops with a -50 dBm burst in loop `burst`.
    QString writeScan(const QString& name, int loops, int burst) {
        testing::ScanFileWriter writer;
        const QString path = m_dir.filePath(name);
        if (!writer.create(path))
            return {};
        for (int n = 1; n <= loops; ++n)
            writer.append(n == burst ? burstLoop(50) : quietLoop());
        return path;
    }

private slots:
    // A window of its own in front of its owner. Hovering names the frequency, the loop's start,
    // the level and the loop; a click on a row reports the loop that gave the pixel its level.
    void hoverNamesTheReadingAndAClickItsLoop_data() {
        QTest::addColumn<int>("loop");
        QTest::addColumn<int>("channel");
        QTest::addColumn<QString>("hover");
        QTest::newRow("burst") << 12 << BurstChannel
                               << "915.8 MHz   05-01-2024  14:00:11   -50 dBm   loop 12";
        QTest::newRow("quiet") << 40 << 32
                               << "902.2 MHz   05-01-2024  14:00:39   -108 dBm   loop 40";
    }
    void hoverNamesTheReadingAndAClickItsLoop() {
        QFETCH(int, loop);
        QFETCH(int, channel);
        frmWaterfall w(&m_owner);
        QVERIFY(w.isWindow() && w.parentWidget() == &m_owner);
        QVERIFY(w.openScan(writeScan(QStringLiteral("short.dat"), 40, 12)));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.view->waterfall().loopsPerRow(), qint64(1));
        const QPoint point = pointOf(w.view, 40 - loop, channel);
        QSignalSpy hovers(&w, &frmWaterfall::hoverTextChanged);
        QTest::mouseMove(w.view, point);
        QTRY_VERIFY(!hovers.isEmpty());
        QTEST(w.hoverText(), "hover");
        QCOMPARE(w.lblHover->text(), w.hoverText());
        QSignalSpy clicks(&w, &frmWaterfall::loopClicked);
        QTest::mouseClick(w.view, Qt::LeftButton, {}, point);
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(clicks.first().first().toInt(), loop);
    }

    // 10,000 loops in a few hundred rows: the burst's row names it and a click on it shows its
    // loop; a smaller window reads the scan again into fewer rows, burst included.
    void aLongScanKeepsItsBurstAtEverySize() {
        frmWaterfall w(&m_owner);
        QVERIFY(w.openScan(writeScan(QStringLiteral("long.dat"), 10000, 7777)));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const auto burstRow = [&w] {
            const WaterfallImage& image = w.view->waterfall();
            return int(image.rowsUsed() - 1 - (7777 - 1) / image.loopsPerRow());
        };
        QTRY_VERIFY(w.view->waterfall().rowsUsed() <= w.view->plotRows());
        QVERIFY(w.view->waterfall().loopsPerRow() > 1);
        QCOMPARE(w.view->waterfall().code(burstRow(), BurstChannel), uchar(50));

        const qint64 before = w.view->waterfall().loopsPerRow();
        w.resize(w.width(), w.height() / 2);
        QTRY_VERIFY(w.view->waterfall().loopsPerRow() > before);
        QVERIFY(w.view->waterfall().rowsUsed() <= w.view->plotRows());
        QCOMPARE(w.view->waterfall().code(burstRow(), BurstChannel), uchar(50));
        QSignalSpy clicks(&w, &frmWaterfall::loopClicked);
        QTest::mouseClick(w.view, Qt::LeftButton, {}, pointOf(w.view, burstRow(), BurstChannel));
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(clicks.first().first().toInt(), 7777);
    }

    // A running scan: the window opens on the empty recording and gets each loop as it is
    // written; a loop shown already changes nothing, a loop after a gap has the file read again.
    void liveLoopsAppearAsTheyAreRecorded() {
        const QString path = m_dir.filePath(QStringLiteral("lastScan.dat"));
        testing::ScanFileWriter writer;
        QVERIFY(writer.create(path));
        frmWaterfall w(&m_owner);
        QVERIFY(w.openScan(path));
        QCOMPARE(w.view->waterfall().loops(), qint64(0));
        for (int n = 1; n <= 5; ++n) {
            QVERIFY(writer.append(burstLoop(100 - n)));
            w.appendLoop(testing::loopRecord(n, burstLoop(100 - n)));
        }
        QCOMPARE(w.view->waterfall().loops(), qint64(5));
        QCOMPARE(w.view->waterfall().code(0, BurstChannel), uchar(95));
        w.appendLoop(testing::loopRecord(5, burstLoop(60)));
        QCOMPARE(w.view->waterfall().code(0, BurstChannel), uchar(95));
        for (int n = 6; n <= 8; ++n)
            QVERIFY(writer.append(burstLoop(60 + n)));
        w.appendLoop(testing::loopRecord(8, burstLoop(68)));
        QTRY_COMPARE(w.view->waterfall().loops(), qint64(8));
        QCOMPARE(w.view->waterfall().code(0, BurstChannel), uchar(68));
    }

    // The rows a running scan adds one by one, each painted as it comes (the rows moving down
    // by one, or the top row merging more loops), look exactly as the same scan read at once.
    void liveRowsLookAsTheScanReadAtOnce_data() {
        QTest::addColumn<int>("loops");
        QTest::addColumn<int>("height");
        QTest::newRow("a row a loop") << 20 << 620;
        QTest::newRow("several loops a row") << 600 << 300;
    }
    void liveRowsLookAsTheScanReadAtOnce() {
        QFETCH(int, loops);
        QFETCH(int, height);
        const QString path = m_dir.filePath(QStringLiteral("growing.dat"));
        testing::ScanFileWriter writer;
        QVERIFY(writer.create(path));
        frmWaterfall live(&m_owner);
        live.resize(820, height);
        QVERIFY(live.openScan(path));
        live.show();
        QVERIFY(QTest::qWaitForWindowExposed(&live));
        QTRY_COMPARE(live.view->waterfall().capacity(), live.view->plotRows());
        for (int n = 1; n <= loops; ++n) {
            const QByteArray codes = burstLoop(60 + n % 50);
            QVERIFY(writer.append(codes));
            live.appendLoop(testing::loopRecord(n, codes));
            live.view->repaint();
        }
        // Taken before any event can have the scan read again.
        const QImage liveRows = live.view->grab().toImage();
        const qint64 loopsPerRow = live.view->waterfall().loopsPerRow();
        frmWaterfall whole(&m_owner);
        whole.resize(live.size());
        whole.show();
        QVERIFY(QTest::qWaitForWindowExposed(&whole));
        QVERIFY(whole.openScan(path));
        QCOMPARE(whole.view->size(), live.view->size());
        QCOMPARE(whole.view->waterfall().loopsPerRow(), loopsPerRow);
        QCOMPARE(liveRows, whole.view->grab().toImage());
    }

    // "Save Picture" writes a PNG named after the scan, and never over the scan.
    void savePictureNeverWritesOverTheScan() {
        const QString scan = writeScan(QStringLiteral("site.dat"), 30, 5);
        frmWaterfall w(&m_owner);
        QVERIFY(w.openScan(scan));
        QCOMPARE(w.defaultPictureName(), QStringLiteral("site_waterfall.png"));
        const QString png = m_dir.filePath(w.defaultPictureName());
        QVERIFY(w.savePicture(png));
        const QImage saved(png);
        QCOMPARE(saved.size(), w.picture().size());
        const QByteArray before = fileBytes(scan);
        QVERIFY(!w.savePicture(scan));
        QCOMPARE(fileBytes(scan), before);
        QVERIFY(w.lblHover->text().contains(QStringLiteral("is the scan itself")));
    }

    void aFileThatIsNotAScanLeavesTheWindowEmpty() {
        const QString path = m_dir.filePath(QStringLiteral("notes.txt"));
        QVERIFY(testing::writeFile(path, QByteArray(5000, 'n')));
        frmWaterfall w(&m_owner);
        QVERIFY(!w.openScan(path));
        QVERIFY(w.errorString().contains(QStringLiteral("is not a scan file")));
        QCOMPARE(w.view->waterfall().loops(), qint64(0));
        w.appendLoop(testing::loopRecord(1, quietLoop()));
        QCOMPARE(w.view->waterfall().loops(), qint64(0));
    }
};

QTEST_MAIN(TestWaterfallWindow)
#include "tst_waterfall_window.moc"
