// SPDX-License-Identifier: MIT
#include "display/freq_axis.h"
#include "display/level_axis.h"
#include "display/plot_renderer.h"

#include <QTest>

#include <numeric>

using namespace display;

namespace {

// A plot whose numbers come out whole: slots of 90 twips (6 pixels: a 4-pixel bar and a 2-pixel
// gap), 3000 twips high for -40 to -120 dBm (2.5 pixels per dB). The picture is the client area
// inside the plot's two-pixel border: 196 rows.
constexpr int ChanWidth = 90;
constexpr int SlotPixels = 6;
constexpr int PlotHeightTwips = 3000;
constexpr int PictureRows = 196;
constexpr int Level100 = 80; // lands on row 100

const QColor Back(200, 200, 200);
const QColor Last(0, 100, 0);
const QColor Peak(255, 0, 0);
const QColor Average(0, 0, 255);
const QColor Pen(255, 0, 255);
const QColor Separator(100, 100, 100);

PlotGeometry geometry(int lowBandChannels = 0) {
    const LevelScale scale = ComputeLevelScale(-40, -120, PlotHeightTwips);
    return PlotGeometry{ChanWidth, 2,    scale.PixelsPerDb, scale.TwipsPerDb, lowBandChannels,
                        -40,       -120, PlotHeightTwips};
}

PlotOptions options(bool lineMode, bool peaks = false, bool averages = false) {
    return PlotOptions{lineMode, peaks, averages, true, true};
}

// Played back or skipped: drawn without the sweep cursor.
ChannelDraw recorded(int slot, int level, qint16 peakIn = 0, qint32 averageIn = 0,
                     int lowBandChannels = 0) {
    return ChannelDraw{channelOfSlot(slot, lowBandChannels), level, peakIn, averageIn, true, {}};
}

struct Plot {
    PlotRenderer renderer{QSize(128 * SlotPixels, PictureRows)};

    Plot() {
        renderer.setColors(ActiveColors{{}, Back, Last, Peak, Average});
        renderer.setPenColor(Pen);
        renderer.setSeparatorColor(Separator);
    }
    // Draws the channel; pixels may change only inside the rectangle reported for repainting.
    void draw(const PlotOptions& options, const ChannelDraw& channel, int lowBand = 0) {
        const QImage before = renderer.image().copy();
        const QRect dirty = renderer.DrawChannel(geometry(lowBand), options, channel).Dirty;
        for (int y = 0; y < PictureRows; ++y)
            for (int x = 0; x < before.width(); ++x)
                if (renderer.image().pixel(x, y) != before.pixel(x, y))
                    QVERIFY2(dirty.contains(x, y), qPrintable(QString("%1,%2").arg(x).arg(y)));
    }
    QColor at(int x, int y) const { return renderer.image().pixelColor(x, y); }
    QList<int> rowsOf(int x, const QColor& color) const {
        QList<int> rows;
        for (int y = 0; y < PictureRows; ++y)
            if (at(x, y) == color)
                rows << y;
        return rows;
    }
    // The rows of the Last, Peak and Average traces in a pixel column.
    QList<QList<int>> traces(int x) const {
        return {rowsOf(x, Last), rowsOf(x, Peak), rowsOf(x, Average)};
    }
};

} // namespace

