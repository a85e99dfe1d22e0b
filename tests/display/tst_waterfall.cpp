// SPDX-License-Identifier: MIT
// The waterfall: its picture of a scan (colours, rows that merge loops, live loops, time labels),
// the mapping of points to rows and channels, and the window that shows it.
#include "display/frm_waterfall.h"
#include "display/time_ticks.h"
#include "display/waterfall_image.h"
#include "display/waterfall_picture.h"
#include "display/waterfall_view.h"
#include "survey/level_codes.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scan_fixture.h"

#include <QLabel>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace display;
using testing::fileBytes;

namespace {

constexpr int Quiet = 108;
constexpr int Burst = 50;
constexpr int BurstChannel = 100; // 915.8 MHz

QByteArray quietLoop() {
    return testing::startupLoopCodes(Quiet);
}

QByteArray burstLoop(int level = Burst) {
    QByteArray codes = quietLoop();
    codes[BurstChannel] = char(level);
    return codes;
}

survey::Loop loopOf(qint32 n, const QByteArray& codes) {
    return *survey::loopOfRecord(testing::loopRecord(n, codes));
}

double distance(QRgb a, QRgb b) {
    return std::hypot(qRed(a) - qRed(b), qGreen(a) - qGreen(b), qBlue(a) - qBlue(b));
}

// The nearest a colour comes to one that a reading is drawn in.
double distanceFromReadings(QRgb colour, const QImage& rows) {
    double nearest = 1000;
    for (int code = 0; code <= scan::GroupOffCode; ++code)
        nearest = std::min(nearest, distance(colour, rows.color(code)));
    return nearest;
}

survey::LoopTime loopTime(const QDateTime& when) {
    return *survey::parseLoopTime(when.toString("MM-dd-yyyy  hh:mm:ss").toLatin1());
}

// CIE L*, the lightness the eye sees, of an sRGB colour.
double lightness(QRgb rgb) {
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double y =
        0.2126 * linear(qRed(rgb)) + 0.7152 * linear(qGreen(rgb)) + 0.0722 * linear(qBlue(rgb));
    return y > 0.008856 ? 116 * std::cbrt(y) - 16 : 903.3 * y;
}

// Levels that vary by loop and channel, with a few skipped channels and readings without level.
QByteArray variedCodes(int n) {
    QByteArray codes = testing::startupLoopCodes(Quiet);
    for (int c = 32; c < 160; ++c)
        codes[c] = char(60 + (n * 7 + c * 13) % 55);
    codes[40 + n % 5] = char(survey::NoReadingCode);
    if (n % 3 == 0)
        codes[70] = char(scan::GroupOffCode);
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

class TestWaterfall : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QWidget m_owner;

    // `loops` quiet loops with a -50 dBm burst in loop `burst` (0: none).
    QString writeScan(const QString& name, int loops, int burst) {
        testing::ScanFileWriter writer;
        const QString path = m_dir.filePath(name);
        if (!writer.create(path))
            return {};
        for (int n = 1; n <= loops; ++n)
            writer.append(n == burst ? burstLoop() : quietLoop());
        return path;
    }

private slots:
    // The colour table spans the scale with the viridis ends, its lightness rising with the
    // level; levels beyond the scale take its ends.
    void pixelColoursFollowTheLevelScale_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QRgb>("colour");
        const auto& map = levelColorMap();
        QTest::newRow("-120 dBm: weak end") << 120 << qRgb(0x44, 0x01, 0x54);
        QTest::newRow("-40 dBm: strong end") << 40 << qRgb(0xfd, 0xe7, 0x25);
        QTest::newRow("-130 dBm: below") << 130 << map[0];
        QTest::newRow("-30 dBm: above") << 30 << map[255];
    }
    void pixelColoursFollowTheLevelScale() {
        QFETCH(int, code);
        WaterfallImage waterfall(4);
        QVERIFY(waterfall.addLoop(loopOf(1, burstLoop(code))));
        QTEST(waterfall.image().pixel(BurstChannel, 0), "colour");
    }

    // Evenly: every step of the map changes the lightness by about the same small amount (8-bit
    // rounding leaves a few hundredths either way).
    void colourMapGetsLighterEvenlyWithTheLevel() {
        const auto& map = levelColorMap();
        for (std::size_t i = 1; i < map.size(); ++i) {
            const double step = lightness(map[i]) - lightness(map[i - 1]);
            QVERIFY2(step > -0.1 && step < 0.7, qPrintable(QString::number(i)));
        }
        QVERIFY(lightness(map[255]) - lightness(map[0]) > 70);
    }

    // At a glance: the white around the rows, a reading without a level, a switched-off group
    // and the weakest level lie far apart, and neither code without a level looks like a level.
    void readingsWithoutALevelStandApart() {
        const QImage rows = WaterfallImage().image();
        const QList<QRgb> apart{WaterfallStyle().Background.rgb(),
                                rows.color(survey::NoReadingCode), rows.color(scan::GroupOffCode),
                                levelColorMap()[0]};
        for (int i = 0; i < apart.size(); ++i)
            for (int j = i + 1; j < apart.size(); ++j)
                QVERIFY2(distance(apart[i], apart[j]) > 150,
                         qPrintable(QString("%1 %2").arg(i).arg(j)));
        for (const QRgb level : levelColorMap()) {
            QVERIFY(distance(level, apart[1]) > 80);
            QVERIFY(distance(level, apart[2]) > 80);
        }
    }

