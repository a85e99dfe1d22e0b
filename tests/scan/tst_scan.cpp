// SPDX-License-Identifier: MIT
// The channel plan, the sweep's stepping from channel to channel, and the readings it keeps.
#include "scan/channel_plan.h"
#include "scan/channel_state.h"
#include "scan/channel_stepper.h"
#include "scan/readings.h"

#include <QTest>

#include <climits>
#include <numeric>

using namespace scan;

Q_DECLARE_METATYPE(scan::UpdateOutcome)
Q_DECLARE_METATYPE(scan::ChannelVerdict)

namespace {

QByteArray codes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

QList<int> fields(const ChannelReading& r) {
    return {r.Last, r.Peak, r.Sum, r.Count};
}

QList<int> range(int first, int last) {
    QList<int> indices(last - first + 1);
    std::iota(indices.begin(), indices.end(), first);
    return indices;
}

} // namespace

class TestScan : public QObject {
    Q_OBJECT

private slots:
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

    // A live reading is stored as its magnitude less the attenuation, with its codes; a level of
    // 0 or a channel outside the plan leaves no trace, live or recorded.
    void liveReadingsAreStoredCorrectedOrLeaveNoTrace_data() {
        QTest::addColumn<int>("chan");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("attenuation");
        QTest::addColumn<int>("stored"); // 0: ignored
        QTest::newRow("no attenuation") << 40 << -95 << 0 << 95;
        QTest::newRow("10 dB attenuator") << 40 << -95 << 10 << 85;
        QTest::newRow("negative attenuation ignored") << 40 << -95 << -5 << 95;
        QTest::newRow("positive level") << 40 << 40 << 0 << 40;
        QTest::newRow("attenuation beyond level") << 40 << -30 << 50 << -20;
        QTest::newRow("level 0") << 40 << 0 << 0 << 0;
        QTest::newRow("index below plan") << -1 << -90 << 0 << 0;
        QTest::newRow("index above plan") << 192 << -90 << 0 << 0;
    }
    void liveReadingsAreStoredCorrectedOrLeaveNoTrace() {
        QFETCH(int, chan);
        QFETCH(int, level);
        QFETCH(int, attenuation);
        QFETCH(int, stored);
        ReadingsModel model;
        QCOMPARE(model.UpdateChannelReading(chan, level, attenuation),
                 stored ? UpdateOutcome::Stored : UpdateOutcome::Ignored);
        const LoopCodes& c = model.codes();
        QCOMPARE((QByteArrayList{c.LastCodes, c.PeakCodes, c.AverageCodes}),
                 QByteArrayList(3, stored ? codes({std::abs(stored)}) : QByteArray()));
        int counted = 0;
        for (const ChannelReading& r : model.readings())
            counted += r.Count;
        QCOMPARE(counted, stored ? 1 : 0);
        if (stored)
            QCOMPARE(fields(model.reading(chan)), (QList<int>{stored, stored, stored, 1}));
        else
            QCOMPARE(ReadingsModel::checkRecorded(chan, level), UpdateOutcome::Ignored);
    }

    void peakKeepsTheStrongestAndAverageRoundsDown() {
        ReadingsModel model;
        model.UpdateChannelReading(7, -96, 0);
        model.UpdateChannelReading(7, -95, 0);
        model.UpdateChannelReading(7, -100, 0);
        QCOMPARE(fields(model.reading(7)), (QList<int>{100, 95, 291, 3}));
        // 191 / 2 = 95.5 gives code 95; 291 / 3 = 97
        QCOMPARE(model.codes().AverageCodes, codes({96, 95, 97}));
        QCOMPARE(model.codes().PeakCodes, codes({96, 95, 95}));
    }

