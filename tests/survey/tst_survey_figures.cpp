// SPDX-License-Identifier: MIT
#include "survey/channel_groups.h"
#include "survey/report_csv.h"
#include "survey/survey_report.h"
#include "tests/support/scan_fixture.h"

#include <QTemporaryDir>
#include <QTest>

using namespace survey;

namespace {

using Codes = QList<int>;

CodeCounts countsOf(const Codes& codes) {
    CodeCounts counts;
    for (int code : codes)
        counts.add(static_cast<unsigned char>(code));
    return counts;
}

// Sets all 16 channels of the group with that caption.
void setGroup(QByteArray& loop, const QString& caption, unsigned char code) {
    for (const ChannelGroup& g : channelGroups()) {
        if (g.Caption == caption) {
            for (int c = g.FirstChannel; c <= g.lastChannel(); ++c)
                loop[c] = char(code);
        }
    }
}

QStringList rankedCaptions(const SurveyReport& report) {
    QStringList captions;
    for (const GroupFigures& g : report.Groups)
        captions << (g.Rank > 0 ? channelGroups()[g.Group].Caption
                                : channelGroups()[g.Group].Caption + QStringLiteral(" -"));
    return captions;
}

} // namespace

class TestSurveyFigures : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // Reads a scan written from loops of Last codes.
    SurveyCounts countsOfScan(const QList<QByteArray>& loops) {
        const QString path = m_dir.filePath(QStringLiteral("scan.dat"));
        testing::ScanFileWriter writer;
        if (!writer.create(path))
            return {};
        for (const QByteArray& loop : loops)
            writer.append(loop);
        writer.close();
        ScanReader reader;
        if (!reader.open(path))
            return {};
        return countLoops(reader);
    }

