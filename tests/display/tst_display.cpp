// SPDX-License-Identifier: MIT
// The plot's geometry (slots, axes, the status panel), its drawing, its colours from the
// settings file, and a compared scan's overlay.
#include "display/compare_overlay.h"
#include "display/display_colors.h"
#include "display/freq_axis.h"
#include "display/level_axis.h"
#include "display/plot_renderer.h"
#include "display/readout.h"
#include "display/status_layout.h"
#include "display/twips.h"
#include "tests/support/file_bytes.h"

#include <QFontMetrics>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <numeric>
#include <utility>

using namespace display;

Q_DECLARE_METATYPE(display::GraphMode)

namespace {

constexpr int PlotLeft = 1215;
constexpr int PlotHeight = 3195;

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
        const LevelScale scale = ComputeLevelScale(-40, -120, PlotHeightTwips);
        const PlotGeometry geometry{ChanWidth, 2,    scale.PixelsPerDb, scale.TwipsPerDb, lowBand,
                                    -40,       -120, PlotHeightTwips};
        const QRect dirty = renderer.DrawChannel(geometry, options, channel).Dirty;
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

const QColor Grey(109, 109, 109); // the system grey-text colour of the palettes below

QPalette greyTextPalette() {
    QPalette palette;
    palette.setColor(QPalette::Disabled, QPalette::WindowText, Grey);
    return palette;
}

QList<QColor> backLastPeakAverage(const ActiveColors& c) {
    return {c.Back, c.Last, c.Peak, c.Average};
}

} // namespace

class TestDisplay : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString iniWith(const QByteArray& text) {
        const QString path = m_dir.filePath(QStringLiteral("KorlanSpecAn.ini"));
        return testing::writeFile(path, text) ? path : QString();
    }