    void overflowEndsTheReadingWhereItOccurs() {
        ReadingsModel model;
        // Beyond 16 bits: nothing stored.
        QCOMPARE(model.UpdateChannelReading(1, -40000, 0), UpdateOutcome::Failed);
        QCOMPARE(model.reading(1).Count, 0);
        QCOMPARE(model.UpdateChannelReading(1, std::numeric_limits<qint32>::min(), 0),
                 UpdateOutcome::Failed);
        // A magnitude beyond one byte is stored but yields no code.
        QCOMPARE(model.UpdateChannelReading(2, -300, 0), UpdateOutcome::Failed);
        QCOMPARE(model.reading(2).Last, qint16(300));
        QCOMPARE(model.reading(2).Count, 1);
        QVERIFY(model.codes().LastCodes.isEmpty());
        // The sum that would pass 32 bits stops before the count moves.
        ReadingsModel full;
        for (int i = 0; i < 65538; ++i)
            full.UpdateChannelReading(0, -32767, 0);
        QCOMPARE(full.reading(0).Sum, 2147483646);
        QCOMPARE(full.UpdateChannelReading(0, -32767, 0), UpdateOutcome::Failed);
        QCOMPARE(full.reading(0).Sum, 2147483646);
        QCOMPARE(full.reading(0).Count, 65538);
    }

    // From `from` (0: the first request of a scan) to the next channel to measure: the skip codes
    // appended on the way (all three fields alike), the skipped slots inside the limits drawn
    // empty, and the code lengths at which the plan wrapped and ended a loop.
    void stepperSkipsToTheNextMeasuredChannel_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<QString>("boxes"); // Lo 1, Lo 2, Grp 1 ... Grp 8, Hi 1, Hi 2
        QTest::addColumn<int>("codesBefore");
        QTest::addColumn<int>("next"); // 0: nothing to measure in a whole lap
        QTest::addColumn<QByteArray>("codesAfter");
        QTest::addColumn<QList<int>>("drawn");
        QTest::addColumn<QList<qsizetype>>("loopEnds");
        const QString all(12, '1');
        const QByteArray out32(32, char(OutOfRangeCode));
        // clang-format off
        QTest::newRow("start limits skip the low bands, outside: not drawn")
            << 0 << 9022 << 9276 << all << 0 << 9022 << out32 << QList<int>() << QList<qsizetype>();
        QTest::newRow("Lo 1 shown: the lowest channel first")
            << 0 << 8958 << 9340 << all << 0 << 8958 << QByteArray() << QList<int>() << QList<qsizetype>();
        QTest::newRow("a switched-off group inside the limits is drawn empty")
            << 9020 << 9022 << 9276 << "110111111111" << 0 << 9054 << QByteArray(16, char(GroupOffCode))
            << range(32, 47) << QList<qsizetype>();
        QTest::newRow("the wrap ends a full loop once")
            << 9276 << 9022 << 9276 << all << 160 << 9022 << out32 << QList<int>() << QList<qsizetype>{192};
        QTest::newRow("wrap after the top channel")
            << 9340 << 8958 << 9340 << all << 0 << 8958 << QByteArray() << QList<int>() << QList<qsizetype>{0};
        // Only "Hi 1" checked, but the upper limit hides it.
        QTest::newRow("nothing to measure stops after one lap")
            << 0 << 9022 << 9276 << "000000000010" << 0 << 0 << QByteArray(1, char(OutOfRangeCode))
            << range(32, 159) << QList<qsizetype>{192};
        // clang-format on
    }
    void stepperSkipsToTheNextMeasuredChannel() {
        QFETCH(int, from);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(QString, boxes);
        QFETCH(int, codesBefore);
        GroupBoxes on;
        on.lowBand1 = boxes[0] == '1';
        on.lowBand2 = boxes[1] == '1';
        for (int g = 0; g < 10; ++g)
            on.group[g] = boxes[2 + g] == '1';
        LoopCodes codes;
        codes.LastCodes = codes.PeakCodes = codes.AverageCodes = QByteArray(codesBefore, 'x');
        QList<int> drawn;
        QList<qsizetype> loopEnds;
        StepHooks hooks;
        hooks.endOfLoop = [&] {
            loopEnds.append(codes.LastCodes.size());
            codes.clear();
        };
        hooks.drawSkipped = [&](int index) { drawn.append(index); };
        QTEST(stepToNextChannel(from, codes, on, {low, high}, hooks).value_or(0), "next");
        QFETCH(QByteArray, codesAfter);
        QCOMPARE((QByteArrayList{codes.LastCodes, codes.PeakCodes, codes.AverageCodes}),
                 QByteArrayList(3, codesAfter));
        QTEST(drawn, "drawn");
        QTEST(loopEnds, "loopEnds");
    }
};

QTEST_APPLESS_MAIN(TestScan)
#include "tst_scan.moc"
