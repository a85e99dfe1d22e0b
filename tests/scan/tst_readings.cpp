// SPDX-License-Identifier: MIT
#include "scan/channel_stepper.h"
#include "scan/readings.h"

#include <QTest>

using namespace scan;

Q_DECLARE_METATYPE(scan::UpdateOutcome)

namespace {

QByteArray codes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

} // namespace

class TestReadings : public QObject {
    Q_OBJECT

private slots:
    void liveReadingStoresCorrectedMagnitudeAndCodes_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("attenuation");
        QTest::addColumn<int>("stored");
        QTest::newRow("no attenuation") << -95 << 0 << 95;
        QTest::newRow("10 dB attenuator") << -95 << 10 << 85;
        QTest::newRow("negative attenuation ignored") << -95 << -5 << 95;
        QTest::newRow("positive level") << 40 << 0 << 40;
        QTest::newRow("attenuation beyond level") << -30 << 50 << -20;
    }
    void liveReadingStoresCorrectedMagnitudeAndCodes() {
        QFETCH(int, level);
        QFETCH(int, attenuation);
        QFETCH(int, stored);
        ReadingsModel model;
        QCOMPARE(model.UpdateChannelReading(40, level, attenuation), UpdateOutcome::Stored);
        const ChannelReading& r = model.reading(40);
        QCOMPARE(r.Last, stored);
        QCOMPARE(r.Peak, stored);
        QCOMPARE(r.Sum, stored);
        QCOMPARE(r.Count, 1);
        const QByteArray code = codes({std::abs(stored)});
        QCOMPARE(model.codes().LastCodes, code);
        QCOMPARE(model.codes().PeakCodes, code);
        QCOMPARE(model.codes().AverageCodes, code);
    }

    void ignoredReadingsLeaveNoTrace_data() {
        QTest::addColumn<int>("chan");
        QTest::addColumn<int>("level");
        QTest::newRow("level 0") << 40 << 0;
        QTest::newRow("index below plan") << -1 << -90;
        QTest::newRow("index above plan") << 192 << -90;
    }
    void ignoredReadingsLeaveNoTrace() {
        QFETCH(int, chan);
        QFETCH(int, level);
        ReadingsModel model;
        QCOMPARE(model.UpdateChannelReading(chan, level, 0), UpdateOutcome::Ignored);
        QCOMPARE(ReadingsModel::checkRecorded(chan, level), UpdateOutcome::Ignored);
        QVERIFY(model.codes().LastCodes.isEmpty());
        for (const ChannelReading& r : model.readings())
            QCOMPARE(r.Count, 0);
    }

    void peakKeepsTheStrongestAndAverageRoundsDown() {
        ReadingsModel model;
        model.UpdateChannelReading(7, -96, 0);
        model.UpdateChannelReading(7, -95, 0);
        QCOMPARE(model.reading(7).Peak, qint16(95));
        model.UpdateChannelReading(7, -100, 0);
        QCOMPARE(model.reading(7).Peak, qint16(95));
        QCOMPARE(model.reading(7).Sum, 291);
        // 191 / 2 = 95.5 gives code 95; 291 / 3 = 97
        QCOMPARE(model.codes().AverageCodes, codes({96, 95, 97}));
        QCOMPARE(model.codes().PeakCodes, codes({96, 95, 95}));
    }

    void resetPeaksStartsAtTheLowerLimit() {
        ReadingsModel model;
        model.ResetPeaks(-110);
        model.UpdateChannelReading(3, -115, 0);
        QCOMPARE(model.reading(3).Peak, qint16(110));
        QCOMPARE(model.codes().PeakCodes, codes({110}));
        model.UpdateChannelReading(3, -90, 0);
        QCOMPARE(model.reading(3).Peak, qint16(90));
    }

    void resetAveragesEmptiesSumAndCount() {
        ReadingsModel model;
        model.UpdateChannelReading(3, -90, 0);
        model.ResetAverages();
        QCOMPARE(model.reading(3).Sum, 0);
        QCOMPARE(model.reading(3).Count, 0);
        QCOMPARE(model.reading(3).Last, qint16(90));
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

    void playbackStoresRecordedCodes() {
        ReadingsModel model;
        model.storeRecorded(10, 90, 80, 85);
        QCOMPARE(model.reading(10).Sum, 85);
        QCOMPARE(model.reading(10).Count, 0);
        QVERIFY(model.codes().LastCodes.isEmpty());
        model.clear();
        QCOMPARE(model.reading(10).Last, qint16(0));
    }
};