private slots:
    // Occupancy counts levels at or above the threshold among the readings that gave a level;
    // percentiles are nearest-rank over the levels in dBm; codes 0, 200 and 201 are no level.
    void figuresComeFromLevelsOnly_data() {
        QTest::addColumn<Codes>("codes");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<qint64>("measured");
        QTest::addColumn<qint64>("occupied");
        QTest::addColumn<int>("median");
        QTest::addColumn<int>("p90");
        QTest::addColumn<int>("strongest");
        // clang-format off
        QTest::newRow("one level")            << Codes{108} << -100 << 1LL << 0LL << -108 << -108 << -108;
        QTest::newRow("threshold inclusive")  << Codes{100, 101} << -100 << 2LL << 1LL << -101 << -100 << -100;
        QTest::newRow("ten levels")           << Codes{110, 109, 108, 107, 106, 105, 104, 103, 102, 60}
                                              << -100 << 10LL << 1LL << -106 << -102 << -60;
        QTest::newRow("even count: lower")    << Codes{90, 110} << -100 << 2LL << 1LL << -110 << -90 << -90;
        QTest::newRow("skips are no level")   << Codes{108, 0, 200, 201, 0} << -100 << 1LL << 0LL << -108 << -108 << -108;
        QTest::newRow("-32 dBm is a level")   << Codes{32, 108, 108} << -100 << 3LL << 1LL << -108 << -32 << -32;
        QTest::newRow("nothing measured")     << Codes{200, 201, 0} << -100 << 0LL << 0LL << 0 << 0 << 0;
        // clang-format on
    }
    void figuresComeFromLevelsOnly() {
        QFETCH(Codes, codes);
        QFETCH(int, threshold);
        const LevelFigures f = figuresOf(countsOf(codes), threshold);
        QCOMPARE(f.Readings, qint64(codes.size()));
        QTEST(f.Measured, "measured");
        QTEST(f.Occupied, "occupied");
        if (f.isMeasured()) {
            QTEST(f.MedianDbm, "median");
            QTEST(f.P90Dbm, "p90");
            QTEST(f.StrongestDbm, "strongest");
        }
    }

    // 1000 readings of one channel in 100 loops: exact percentiles from the histogram.
    void percentilesAreExactOverManyReadings() {
        CodeCounts counts;
        for (int i = 0; i < 1000; ++i)
            counts.add(static_cast<unsigned char>(110 - i % 20)); // -110 .. -91 dBm, 50 of each
        QCOMPARE(counts.percentileDbm(50), -101);                 // 500th of 1000 from the weakest
        QCOMPARE(counts.percentileDbm(90), -93);                  // 900th
        QCOMPARE(counts.percentileDbm(100), -91);
        QCOMPARE(counts.atOrAbove(-95), qint64(250));
    }

    // The quietest group leads; a group switched off in most loops ranks after every group
    // measured in nearly all of them, however quiet its few loops were; a group never measured
    // (off or outside the limits) is not ranked at all.
    void groupsRankQuietestFirstAndSkipsNeverCountAsQuiet() {
        QList<QByteArray> loops;
        for (int n = 0; n < 20; ++n) {
            QByteArray loop = testing::startupLoopCodes(108);
            setGroup(loop, "Grp 1", n % 2 ? 70 : 108); // half the loops busy
            setGroup(loop, "Grp 2", n < 2 ? 60 : 106); // busy twice
            setGroup(loop, "Grp 3", 112);              // quiet, but only measured twice
            if (n >= 2)
                setGroup(loop, "Grp 3", scan::GroupOffCode);
            setGroup(loop, "Grp 4", n == 7 ? 40 : 109);  // one burst
            setGroup(loop, "Grp 5", 110);                // the quietest
            setGroup(loop, "Grp 6", scan::GroupOffCode); // never measured
            setGroup(loop, "Grp 7", n % 4 ? 108 : 0);    // no reading every fourth loop
            loops << loop;
        }
        const SurveyReport report = makeReport(countsOfScan(loops), -100);
        QCOMPARE(report.Loops, qint64(20));
        QCOMPARE(rankedCaptions(report),
                 QStringList({"Grp 5", "Grp 8", "Grp 4", "Grp 2", "Grp 1", "Grp 3", "Grp 7",
                              "Lo 1 -", "Lo 2 -", "Grp 6 -", "Hi 1 -", "Hi 2 -"}));
        const GroupFigures& burst = report.Groups[2];
        QCOMPARE(burst.Figures.Occupied, qint64(16));
        QCOMPARE(burst.Figures.StrongestDbm, -40);
        QCOMPARE(recommendation(report),
                 QStringLiteral("Grp 5 (915.0-918.0 MHz) is the quietest: 0 % occupied, median "
                                "-110 dBm"));
    }

    void recommendationSaysWhenNoGroupWasWellMeasured() {
        QList<QByteArray> loops;
        for (int n = 0; n < 10; ++n) {
            QByteArray loop(scan::ChannelCount, char(scan::GroupOffCode));
            if (n == 0)
                setGroup(loop, "Grp 2", 104);
            loops << loop;
        }
        const SurveyReport report = makeReport(countsOfScan(loops), -100);
        QCOMPARE(recommendation(report),
                 QStringLiteral("Grp 2 (905.4-908.4 MHz) is the quietest: 0 % occupied, median "
                                "-104 dBm (but it gave a level in only 10 % of its readings)"));
    }

    void percentTextNeverRoundsAwayTheLastReadings_data() {
        QTest::addColumn<double>("share");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << 0.0 << "0 %";
        QTest::newRow("a trace") << 0.004 << "<1 %";
        QTest::newRow("two") << 0.021 << "2 %";
        QTest::newRow("almost all") << 0.996 << ">99 %";
        QTest::newRow("all") << 1.0 << "100 %";
    }
    void percentTextNeverRoundsAwayTheLastReadings() {
        QFETCH(double, share);
        QTEST(percentText(share), "text");
    }

    // The channels of the report are those inside the limits, Lo 2 included when only Lo 1 was
    // outside them; the CSV has a line per group in ranking order, then per channel.
    void reportCsvListsGroupsByRankThenTheSpanChannels() {
        QByteArray loop = testing::startupLoopCodes(108);
        for (int c = 16; c < 32; ++c)
            loop[c] = char(95);
        const SurveyReport report = makeReport(countsOfScan({loop, loop}), -100);
        QCOMPARE(report.Span.First, 16);
        QCOMPARE(report.Span.Last, 159);
        const QList<QByteArray> lines = reportCsv(report).split('\n');
        QCOMPARE(lines.size(), 1 + 12 + 144 + 1);
        QCOMPARE(lines[0], QByteArray("scope,name,first_mhz,last_mhz,rank,readings,measured,"
                                      "occupied,occupancy_percent,median_dbm,p90_dbm,"
                                      "strongest_dbm,threshold_dbm"));
        QCOMPARE(lines[1],
                 QByteArray("group,Grp 1,902.2,905.2,1,32,32,0,0.00,-108,-108,-108,-100"));
        QCOMPARE(lines[9], QByteArray("group,Lo 2,899.0,902.0,9,32,32,32,100.00,-95,-95,-95,-100"));
        QCOMPARE(lines[10], QByteArray("group,Lo 1,895.8,898.8,,32,0,0,,,,,-100"));
        QCOMPARE(lines[13], QByteArray("channel,899.0,899.0,899.0,,2,2,2,100.00,-95,-95,-95,-100"));
        QVERIFY(lines.last().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSurveyFigures)
#include "tst_survey_figures.moc"
