// SPDX-License-Identifier: MIT
#include "scan/channel_plan.h"
#include "scan/channel_state.h"

#include <QTest>

#include <climits>

using namespace scan;

Q_DECLARE_METATYPE(scan::ChannelVerdict)

class TestChannelPlan : public QObject {
    Q_OBJECT

private slots:
    void planEnds() {
        QCOMPARE(channelF10(0), 8958);
        QCOMPARE(channelF10(191), 9340);
        QCOMPARE(channelIndexFromF10(9022), 32);
        QCOMPARE(frequencyText(8958), QStringLiteral("895.8"));
        QCOMPARE(frequencyCaption(9276), QStringLiteral("927.6 mHz"));
    }

    void indexFromReportedMhz_data() {
        QTest::addColumn<double>("mhz");
        QTest::addColumn<int>("index");
        QTest::newRow("895.8") << 895.8 << 0;
        QTest::newRow("902.2") << 902.2 << 32;
        QTest::newRow("927.6") << 927.6 << 159;
        QTest::newRow("934.0") << 934.0 << 191;
        QTest::newRow("nearest channel") << 896.09 << 1;
        QTest::newRow("outside the plan") << 950.0 << 271;
        QTest::newRow("below the plan") << 800.0 << -479;
        QTest::newRow("absurd: overflows, no index") << 1e12 << INT_MIN;
    }
    void indexFromReportedMhz() {
        QFETCH(double, mhz);
        QFETCH(int, index);
        QCOMPARE(channelIndexFromMhz(mhz).value_or(INT_MIN), index);
    }

    void channelState_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("uncheck"); // -2 lo1, -1 lo2, 0..9 group element, 99 none
        QTest::addColumn<ChannelVerdict>("verdict");
        const auto M = ChannelVerdict::Measure, Off = ChannelVerdict::GroupOff,
                   Out = ChannelVerdict::OutOfRange;
        QTest::newRow("lo1 inside limits") << 0 << 8958 << 9340 << 99 << M;
        QTest::newRow("lo1 unchecked") << 15 << 8958 << 9340 << -2 << Off;
        QTest::newRow("lo1 outside limits, box ignored") << 0 << 9022 << 9276 << -2 << Out;
        QTest::newRow("lo1 outside when low limit 899.0") << 0 << 8990 << 9276 << 99 << Out;
        QTest::newRow("lo2 inside at 899.0") << 16 << 8990 << 9276 << 99 << M;
        QTest::newRow("lo2 unchecked") << 31 << 8990 << 9276 << -1 << Off;
        QTest::newRow("lo2 outside") << 31 << 9022 << 9276 << 99 << Out;
        QTest::newRow("grp1 first") << 32 << 9022 << 9276 << 99 << M;
        QTest::newRow("grp1 unchecked") << 47 << 9022 << 9276 << 0 << Off;
        QTest::newRow("grp2 first channel") << 48 << 9022 << 9276 << 1 << Off;
        QTest::newRow("grp8 last channel 927.6") << 159 << 9022 << 9276 << 7 << Off;
        QTest::newRow("hi1 outside") << 160 << 9022 << 9276 << 99 << Out;
        QTest::newRow("hi1 inside") << 160 << 9022 << 9308 << 99 << M;
        QTest::newRow("hi1 unchecked") << 175 << 9022 << 9308 << 8 << Off;
        QTest::newRow("hi2 outside at 930.8") << 176 << 9022 << 9308 << 99 << Out;
        QTest::newRow("hi2 inside") << 191 << 9022 << 9340 << 99 << M;
        QTest::newRow("hi2 unchecked") << 191 << 9022 << 9340 << 9 << Off;
    }
    void channelState() {
        QFETCH(int, index);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(int, uncheck);
        QFETCH(ChannelVerdict, verdict);
        GroupBoxes boxes;
        if (uncheck == -2)
            boxes.lowBand1 = false;
        else if (uncheck == -1)
            boxes.lowBand2 = false;
        else if (uncheck < 10)
            boxes.group[uncheck] = false;
        QCOMPARE(ChannelState(index, boxes, FrequencyLimits{low, high}), verdict);
    }

    void lowBandChannelsFollowTheLowerLimit() {
        QCOMPARE((FrequencyLimits{8958, 9276}.lowBandChannels()), 32);
        QCOMPARE((FrequencyLimits{8990, 9276}.lowBandChannels()), 16);
        QCOMPARE((FrequencyLimits{9022, 9276}.lowBandChannels()), 0);
    }
};

QTEST_APPLESS_MAIN(TestChannelPlan)
#include "tst_channel_plan.moc"