class TestPlotRenderer : public QObject {
    Q_OBJECT

private slots:
    void lastBarRisesFromTheBottomToItsLevel_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("top");
        QTest::newRow("at the upper limit") << 40 << 0;
        QTest::newRow("half way") << Level100 << 100;
        QTest::newRow("at the lower limit") << 120 << PictureRows;
    }
    void lastBarRisesFromTheBottomToItsLevel() {
        QFETCH(int, level);
        QFETCH(int, top);
        QList<int> barRows(PictureRows - top);
        std::iota(barRows.begin(), barRows.end(), top);
        Plot plot;
        plot.draw(options(false), recorded(7, 40));
        plot.draw(options(false), recorded(7, level));
        for (int x = 7 * SlotPixels; x < 7 * SlotPixels + 4; ++x) {
            QCOMPARE(plot.rowsOf(x, Last), barRows);
            QCOMPARE(plot.rowsOf(x, Back).size(), top);
        }
    }

    void neighbouringBarsAreTwoPixelsApart() {
        Plot plot;
        for (int slot = 0; slot < 4; ++slot)
            plot.draw(options(false), recorded(slot, 40));
        QString pattern;
        for (int x = 0; x < 4 * SlotPixels; ++x)
            pattern += plot.at(x, 50) == Last ? QLatin1Char('#') : QLatin1Char('.');
        QCOMPARE(pattern, QStringLiteral("####..####..####..####.."));
    }

    void sweepCursorStandsOnePixelIntoTheNextSlotUntilItIsDrawn() {
        Plot plot;
        ChannelDraw channel = recorded(5, 120);
        channel.Recorded = false;
        plot.draw(options(false), channel);
        QCOMPARE(plot.rowsOf(6 * SlotPixels + 1, Pen).size(), PictureRows);
        QVERIFY(plot.rowsOf(6 * SlotPixels, Pen).isEmpty());

        plot.draw(options(false), recorded(6, 120));
        QVERIFY(plot.rowsOf(6 * SlotPixels + 1, Pen).isEmpty());
    }

    void liveScanShowsTwoPixelStrokesButASkippedChannelDrawsAnEmptySlot() {
        Plot plot;
        const PlotOptions live = options(false, true, true);
        ChannelDraw measured{channelOfSlot(9, 0), 60, 0, 0, false, {60, 50, 160, 2}};
        plot.draw(live, measured);
        const int x = 9 * SlotPixels + 1;
        QCOMPARE(plot.rowsOf(x, Peak), (QList<int>{24, 25}));      // Peak 50 dB, two pixels high
        QCOMPARE(plot.rowsOf(x, Average), (QList<int>{100, 101})); // 160 / 2 = 80 dB

        // Its group is switched off: the sweep draws it as 120 / 121 / 121.
        plot.draw(live, {measured.Chan, 120, 121, 121, true, measured.Reading});
        QCOMPARE(plot.rowsOf(x, Back).size(), PictureRows);
    }

    void lineTraceJoinsSlotCentres() {
        Plot plot;
        // Slot centres: slot 0 at 45 twips (pixel 3), slot 1 at 135 twips (pixel 9).
        plot.draw(options(true), recorded(0, Level100));
        plot.draw(options(true), recorded(1, 60));
        QCOMPARE(plot.renderer.LastPoint(), QPoint(135, 750));
        // Every row from 50 to 100 holds the segment within a pixel of the straight line.
        for (int y = 50; y <= 100; ++y) {
            const double ideal = 3 + (100 - y) * 6.0 / 50;
            QList<int> columns;
            for (int x = 0; x < 20; ++x)
                if (plot.at(x, y) == Last)
                    columns << x;
            QVERIFY2(!columns.isEmpty(), qPrintable(QString("row %1").arg(y)));
            for (int x : columns)
                QVERIFY2(std::abs(x - ideal) <= 1.0, qPrintable(QString("row %1").arg(y)));
        }
    }

    void slotZeroStartsEachTraceWithAPoint() {
        Plot plot;
        const PlotOptions all = options(true, true, true);
        plot.draw(all, recorded(30, 60, 60, 60));
        plot.draw(all, recorded(90, 45, 42, 43)); // the traces jump on from slot 30
        plot.draw(all, recorded(0, 80, 60, 100));
        const QList<QList<int>> point{{100}, {50}, {150}};
        QCOMPARE(plot.traces(3), point);
        QCOMPARE(plot.traces(4), QList<QList<int>>(3));

        plot.draw(all, recorded(1, 80, 60, 100));
        for (int x = 3; x <= 9; ++x)
            QCOMPARE(plot.traces(x), point);
    }

    void separatorComesBackAtTheNextGroupStart_data() {
        QTest::addColumn<int>("lowLimit");
        QTest::addColumn<int>("erasingSlot");
        QTest::addColumn<int>("column");
        // Separators stand one pixel left of the borders after slots 15, 31 and 47.
        QTest::newRow("after Grp 1") << 9022 << 15 << 95;
        QTest::newRow("after Lo 1") << 8958 << 15 << 95;
        QTest::newRow("after Lo 2") << 8958 << 31 << 191;
    }
    void separatorComesBackAtTheNextGroupStart() {
        QFETCH(int, lowLimit);
        QFETCH(int, erasingSlot);
        QFETCH(int, column);
        const scan::FrequencyLimits limits{lowLimit, 9276};
        const FreqAxis axis = BuildFreqAxis(limits, 0, 91 * slotCount(limits), PlotHeightTwips);
        const int lowBand = axis.LowBandChannels;
        Plot plot;
        plot.renderer.setSeparators(axis.Separators);
        QCOMPARE(plot.rowsOf(column, Separator).size(), PictureRows);
        // Bars leave it alone: it stands in a gap.
        for (int slot = erasingSlot; slot <= erasingSlot + 1; ++slot)
            plot.draw(options(false), recorded(slot, 40, 0, 0, lowBand), lowBand);
        QCOMPARE(plot.rowsOf(column, Separator).size(), PictureRows);

        // A trace erases it; the next group's first slot, drawn as a bar, draws it again.
        plot.draw(options(true), recorded(erasingSlot, 120, 0, 0, lowBand), lowBand);
        QCOMPARE(plot.at(column, 10), Back);
        plot.draw(options(false), recorded(erasingSlot + 1, 120, 0, 0, lowBand), lowBand);
        QCOMPARE(plot.rowsOf(column, Separator).size(), PictureRows);
    }
};

QTEST_MAIN(TestPlotRenderer)
#include "tst_plot_renderer.moc"