    // Rows are loops at uneven times. Each label names a multiple of the step and marks the first
    // row that started at or after it; labels lie at least two lines apart, and across midnight
    // they carry the date. A pause in the scan drops a label beside it, not the step's fineness.
    void timeLabelsMarkEvenTimes_data() {
        QTest::addColumn<QDateTime>("first");
        QTest::addColumn<QList<int>>("gaps"); // seconds between row starts, oldest first
        QTest::addColumn<double>("rowHeight");
        QTest::addColumn<int>("step");
        QTest::addColumn<QStringList>("ticks"); // "row label", when known
        const QDateTime afternoon(QDate(2024, 5, 1), QTime(14, 0, 7));
        QTest::newRow("a row a loop")
            << afternoon << QList<int>{9, 13, 2, 13, 14, 7, 11, 6, 12} << 16.0 << 30
            << QStringList{"0 14:01:30", "3 14:01:00", "6 14:00:30"};
        QList<int> night;
        for (int n = 0; n < 499; ++n)
            night << (n == 250 ? 2 * 3600 + 17 : 60 + n * 37 % 31);
        QTest::newRow("overnight, with a pause") << QDateTime(QDate(2024, 5, 1), QTime(18, 0, 5))
                                                 << night << 1.2 << 3600 << QStringList{};
    }
    void timeLabelsMarkEvenTimes() {
        QFETCH(QDateTime, first);
        QFETCH(QList<int>, gaps);
        QFETCH(double, rowHeight);
        std::vector<QDateTime> starts{first}; // oldest first
        for (const int gap : gaps)
            starts.push_back(starts.back().addSecs(gap));
        std::reverse(starts.begin(), starts.end());
        std::vector<survey::LoopTime> rowStarts;
        for (const QDateTime& start : starts)
            rowStarts.push_back(loopTime(start));
        const int spacing = 26;

        const TimeTicks axis = timeTicks(rowStarts, rowHeight, spacing);
        QTEST(axis.StepSeconds, "step");
        QVERIFY(axis.Ticks.size() >= 3);
        const bool overnight = starts.front().date() != starts.back().date();
        QStringList shown;
        for (int i = 0; i < axis.Ticks.size(); ++i) {
            const TimeTick& tick = axis.Ticks[i];
            shown << QString("%1 %2").arg(tick.Row).arg(tick.Label);
            const QDateTime at =
                overnight ? QDateTime::fromString("2024-" + tick.Label, "yyyy-MM-dd hh:mm")
                          : QDateTime(first.date(), QTime::fromString(tick.Label));
            QVERIFY2(at.isValid(), qPrintable(tick.Label));
            QCOMPARE(at.time().msecsSinceStartOfDay() / 1000 % axis.StepSeconds, 0);
            QVERIFY2(starts[tick.Row] >= at, qPrintable(tick.Label));
            const bool oldest = tick.Row + 1 == int(starts.size());
            QVERIFY2(oldest ? starts[tick.Row] == at : starts[tick.Row + 1] < at,
                     qPrintable(tick.Label));
            if (i > 0)
                QVERIFY((tick.Row - axis.Ticks[i - 1].Row) * rowHeight >= spacing);
        }
        QFETCH(QStringList, ticks);
        if (!ticks.isEmpty())
            QCOMPARE(shown, ticks);
    }

    // More loops than rows: every row covers the same number of loops and shows the strongest
    // level among them, so one loop's burst among 10,000 quiet loops stays on the picture, and
    // the pixel names the loop it came from.
    void oneStrongLoopAmongTenThousandQuietOnesStaysVisible() {
        const QString path = writeScan(QStringLiteral("burst.dat"), 10000, 6543);
        survey::ScanReader reader;
        QVERIFY(reader.open(path));
        WaterfallImage waterfall(300);
        waterfall.render(reader);
        QCOMPARE(waterfall.loops(), qint64(10000));
        QCOMPARE(waterfall.loopsPerRow(), qint64(34));
        QCOMPARE(waterfall.rowsUsed(), 295);
        const int burstRow = 295 - 1 - (6543 - 1) / 34;
        QCOMPARE(waterfall.firstLoopOfRow(burstRow), qint64(192 * 34 + 1));
        QCOMPARE(waterfall.code(burstRow, BurstChannel), uchar(Burst));
        QCOMPARE(waterfall.loopAt(burstRow, BurstChannel), 6543);
        int strongPixels = 0;
        for (int row = 0; row < waterfall.rowsUsed(); ++row)
            for (int c = 32; c < 160; ++c)
                strongPixels += waterfall.code(row, c) != Quiet;
        QCOMPARE(strongPixels, 1);
        QCOMPARE(waterfall.rowStart(0).text(),
                 testing::loopStart(9997).toString("MM-dd-yyyy  hh:mm:ss"));
        QCOMPARE(waterfall.span(), (survey::ChannelSpan{32, 159}));
    }

