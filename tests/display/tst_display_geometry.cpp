// SPDX-License-Identifier: MIT
#include "display/freq_axis.h"
#include "display/level_axis.h"
#include "display/status_layout.h"

#include <QTest>

using namespace display;

namespace {

constexpr int PlotLeft = 1215;
constexpr int PlotHeight = 3195;

scan::FrequencyLimits limits(int low, int high) {
    return scan::FrequencyLimits{low, high};
}

} // namespace

class TestDisplayGeometry : public QObject {
    Q_OBJECT

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
        QCOMPARE(slotCount(limits(low, high)), expectedSlots);
    }

    void plotWidthSnapsToWholeSlots() {
        const FreqAxis axis = BuildFreqAxis(limits(9022, 9276), PlotLeft, 11000, PlotHeight);
        QCOMPARE(axis.ChanWidth, 85);
        QCOMPARE(axis.PlotWidth, 10880);
        // 84.5 twips rounds to the even 84.
        QCOMPARE(BuildFreqAxis(limits(9022, 9276), PlotLeft, 10944, PlotHeight).ChanWidth, 84);
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
        const FreqAxis axis = BuildFreqAxis(limits(low, high), PlotLeft, 11000, PlotHeight);
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
        QTest::addColumn<QString>("firstLabel");
        QTest::addColumn<QString>("lastLabel");
        QTest::newRow("-40 / -120") << -40 << -120 << 16 << "-45"
                                    << "-115";
        QTest::newRow("-35 / -105") << -35 << -105 << 14 << "-40"
                                    << "-100";
        QTest::newRow("-100 / -105") << -100 << -105 << 1 << QString() << QString();
    }
    void levelAxisDividesTheSpanInFiveDecibelSteps() {
        QFETCH(int, upper);
        QFETCH(int, lower);
        QFETCH(int, divisions);
        QFETCH(QString, firstLabel);
        QFETCH(QString, lastLabel);
        const LevelAxis axis = BuildLevelAxis(upper, lower, 360, PlotHeight, 195);
        QCOMPARE(axis.LevelDivisions, divisions);
        QCOMPARE(int(axis.Labels.size()), divisions - 1);
        if (divisions > 1) {
            QCOMPARE(axis.Labels.front().Caption, firstLabel);
            QCOMPARE(axis.Labels.back().Caption, lastLabel);
        }
        const LevelScale scale = ComputeLevelScale(upper, lower, PlotHeight);
        QCOMPARE(scale.TwipsPerDb, float(double(PlotHeight) / (upper - lower)));
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
};

QTEST_APPLESS_MAIN(TestDisplayGeometry)
#include "tst_display_geometry.moc"