class TestChannelStepper : public QObject {
    Q_OBJECT

    struct Trace {
        QList<int> skippedDrawn;
        QList<qsizetype> loopEndsAtCodeLength;
    };

    std::optional<int> step(int& freq, LoopCodes& codes, const GroupBoxes& boxes,
                            const FrequencyLimits& limits, Trace& trace) {
        StepHooks hooks;
        hooks.endOfLoop = [&] {
            trace.loopEndsAtCodeLength.append(codes.LastCodes.size());
            codes.clear();
        };
        hooks.drawSkipped = [&](int index) { trace.skippedDrawn.append(index); };
        return stepToNextChannel(freq, codes, boxes, limits, hooks);
    }

private slots:
    void firstRequestWithStartLimitsSkipsTheLowBands() {
        int freq = 0;
        LoopCodes codes;
        Trace trace;
        QCOMPARE(step(freq, codes, {}, {9022, 9276}, trace).value(), 9022);
        QCOMPARE(codes.LastCodes, QByteArray(32, char(OutOfRangeCode)));
        QCOMPARE(codes.PeakCodes, codes.LastCodes);
        QVERIFY(trace.skippedDrawn.isEmpty()); // outside the limits: nothing drawn
        QVERIFY(trace.loopEndsAtCodeLength.isEmpty());
    }

    void firstRequestIsLowestChannelWhenLo1Shown() {
        int freq = 0;
        LoopCodes codes;
        Trace trace;
        QCOMPARE(step(freq, codes, {}, {8958, 9340}, trace).value(), 8958);
        QVERIFY(codes.LastCodes.isEmpty());
    }

    void switchedOffGroupInsideLimitsIsDrawnEmpty() {
        int freq = 9020;
        LoopCodes codes;
        Trace trace;
        GroupBoxes boxes;
        boxes.group[0] = false;
        QCOMPARE(step(freq, codes, boxes, {9022, 9276}, trace).value(), 9054);
        QCOMPARE(codes.AverageCodes, QByteArray(16, char(GroupOffCode)));
        QCOMPARE(trace.skippedDrawn.size(), 16);
        QCOMPARE(trace.skippedDrawn.first(), 32);
    }

    void wrapEndsTheLoopOnceAfterAFullLoopOfCodes() {
        // Limits 902.2 - 927.6: after 927.6 the 32 high channels are skipped, then the plan wraps.
        int freq = 9276;
        LoopCodes codes;
        codes.LastCodes = QByteArray(160, 'x');
        codes.PeakCodes = codes.AverageCodes = codes.LastCodes;
        Trace trace;
        QCOMPARE(step(freq, codes, {}, {9022, 9276}, trace).value(), 9022);
        QCOMPARE(trace.loopEndsAtCodeLength, QList<qsizetype>{192});
        QCOMPARE(codes.LastCodes, QByteArray(32, char(OutOfRangeCode)));
    }

    void wrapAfterTopChannel() {
        int freq = 9340;
        LoopCodes codes;
        Trace trace;
        QCOMPARE(step(freq, codes, {}, {8958, 9340}, trace).value(), 8958);
        QCOMPARE(trace.loopEndsAtCodeLength.size(), 1);
    }

    void nothingSelectedStopsAfterOneLap() {
        // Only "Hi 1" checked, but the upper limit hides it: no channel can be measured.
        GroupBoxes boxes;
        boxes.lowBand1 = boxes.lowBand2 = false;
        boxes.group.fill(false);
        boxes.group[8] = true;
        int freq = 0;
        LoopCodes codes;
        Trace trace;
        QVERIFY(!step(freq, codes, boxes, {9022, 9276}, trace));
        QCOMPARE(trace.loopEndsAtCodeLength.size(), 1);
    }
};

int main(int argc, char** argv) {
    int status = 0;
    {
        TestReadings t;
        status |= QTest::qExec(&t, argc, argv);
    }
    {
        TestChannelStepper t;
        status |= QTest::qExec(&t, argc, argv);
    }
    return status;
}
#include "tst_readings.moc"
