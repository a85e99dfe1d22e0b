// SPDX-License-Identifier: MIT
#include "display/waterfall_image.h"
#include "display/waterfall_picture.h"
#include "survey/level_codes.h"
#include "tests/support/scan_fixture.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace display;

namespace {

constexpr int Quiet = 108;
constexpr int Burst = 50;
constexpr int BurstChannel = 100;

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

survey::Loop loopOf(qint32 n, const QByteArray& codes) {
    return *survey::loopOfRecord(testing::loopRecord(n, codes));
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

} // namespace

class TestWaterfallImage : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // A scan of `loops` quiet loops with a burst in one of them (0: none).
    QString writeScan(int loops, int burstLoop, const QString& name) {
        const QString path = m_dir.filePath(name);
        testing::ScanFileWriter writer;
        if (!writer.create(path))
            return {};
        const QByteArray quiet = testing::startupLoopCodes(Quiet);
        QByteArray burst = quiet;
        burst[BurstChannel] = char(Burst);
        for (int n = 1; n <= loops; ++n)
            writer.append(n == burstLoop ? burst : quiet);
        return path;
    }

private slots:
    // The colour table spans the scale with the viridis ends, its lightness rising with the
    // level; levels beyond the scale take its ends; readings without a level are greys.
    void pixelColoursFollowTheLevelScale_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QRgb>("colour");
        const auto& map = levelColorMap();
        QTest::newRow("-120 dBm: weak end") << 120 << qRgb(0x44, 0x01, 0x54);
        QTest::newRow("-40 dBm: strong end") << 40 << qRgb(0xfd, 0xe7, 0x25);
        QTest::newRow("-80 dBm: middle") << 80 << map[128];
        QTest::newRow("-130 dBm: below") << 130 << map[0];
        QTest::newRow("-30 dBm: above") << 30 << map[255];
        QTest::newRow("no reading") << 0 << NoReadingColor;
        QTest::newRow("group off") << 200 << GroupOffColor;
    }
    void pixelColoursFollowTheLevelScale() {
        QFETCH(int, code);
        QByteArray codes = testing::startupLoopCodes(Quiet);
        codes[BurstChannel] = char(code);
        WaterfallImage waterfall(4);
        QVERIFY(waterfall.addLoop(loopOf(1, codes)));
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

    // More loops than rows: every row covers the same number of loops and shows the strongest
    // level among them, so one loop's burst among 10,000 quiet loops stays on the picture, and
    // the pixel names the loop it came from.
    void oneStrongLoopAmongTenThousandQuietOnesStaysVisible() {
        const QString path = writeScan(10000, 6543, QStringLiteral("burst.dat"));
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
        for (int row = 0; row < waterfall.rowsUsed(); ++row) {
            for (int c = 32; c < 160; ++c)
                strongPixels += waterfall.code(row, c) != Quiet;
        }
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

    void aLoopThatDoesNotFollowIsRefused() {
        WaterfallImage waterfall(10);
        const QByteArray quiet = testing::startupLoopCodes(Quiet);
        QVERIFY(waterfall.addLoop(loopOf(1, quiet)));
        QVERIFY(!waterfall.addLoop(loopOf(1, quiet)));
        QVERIFY(!waterfall.addLoop(loopOf(3, quiet)));
        QCOMPARE(waterfall.loops(), qint64(1));
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
};

QTEST_GUILESS_MAIN(TestWaterfallImage)
#include "tst_waterfall_image.moc"