private slots:
    void slotCountFollowsTheLimits_data() {
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("expectedSlots");
        const int lows[] = {8958, 8990, 9022};
        const int highs[] = {9276, 9308, 9340};
        // Only the start-up range gets no spare slot: 25.4 / 0.2 falls just short of 127.
        const int expected[3][3] = {{161, 177, 193}, {145, 161, 177}, {128, 145, 161}};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                QTest::addRow("%d-%d", lows[i], highs[j]) << lows[i] << highs[j] << expected[i][j];
    }
    void slotCountFollowsTheLimits() {
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(int, expectedSlots);
        QCOMPARE(slotCount({low, high}), expectedSlots);
    }

    void plotWidthSnapsToWholeSlots() {
        const FreqAxis axis = BuildFreqAxis({9022, 9276}, PlotLeft, 11000, PlotHeight);
        QCOMPARE(axis.ChanWidth, 85);
        QCOMPARE(axis.PlotWidth, 10880);
        // 84.5 twips rounds to the even 84.
        QCOMPARE(BuildFreqAxis({9022, 9276}, PlotLeft, 10944, PlotHeight).ChanWidth, 84);
    }

    void axisBoxesAndSeparatorsFollowTheRange_data() {
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<bool>("lowBands");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QStringList>("lastTips");
        QTest::addColumn<std::vector<int>>("separators");
        const QStringList grp = {"Grp 1", "Grp 2", "Grp 3", "Grp 4",
                                 "Grp 5", "Grp 6", "Grp 7", "Grp 8"};
        // 85-twip slots, a separator one pixel left of each group border, none after the last.
        QTest::newRow("902.2 - 927.6")
            << 9022 << 9276 << false << grp
            << QStringList({"921.4 mHz - 924.4 mHz", "924.6 mHz - 927.6 mHz"})
            << std::vector<int>({1345, 2705, 4065, 5425, 6785, 8145, 9505});
        // 56-twip slots behind two low bands of 896 twips.
        QTest::newRow("895.8 - 934.0")
            << 8958 << 9340 << true << grp + QStringList({"Hi 1", "Hi 2"})
            << QStringList({"927.8 mHz - 930.8 mHz", "931.0 mHz - 934.0 mHz"})
            << std::vector<int>({2673, 3569, 4465, 5361, 6257, 7153, 8049, 8945, 9841});
    }
    void axisBoxesAndSeparatorsFollowTheRange() {
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(bool, lowBands);
        QFETCH(QStringList, captions);
        QFETCH(QStringList, lastTips);
        QFETCH(std::vector<int>, separators);
        const FreqAxis axis = BuildFreqAxis({low, high}, PlotLeft, 11000, PlotHeight);
        const int check = int(lowBands ? CheckChange::Check : CheckChange::Uncheck);
        QCOMPARE((QList<int>{axis.LowBand1.Visible, axis.LowBand2.Visible,
                             axis.Separators.Low1.has_value(), int(axis.LowBand1.Check),
                             int(axis.LowBand2.Check)}),
                 (QList<int>{lowBands, lowBands, lowBands, check, check}));
        if (lowBands) {
            QCOMPARE((QList<int>{axis.LowBand1.Left, axis.LowBand2.Left, *axis.Separators.Low1,
                                 *axis.Separators.Low2}),
                     (QList<int>{PlotLeft, PlotLeft + axis.GroupWidth, axis.GroupWidth - 15,
                                 2 * axis.GroupWidth - 15}));
            QCOMPARE((QStringList{axis.LowBand1.ToolTip, axis.LowBand2.ToolTip}),
                     (QStringList{"895.8 mHz - 898.8 mHz", "899.0 mHz - 902.0 mHz"}));
        }

        QStringList shown;
        for (const GroupBox& box : axis.Groups)
            shown << box.Caption;
        QCOMPARE(shown, captions);
        const int last = axis.groupCount();
        QCOMPARE((QStringList{axis.Groups[0].ToolTip, axis.Groups[1].ToolTip,
                              axis.Groups[last - 1].ToolTip, axis.Groups[last].ToolTip}),
                 QStringList({"902.2 mHz - 905.2 mHz", "905.4 mHz - 908.4 mHz"}) + lastTips);
        const int groupsLeft = PlotLeft + axis.LowBandChannels * axis.ChanWidth;
        QCOMPARE((QList<int>{axis.Groups[0].Left, axis.Groups.back().Left}),
                 (QList<int>{groupsLeft + 15, groupsLeft + last * axis.GroupWidth + 15}));
        QCOMPARE(axis.Separators.Group, separators);
    }

    void levelAxisDividesTheSpanInFiveDecibelSteps_data() {
        QTest::addColumn<int>("upper");
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("divisions");
        QTest::addColumn<QStringList>("labels"); // the first and the last
        QTest::newRow("-40 / -120") << -40 << -120 << 16 << QStringList{"-45", "-115"};
        QTest::newRow("-35 / -105") << -35 << -105 << 14 << QStringList{"-40", "-100"};
        QTest::newRow("-100 / -105") << -100 << -105 << 1 << QStringList();
    }
    void levelAxisDividesTheSpanInFiveDecibelSteps() {
        QFETCH(int, upper);
        QFETCH(int, lower);
        QFETCH(int, divisions);
        const LevelAxis axis = BuildLevelAxis(upper, lower, 360, PlotHeight, 195);
        QCOMPARE(axis.LevelDivisions, divisions);
        QCOMPARE(int(axis.Labels.size()), divisions - 1);
        QStringList labels;
        if (!axis.Labels.empty())
            labels << axis.Labels.front().Caption << axis.Labels.back().Caption;
        QTEST(labels, "labels");
        const LevelScale scale = ComputeLevelScale(upper, lower, PlotHeight);
        // The top edge is the upper limit, the bottom edge the lower one.
        QCOMPARE(levelRow(-upper, upper, scale.PixelsPerDb), 0);
        QCOMPARE(levelRow(-lower, upper, scale.PixelsPerDb), PlotHeight / 15);
    }

    void longerCountPushesElapsedRightAndDisplayTimeStaysRightAligned() {
        StatusLayoutInput input;
        input.Plot = QRect(PlotLeft, 360, 10880, PlotHeight);
        input.CurrentTimeHeight = 195;
        input.ScrollBarHeight = 255;
        input.LabelWidths = {1800, 2400, 600, 900, 1800};
        input.BlankWidth = 45;
        const StatusLayout live = LayoutStatusPanel(input);
        QCOMPARE(live.Strip.top(), 3540);
        QCOMPARE(live.ScrollBar.top(), 3795);
        input.LabelWidths[int(StatusLabel::Count)] = 1500; // "Count: 12 (130)"
        const StatusLayout playback = LayoutStatusPanel(input);
        QCOMPARE(playback.label(StatusLabel::Elapsed).x(),
                 live.label(StatusLabel::Elapsed).x() + 900);
        QCOMPARE(playback.label(StatusLabel::DisplayTime), live.label(StatusLabel::DisplayTime));
        QCOMPARE(playback.label(StatusLabel::DisplayTime).x() + 1800 + 60, playback.Strip.width());
    }

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

    // Opaque colours are written straight into the picture; a translucent one is blended over
    // what lies beneath, as a painter blends it.
    void translucentColoursBlendOverTheBackground() {
        Plot plot;
        const QColor glass(255, 0, 0, 128);
        plot.renderer.setColors(ActiveColors{{}, Back, glass, Peak, Average});
        plot.draw(options(false), recorded(3, Level100));
        QImage expected(1, 1, QImage::Format_RGB32);
        expected.fill(Back);
        QPainter(&expected).fillRect(0, 0, 1, 1, glass);
        QCOMPARE(plot.at(3 * SlotPixels, 150), expected.pixelColor(0, 0));
        QCOMPARE(plot.at(3 * SlotPixels, 50), Back);
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

    // A compared scan's Peak lies on the rows the level axis gives for its level, the rows the
    // plot's own Peak mark covers; a channel without a level leaves its slot as it was, and so
    // does one outside the slots on the plot. The colours stand apart from the plot's.
    void comparedLevelsLieOnTheLevelAxisRowsAndGapsStayUntouched() {
        const LevelScale levels = ComputeLevelScale(-40, -120, PlotHeightTwips);
        ComparisonScale scale;
        scale.Geometry = {ChanWidth, 2,    levels.PixelsPerDb, levels.TwipsPerDb, 0,
                          -40,       -120, PlotHeightTwips};
        scale.Slots = 120;
        scale.Colors = comparisonColors(ActiveColors{{}, Back, Last, Peak, Average});
        scale.Back = Back;
        Comparison comparison;
        comparison.Caption = QStringLiteral("compared: before.dat");
        // Slots 100 to 110 but 105 at -70 / -90 dBm; slot 115 alone; slot 125 past the plot's
        // slots.
        for (int slot : {100, 101, 102, 103, 104, 106, 107, 108, 109, 110, 115, 125}) {
            comparison.Levels.PeakDbm[channelOfSlot(slot, 0)] = -70;
            comparison.Levels.AverageDbm[channelOfSlot(slot, 0)] = -90;
        }
        QImage image(128 * SlotPixels, PictureRows, QImage::Format_RGB32);
        image.fill(Back);
        QPainter painter(&image);
        paintComparison(painter, scale, comparison);
        painter.end();

        const auto rowsIn = [&](int firstSlot, int lastSlot, const QColor& color) {
            QSet<int> rows;
            for (int x = firstSlot * SlotPixels; x < (lastSlot + 1) * SlotPixels; ++x)
                for (int y = 0; y < PictureRows; ++y)
                    if (image.pixelColor(x, y) == color)
                        rows << y;
            return rows;
        };
        const int peakRow = levelRow(70, -40, levels.PixelsPerDb); // 75
        for (const auto& [first, last] :
             std::initializer_list<std::pair<int, int>>{{100, 104}, {106, 110}, {115, 115}}) {
            const QSet<int> peaks = rowsIn(first, last, scale.Colors.Peak);
            QVERIFY2(!peaks.isEmpty(), qPrintable(QString::number(first)));
            for (int y : peaks)
                QVERIFY2(std::abs(y - peakRow) <= 1, qPrintable(QString::number(y)));
            QVERIFY(!rowsIn(first, last, scale.Colors.Average).isEmpty());
        }
        Plot plot;
        plot.draw(options(false, true), recorded(102, 100, 70));
        QVERIFY(plot.rowsOf(102 * SlotPixels, Peak).contains(peakRow));
        for (int slot : {105, 111, 114, 116, 125})
            QCOMPARE(rowsIn(slot, slot, Back).size(), PictureRows);

        for (const QColor& plotColor : {Back, Last, Peak, Average})
            QVERIFY(plotColor != scale.Colors.Peak && plotColor != scale.Colors.Average);
        // A plot whose Peak has the compared Peak's colour gets another.
        const ComparisonColors apart =
            comparisonColors(ActiveColors{{}, Back, Last, scale.Colors.Peak, Average});
        QVERIFY(apart.Peak != scale.Colors.Peak && apart.Average != apart.Peak);
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

    void eachModeReadsItsOwnKeys_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<GraphMode>("mode");
        QTest::addColumn<QList<QColor>>("colors"); // back, last, peak, average
        const QByteArray greenPeaks = "[DisplayColors]\nBPeak=65280\n";
        const auto colors = [](const QColor& back, const QColor& peak) {
            return QList<QColor>{back, Qt::black, peak, Qt::blue};
        };
        // clang-format off
        QTest::newRow("green bar peaks") << greenPeaks << GraphMode::Bar << colors(Grey, Qt::green);
        QTest::newRow("line peaks stay red") << greenPeaks << GraphMode::Line << colors(Grey, Qt::red);
        QTest::newRow("line peaks from their key") << greenPeaks + "LPeak=16776960\n"
            << GraphMode::Line << colors(Grey, Qt::cyan);
        QTest::newRow("empty background") << QByteArray("[DisplayColors]\nLBack=\n")
            << GraphMode::Line << colors(Grey, Qt::red);
        QTest::newRow("not a number") << QByteArray("[DisplayColors]\nBBack=white\nBPeak=red\n")
            << GraphMode::Bar << colors(Qt::black, Qt::black);
        QTest::newRow("beyond 32 bits") << QByteArray("[DisplayColors]\nBPeak=99999999999\n")
            << GraphMode::Bar << colors(Grey, Qt::red);
        // clang-format on
    }
    void eachModeReadsItsOwnKeys() {
        QFETCH(QByteArray, file);
        QFETCH(GraphMode, mode);
        const settings::IniFile ini(iniWith(file));
        QTEST(backLastPeakAverage(LoadDisplayColors(ini, mode, greyTextPalette())), "colors");
    }

    // Whatever size the font draws the caption at, each swatch lies after its word and before the
    // next, clear of both.
    void legendSwatchesNeverCoverTheirWords_data() {
        QTest::addColumn<qreal>("points");
        QTest::newRow("the plot's 6.75 point") << 6.75;
        QTest::newRow("the form's 8.25 point") << 8.25;
        QTest::newRow("a large screen font") << 14.0;
    }
    void legendSwatchesNeverCoverTheirWords() {
        QFETCH(qreal, points);
        QFont font;
        font.setPointSizeF(points);
        const QFontMetrics metrics(font);
        const QString caption = QStringLiteral("Last         Peak        Average       Back");
        const auto width = [&](const QString& text) {
            return metrics.horizontalAdvance(text) * TwipsPerPixel;
        };
        const LegendLayout layout = layoutLegend(caption, 60, width);
        int wordStart = 0;
        const QStringList words{"Last", "Peak", "Average", "Back"};
        for (int i = 0; i < 4; ++i) {
            const qsizetype at = caption.indexOf(words[i]);
            const int end = 60 + width(caption.left(at + words[i].size()));
            const int left = layout.SwatchLefts[i];
            QVERIFY2(left > end, qPrintable(words[i]));
            if (i + 1 < 4) {
                wordStart = 60 + width(caption.left(caption.indexOf(words[i + 1])));
                QVERIFY2(left + LegendSwatchSize < wordStart, qPrintable(words[i]));
            }
        }
        QVERIFY(layout.Width >= layout.SwatchLefts[3] + LegendSwatchSize);
        QVERIFY(layout.Width >= 3135);
    }

    void writingAModeStoresOnlyItsFourKeys() {
        const QByteArray before = "[Program]\nVersion=4\n\n[DisplayColors]\nBPeak=65280\n";
        settings::IniFile ini(iniWith(before));
        const ColorSet line{16777215, 128, 32768, 8388608};
        writeColorSet(ini, GraphMode::Line, line);
        QVERIFY(readColorSet(ini, GraphMode::Line) == line);
        QCOMPARE(readColorSet(ini, GraphMode::Bar).PeakColor, 65280);
        // In the palette's order: last, average, peak, background.
        QCOMPARE(testing::fileBytes(ini.path()), before +
                                                     "LLast=128\nLAverage=8388608\nLPeak=32768\n"
                                                     "LBack=16777215\n");
    }
};

QTEST_MAIN(TestDisplay)
#include "tst_display.moc"