    // Loops added one by one give the same picture as the scan read at once whenever both come
    // to the same number of loops a row: every merge of rows keeps each row's strongest level.
    void liveLoopsMatchTheScanReadAtOnce_data() {
        QTest::addColumn<int>("loops");
        QTest::addColumn<int>("capacity");
        QTest::newRow("a row a loop") << 37 << 50;
        QTest::newRow("rows just full") << 50 << 50;
        QTest::newRow("eight loops a row") << 797 << 100;
    }
    void liveLoopsMatchTheScanReadAtOnce() {
        QFETCH(int, loops);
        QFETCH(int, capacity);
        const QString path = m_dir.filePath(QStringLiteral("varied.dat"));
        testing::ScanFileWriter writer;
        QVERIFY(writer.create(path));
        WaterfallImage live(capacity);
        for (int n = 1; n <= loops; ++n) {
            QVERIFY(writer.append(variedCodes(n)));
            QVERIFY(live.addLoop(loopOf(n, variedCodes(n))));
        }
        writer.close();
        survey::ScanReader reader;
        QVERIFY(reader.open(path));
        WaterfallImage whole(capacity);
        whole.render(reader);
        QCOMPARE(live.loopsPerRow(), whole.loopsPerRow());
        QCOMPARE(live.rowsUsed(), whole.rowsUsed());
        QCOMPARE(live.image(), whole.image());
        for (int row = 0; row < whole.rowsUsed(); ++row) {
            QCOMPARE(live.rowStart(row).text(), whole.rowStart(row).text());
            for (int c = 0; c < scan::ChannelCount; ++c)
                QCOMPARE(live.loopAt(row, c), whole.loopAt(row, c));
        }
    }

    // A short scan's rows grow to fill the plot, at most 16 pixels each; a point maps back to
    // the row and channel drawn there.
    void pointsMapToTheRowAndChannelDrawnThere_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("imageHeight");
        QTest::newRow("30 rows in 600") << 30 << 480;
        QTest::newRow("70 rows in 600") << 70 << 560;
        QTest::newRow("600 rows in 600") << 600 << 600;
    }
    void pointsMapToTheRowAndChannelDrawnThere() {
        QFETCH(int, rows);
        const WaterfallMapping map{QRect(50, 20, 512, 600), survey::ChannelSpan{32, 159}, rows};
        QTEST(map.imageHeight(), "imageHeight");
        const int top = 20, bottom = 20 + map.imageHeight() - 1;
        QCOMPARE((QList<int>{map.rowAt(top - 1), map.rowAt(top), map.rowAt(bottom),
                             map.rowAt(bottom + 1), map.rowAt(map.rowTop(rows / 2))}),
                 (QList<int>{-1, 0, rows - 1, -1, rows / 2}));
        QCOMPARE((QList<int>{map.channelAt(50), map.channelAt(53), map.channelAt(54),
                             map.channelAt(561), map.channelAt(562)}),
                 (QList<int>{32, 32, 33, 159, -1}));
    }

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
        QCOMPARE(QList<QVariantList>(clicks), QList<QVariantList>{{loop}});
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
        const qint64 before = w.view->waterfall().loopsPerRow();
        w.resize(w.width(), w.height() / 2);
        QTRY_VERIFY(w.view->waterfall().loopsPerRow() > before);
        QVERIFY(w.view->waterfall().rowsUsed() <= w.view->plotRows());
        QCOMPARE(w.view->waterfall().code(burstRow(), BurstChannel), uchar(Burst));
        QSignalSpy clicks(&w, &frmWaterfall::loopClicked);
        QTest::mouseClick(w.view, Qt::LeftButton, {}, pointOf(w.view, burstRow(), BurstChannel));
        QCOMPARE(QList<QVariantList>(clicks), QList<QVariantList>{{7777}});
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

    // A short scan leaves the window's plot room below its rows: nothing there comes near a
    // colour that a reading is drawn in.
    void theRoomBelowAShortScanNeverLooksLikeReadings() {
        frmWaterfall w(&m_owner);
        QVERIFY(w.openScan(writeScan(QStringLiteral("few.dat"), 5, 3)));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const WaterfallMapping map = w.view->mapping();
        QCOMPARE(map.imageHeight(), 5 * WaterfallMapping::MaxRowHeight);
        const QImage shown = w.view->grab().toImage();
        const QRect room(map.Plot.left(), map.Plot.top() + map.imageHeight(), map.Plot.width(),
                         map.Plot.height() - map.imageHeight());
        QVERIFY(room.height() > map.Plot.height() / 2);
        QSet<QRgb> colours;
        for (int y = room.top(); y <= room.bottom(); ++y)
            for (int x = room.left(); x <= room.right(); ++x)
                colours << shown.pixel(x, y);
        for (const QRgb colour : colours)
            QVERIFY2(distanceFromReadings(colour, w.view->waterfall().image()) > 80,
                     qPrintable(QString::number(colour, 16)));
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

QTEST_MAIN(TestWaterfall)
#include "tst_waterfall.moc"
