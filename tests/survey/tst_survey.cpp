// SPDX-License-Identifier: MIT
// Reading scan files for the survey (the loops as CSV, damaged files as far as they are whole, the
// final levels a comparison shows), the figures, ranking and report made of them, and the
// report's window.
#include "core/time_scale.h"
#include "survey/alarm_board.h"
#include "survey/alarm_rule.h"
#include "survey/alarm_watch.h"
#include "survey/channel_groups.h"
#include "survey/final_levels.h"
#include "survey/frm_survey_report.h"
#include "survey/level_codes.h"
#include "survey/report_csv.h"
#include "survey/rtl_power_csv.h"
#include "survey/run_counts.h"
#include "survey/scan_reader.h"
#include "survey/survey_report.h"
#include "tests/support/file_bytes.h"
#include "tests/support/pdf_reading.h"
#include "tests/support/scan_fixture.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace survey;
using testing::fileBytes;

namespace {

using Codes = QList<int>;

// Sets all 16 channels of the group with that caption.
void setGroup(QByteArray& loop, const QString& caption, unsigned char code) {
    for (const ChannelGroup& g : channelGroups()) {
        if (g.Caption == caption)
            for (int c = g.FirstChannel; c <= g.lastChannel(); ++c)
                loop[c] = char(code);
    }
}

// "Grp 1" steady at -95 dBm; "Grp 2" quiet but for a -80 dBm signal in one loop of ten; every
// other group busy at -85 dBm; outside the start-up limits as the recorder marks it.
QByteArray loopCodes(int n) {
    QByteArray codes = testing::startupLoopCodes(85);
    for (int c = 32; c < 48; ++c)
        codes[c] = char(95);
    for (int c = 48; c < 64; ++c)
        codes[c] = char(n % 10 == 3 ? 80 : 108);
    return codes;
}

QString cell(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

// A band of known statistics, loop by loop: every channel of the start-up limits at the noise
// floor of -110 dBm give or take 1 dB; in "Grp 3" channel 64 busy at -70 dBm in three loops of
// ten at random and channel 65 busy 15 loops out of every 60; "Grp 6" `grp6Level` dBm; in "Grp 4"
// a channel busy through the 14 o'clock hour. Loops begin 200 s apart.
class KnownBand {
public:
    static constexpr int Busy = 64;
    static constexpr int Bursty = 65;
    static constexpr int Hourly = 80;

    explicit KnownBand(int grp6Level) : m_grp6(grp6Level) {}

    Loop loop(int n) {
        Loop loop;
        loop.Number = n;
        const QDateTime start = QDateTime(QDate(2024, 5, 1), QTime(0, 0)).addSecs(200 * (n - 1));
        loop.Start = *parseLoopTime(start.toString("MM-dd-yyyy  hh:mm:ss").toLatin1());
        const QByteArray codes = testing::startupLoopCodes(110);
        std::copy(codes.begin(), codes.end(), loop.Last.begin());
        for (int c = 32; c < 160; ++c)
            loop.Last[c] = static_cast<unsigned char>(109 + next() % 3);
        for (int c = 112; c < 128; ++c)
            loop.Last[c] = static_cast<unsigned char>(-m_grp6);
        const bool busy = next() % 10 < 3;
        m_busyLoops += busy;
        loop.Last[Busy] = busy ? 70 : loop.Last[Busy];
        loop.Last[Bursty] = (n - 1) % 60 < 15 ? 70 : loop.Last[Bursty];
        loop.Last[Hourly] = start.time().hour() == 14 ? 80 : loop.Last[Hourly];
        return loop;
    }
    SurveyCounts counts(int loops) {
        SurveyCounts counts;
        for (int n = 1; n <= loops; ++n)
            counts.add(loop(n));
        return counts;
    }
    int busyLoops() const { return m_busyLoops; }

private:
    unsigned next() { return (m_seed = m_seed * 1103515245u + 12345u) >> 16; }
    int m_grp6;
    unsigned m_seed = 7;
    int m_busyLoops = 0;
};

} // namespace

class TestSurvey : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_path = m_dir.filePath(QStringLiteral("scan.dat"));
    QWidget m_owner;
    QString m_scan; // "site.dat", 20 loops of loopCodes(), for the report's window

    // Loops of Last codes, then `tail` as it is.
    void writeScan(const QList<QByteArray>& loops, const QByteArray& tail = {}) {
        testing::ScanFileWriter writer;
        QVERIFY(writer.create(m_path));
        for (const QByteArray& loop : loops)
            QVERIFY(writer.append(loop));
        QVERIFY(writer.appendRaw(tail));
    }
    SurveyCounts countsOfScan(const QList<QByteArray>& loops) {
        writeScan(loops);
        ScanReader reader;
        return reader.open(m_path) ? countLoops(reader) : SurveyCounts{};
    }
    QByteArray csvOf(ScanReader& reader) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString error;
        if (!writeLoopsCsv(reader, out, &error))
            return "write failed: " + error.toUtf8();
        return out.data();
    }

private slots:
    void initTestCase() {
        core::setTimeScale(0.05); // the report shows loops that come together after 100 ms
        m_scan = m_dir.filePath(QStringLiteral("site.dat"));
        testing::ScanFileWriter writer;
        QVERIFY(writer.create(m_scan));
        for (int n = 1; n <= 20; ++n)
            QVERIFY(writer.append(loopCodes(n)));
    }

    // A window of its own in front of its owner. The ranking follows the threshold without
    // reading the scan again: at -100 dBm the steady -95 dBm group is always occupied, at -90 dBm
    // never.
    void rankingFollowsTheThreshold_data() {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("recommendation");
        QTest::newRow("-100 dBm")
            << -100 << "Grp 2"
            << "Grp 2 (905.4-908.4 MHz) is the quietest: 10 % occupied (3-30 %), median -108 dBm";
        QTest::newRow("-90 dBm")
            << -90 << "Grp 1"
            << "Grp 1 (902.2-905.2 MHz) is the quietest: 0 % occupied (0-16 %), median -95 dBm";
    }
    void rankingFollowsTheThreshold() {
        QFETCH(int, threshold);
        frmSurveyReport w(&m_owner);
        QVERIFY(w.isWindow() && w.parentWidget() == &m_owner);
        QVERIFY2(w.openScan(m_scan), qPrintable(w.errorString()));
        w.udThreshold->setValue(threshold);
        QTEST(cell(w.tblGroups, 0, 1), "first");
        QCOMPARE(cell(w.tblGroups, 0, 0), QStringLiteral("1"));
        QTEST(w.lblRecommendation->text(), "recommendation");
        QCOMPARE(w.tblGroups->rowCount(), GroupCount);
        QCOMPARE(cell(w.tblGroups, GroupCount - 1, 3), QStringLiteral("not measured"));
        QCOMPARE(w.tblChannels->rowCount(), 128);
        QCOMPARE(cell(w.tblChannels, 0, 0), QStringLiteral("902.2"));
    }

    // A threshold over the measured floor (here the busy groups' -85 dBm, most channels being
    // theirs) and a link's boxes change the report at once; the method says how it was made.
    void floorAndLinkBoxesChangeTheReport() {
        frmSurveyReport w(&m_owner);
        QVERIFY2(w.openScan(m_scan), qPrintable(w.errorString()));
        w.chkFromFloor->click();
        QCOMPARE(w.udThreshold->value(), 10);
        QCOMPARE(w.threshold(), -75);
        QVERIFY(w.lblMethod->text().startsWith(
            "Occupied: a Last level at or above -75 dBm, 10 dB over the measured noise floor"));
        const int inMargin = w.tblGroups->columnCount() - 1;
        QCOMPARE(cell(w.tblGroups, 1, inMargin), QStringLiteral("-"));
        w.chkLink->click();
        w.udSignal->setValue(-70);
        w.udMargin->setValue(20);
        QCOMPARE(cell(w.tblGroups, 1, inMargin), QStringLiteral("10 % (3-30 %)")); // Grp 2
        QVERIFY(w.lblMethod->text().contains("Link: -70 dBm expected with a 20 dB margin"));
        QVERIFY(w.lblRecommendation->text().startsWith("Grp 1 (902.2-905.2 MHz) suits the link"));
    }

    // Loops of a running scan are counted as they come; after a gap the scan is read again.
    void liveLoopsAreCountedAsTheyCome() {
        const QString path = m_dir.filePath(QStringLiteral("lastScan.dat"));
        testing::ScanFileWriter writer;
        QVERIFY(writer.create(path));
        frmSurveyReport w(&m_owner);
        QVERIFY(w.openScan(path));
        QCOMPARE(w.report().Loops, qint64(0));
        QVERIFY(w.lblRecommendation->text().isEmpty());
        for (int n = 1; n <= 3; ++n) {
            QVERIFY(writer.append(loopCodes(n)));
            w.appendLoop(testing::loopRecord(n, loopCodes(n)));
        }
        w.appendLoop(testing::loopRecord(3, loopCodes(3)));
        QTRY_COMPARE(w.report().Loops, qint64(3));
        QVERIFY(writer.append(loopCodes(4)));
        QVERIFY(writer.append(loopCodes(5)));
        w.appendLoop(testing::loopRecord(5, loopCodes(5)));
        QTRY_COMPARE(w.report().Loops, qint64(5));
        QCOMPARE(w.lblSummary->text(),
                 QStringLiteral("5 loops from 05-01-2024  14:00:00 to 05-01-2024  14:00:04"));
    }

    // A loop's end changes the figures, not the tables: the rows stay, sorted as the user sorted
    // them, and only the cells whose text changed are written; they read as a report made of the
    // whole scan does.
    void aLoopEndWritesOnlyTheCellsThatChanged() {
        const QString path = m_dir.filePath(QStringLiteral("growing.dat"));
        testing::ScanFileWriter writer;
        QVERIFY(writer.create(path));
        for (int n = 1; n <= 20; ++n)
            QVERIFY(writer.append(loopCodes(n)));
        frmSurveyReport w(&m_owner);
        QVERIFY(w.openScan(path));
        w.tblChannels->sortItems(2, Qt::DescendingOrder);
        // By the channel's frequency, or the group's name: what a row stands for.
        const auto texts = [](const QTableWidget* table) {
            const int key = table->horizontalHeaderItem(0)->text() == "Rank" ? 1 : 0;
            QMap<QString, QStringList> rows;
            for (int row = 0; row < table->rowCount(); ++row) {
                QStringList cells;
                for (int column = 0; column < table->columnCount(); ++column)
                    cells << table->item(row, column)->text();
                rows.insert(cells[key], cells);
            }
            return rows;
        };
        const auto before = texts(w.tblChannels).values() + texts(w.tblGroups).values();
        const qint64 written = w.cellsWritten();
        QSignalSpy reset(w.tblChannels->model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserted(w.tblChannels->model(), &QAbstractItemModel::rowsInserted);
        QByteArray busy = loopCodes(21);
        setGroup(busy, QStringLiteral("Grp 3"), 70);
        QVERIFY(writer.append(busy));
        w.appendLoop(testing::loopRecord(21, busy));
        QTRY_COMPARE(w.report().Loops, qint64(21));
        QVERIFY(reset.isEmpty() && inserted.isEmpty());
        const auto after = texts(w.tblChannels).values() + texts(w.tblGroups).values();
        int changed = 0;
        for (int i = 0; i < before.size(); ++i)
            for (int column = 0; column < before[i].size(); ++column)
                changed += before[i][column] != after[i][column];
        QVERIFY(changed > 0);
        QCOMPARE(w.cellsWritten() - written, qint64(changed));
        QCOMPARE(w.tblChannels->horizontalHeader()->sortIndicatorSection(), 2);

        frmSurveyReport whole(&m_owner);
        QVERIFY(whole.openScan(path));
        QCOMPARE(texts(w.tblChannels), texts(whole.tblChannels));
        QCOMPARE(texts(w.tblGroups), texts(whole.tblGroups));
    }

    // Both CSV files are written whole beside the scan, never over it.
    void csvFilesNeverReplaceTheScan() {
        frmSurveyReport w(&m_owner);
        QVERIFY(w.openScan(m_scan));
        QCOMPARE(w.defaultReportName(), QStringLiteral("site_report.csv"));
        QCOMPARE(w.defaultLoopsName(), QStringLiteral("site.csv"));
        QVERIFY(w.saveReportCsv(m_dir.filePath(w.defaultReportName())));
        QVERIFY(w.saveLoopsCsv(m_dir.filePath(w.defaultLoopsName())));
        QCOMPARE(fileBytes(m_dir.filePath(w.defaultLoopsName())).count('\n'), 20);
        QVERIFY(fileBytes(m_dir.filePath(w.defaultReportName())).startsWith("scope,name,"));
        const QByteArray scan = fileBytes(m_scan);
        QVERIFY(!w.saveLoopsCsv(m_scan));
        QVERIFY(!w.saveReportCsv(m_scan));
        QCOMPARE(fileBytes(m_scan), scan);
        QVERIFY(w.lblStatus->text().contains(QStringLiteral("is the scan itself")));
    }

    // "Save PDF..." asks where, offering the scan's name beside it, and writes the report the
    // window shows: one or two pages with ink on each, whose text names the site and holds the
    // recommendation and the method at the threshold set.
    void savePdfWritesTheReportShown() {
        frmSurveyReport w(&m_owner);
        QVERIFY(w.openScan(m_scan));
        w.udThreshold->setValue(-90);
        const QString pdf = m_dir.filePath(QStringLiteral("hand-on.pdf"));
        QString offered;
        QTimer::singleShot(0, &w, [&] {
            QTRY_VERIFY(qobject_cast<QFileDialog*>(QApplication::activeModalWidget()));
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            offered = dialog->selectedFiles().value(0);
            dialog->selectFile(pdf);
            static_cast<QDialog*>(dialog)->accept(); // as its Save button does
        });
        w.cmdSavePdf->click();
        QCOMPARE(offered, m_dir.filePath(QStringLiteral("site_report.pdf")));
        QCOMPARE(w.lblStatus->text(), QStringLiteral("Saved ") + pdf);
        testing::PdfReading read;
        testing::readPdf(pdf, read);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(read.Pages >= 1 && read.Pages <= 2, qPrintable(QString::number(read.Pages)));
        for (const qint64 ink : read.Ink)
            QVERIFY2(ink > 5000, qPrintable(QString::number(ink)));
        for (const QString& said :
             {QStringLiteral("Site survey: site "), w.lblRecommendation->text(),
              QStringLiteral("Occupied: a Last level at or above -90 dBm, as set"),
              QStringLiteral("Revisit time: 1 s")}) {
            QVERIFY2(read.Text.contains(said),
                     qPrintable(said + QStringLiteral(" in ") + read.Text));
        }
    }

    // Occupancy counts levels at or above the threshold among the readings that gave a level;
    // percentiles are nearest-rank over the levels in dBm; codes 0, 200 and 201 are no level.
    void figuresComeFromLevelsOnly_data() {
        QTest::addColumn<Codes>("codes");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<QString>("figures"); // measured, occupied; median, 90th pct, strongest
        Codes many;                           // -110 .. -91 dBm, 50 readings of each
        for (int i = 0; i < 1000; ++i)
            many << 110 - i % 20;
        // clang-format off
        QTest::newRow("threshold inclusive")  << Codes{100, 101} << -100 << "2 1 -101 -100 -100";
        QTest::newRow("ten levels")           << Codes{110, 109, 108, 107, 106, 105, 104, 103, 102, 60}
                                              << -100 << "10 1 -106 -102 -60";
        QTest::newRow("even count: lower")    << Codes{90, 110} << -100 << "2 1 -110 -90 -90";
        QTest::newRow("skips are no level")   << Codes{108, 0, 200, 201, 0} << -100 << "1 0 -108 -108 -108";
        QTest::newRow("-32 dBm is a level")   << Codes{32, 108, 108} << -100 << "3 1 -108 -32 -32";
        QTest::newRow("nothing measured")     << Codes{200, 201, 0} << -100 << "0 0";
        // The 500th and 900th of 1000 from the weakest, exact from the histogram.
        QTest::newRow("1000 readings")        << many << -95 << "1000 250 -101 -93 -91";
        // clang-format on
    }
    void figuresComeFromLevelsOnly() {
        QFETCH(Codes, codes);
        QFETCH(int, threshold);
        CodeCounts counts;
        for (int code : codes)
            counts.add(static_cast<unsigned char>(code));
        const LevelFigures f = figuresOf(counts, threshold);
        QCOMPARE(f.Readings, qint64(codes.size()));
        QList<qint64> figures{f.Measured, f.Occupied};
        if (f.isMeasured())
            figures << f.MedianDbm << f.P90Dbm << f.StrongestDbm;
        QStringList texts;
        for (const qint64 n : figures)
            texts << QString::number(n);
        QTEST(texts.join(' '), "figures");
    }

    // The quietest groups lead, those the survey cannot tell apart sharing the first rank in
    // frequency order; a group switched off in most loops ranks after every group measured in
    // nearly all of them, however quiet its few loops were; a group never measured (off or
    // outside the limits) is not ranked at all.
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
        QStringList ranked; // in order, with the rank
        for (const GroupFigures& g : report.Groups)
            ranked << channelGroups()[g.Group].Caption + ' ' + QString::number(g.Rank);
        QCOMPARE(ranked,
                 QStringList({"Grp 4 1", "Grp 5 1", "Grp 8 1", "Grp 2 4", "Grp 1 5", "Grp 3 6",
                              "Grp 7 7", "Lo 1 0", "Lo 2 0", "Grp 6 0", "Hi 1 0", "Hi 2 0"}));
        const GroupFigures& burst = report.Groups[0];
        QCOMPARE(burst.Figures.Occupied, qint64(16));
        QCOMPARE(burst.Figures.StrongestDbm, -40);
        QCOMPARE(recommendation(report),
                 QStringLiteral("Grp 4, Grp 5 and Grp 8 are equally quiet: up to 5 % occupied, "
                                "median -110 to -108 dBm; the survey does not tell them apart"));
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
                 QStringLiteral("Grp 2 (905.4-908.4 MHz) is the quietest: 0 % occupied (0-79 %), "
                                "median -104 dBm (but it gave a level in only 10 % of its "
                                "readings)"));
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
                                      "strongest_dbm,threshold_dbm,occupancy_low_percent,"
                                      "occupancy_high_percent,floor_dbm,longest_run_loops,"
                                      "median_run_loops,band_occupancy_percent,busiest_hour,"
                                      "within_margin_percent,within_margin_low_percent,"
                                      "within_margin_high_percent"));
        QCOMPARE(lines[1], QByteArray("group,Grp 1,902.2,905.2,1,32,32,0,0.00,-108,-108,-108,-100,"
                                      "0.00,65.76,-108,0,,0.00,,,,"));
        QCOMPARE(lines[9], QByteArray("group,Lo 2,899.0,902.0,9,32,32,32,100.00,-95,-95,-95,-100,"
                                      "34.24,100.00,-95,2,2,100.00,,,,"));
        QCOMPARE(lines[10], QByteArray("group,Lo 1,895.8,898.8,,32,0,0,,,,,-100,,,,0,,,,,,"));
        QCOMPARE(lines[13], QByteArray("channel,899.0,899.0,899.0,,2,2,2,100.00,-95,-95,-95,-100,"
                                       "34.24,100.00,-95,2,2,,,,,"));
        QVERIFY(lines.last().isEmpty());
    }

    // A row per loop: ISO date and time, the span's first frequency and its last plus one step,
    // the step, one sample, then whole dBm; a channel without a level is "nan", so that every
    // row has as many numbers as (high - low) / step.
    void csvRowsFollowTheRtlPowerLayout() {
        QByteArray loop = testing::startupLoopCodes(108);
        loop[32] = char(60);
        loop[33] = char(0);                  // no reading
        loop[34] = char(scan::GroupOffCode); // group switched off
        loop[35] = char(32);                 // -32 dBm, not padding: more follows
        writeScan({loop, testing::startupLoopCodes(97)});
        ScanReader reader;
        QVERIFY2(reader.open(m_path), qPrintable(reader.errorString()));
        const QList<QByteArray> rows = csvOf(reader).split('\n');
        QCOMPARE(rows.size(), 3);
        QVERIFY(rows[0].startsWith("2024-05-01, 14:00:00, 902200000, 927800000, 200000, 1, "
                                   "-60, nan, nan, -32, -108, "));
        QVERIFY(rows[1].startsWith("2024-05-01, 14:00:01, 902200000, 927800000, 200000, 1, -97, "));
        const QList<QByteArray> fields = rows[1].split(',');
        QCOMPARE(fields.size(), 6 + (927800000 - 902200000) / 200000);
        QCOMPARE(fields.last().trimmed(), QByteArray("-97"));
        QCOMPARE(rows[2], QByteArray());
    }

    // The span reaches as far as the channels that no loop marked outside the limits.
    void csvSpanCoversTheChannelsInsideTheLimits_data() {
        QTest::addColumn<int>("lowOut");  // channels from 0 marked 201
        QTest::addColumn<int>("highOut"); // channels to 191 marked 201
        QTest::addColumn<QByteArray>("frequencies");
        QTest::newRow("widest") << 0 << 0 << QByteArray("895800000, 934200000");
        QTest::newRow("899.0 to 930.8") << 16 << 16 << QByteArray("899000000, 931000000");
    }
    void csvSpanCoversTheChannelsInsideTheLimits() {
        QFETCH(int, lowOut);
        QFETCH(int, highOut);
        QByteArray loop(scan::ChannelCount, char(105));
        for (int c = 0; c < lowOut; ++c)
            loop[c] = char(scan::OutOfRangeCode);
        for (int c = scan::ChannelCount - highOut; c < scan::ChannelCount; ++c)
            loop[c] = char(scan::OutOfRangeCode);
        writeScan({loop});
        ScanReader reader;
        QVERIFY(reader.open(m_path));
        const QByteArray row = csvOf(reader);
        QTEST(row.split(',').mid(2, 2).join(',').trimmed(), "frequencies");
    }

    // The trailing run of 32s is where the sweep did not reach: no level, not -32 dBm.
    // The floor comes back within 1 dB of where it is; a threshold over it follows it; every
    // share lies inside its interval, and a channel busy in long spells gets a wider one than a
    // channel as busy at random; band occupancy, revisit time, runs and the busiest hour are those
    // built in.
    void evidenceOfABandOfKnownStatistics() {
        KnownBand band(-110);
        ReportSettings settings;
        settings.Threshold = *ThresholdSetting::parse("floor+10", nullptr);
        settings.Link = LinkBudget{-75, 15};
        const SurveyReport report = makeReport(band.counts(600), settings);
        QVERIFY(report.FloorDbm && std::abs(*report.FloorDbm + 110) <= 1);
        QCOMPARE(report.ThresholdDbm, *report.FloorDbm + 10);
        QCOMPARE(report.RevisitSeconds, std::optional<qint64>(200));
        const auto channel = [&report](int c) { return report.Channels[c - report.Span.First]; };
        const ChannelFigures busy = channel(KnownBand::Busy);
        const ChannelFigures bursty = channel(KnownBand::Bursty);
        QCOMPARE(busy.Figures.Occupied, qint64(band.busyLoops()));
        QVERIFY(busy.Interval.Low < 0.3 && 0.3 < busy.Interval.High);
        QVERIFY(bursty.Interval.Low < 0.25 && 0.25 < bursty.Interval.High);
        QVERIFY(bursty.Interval.High - bursty.Interval.Low >
                2 * (busy.Interval.High - busy.Interval.Low));
        QCOMPARE(bursty.Runs.Longest, qint64(15));
        QCOMPARE(RunCounts::lengthText(bursty.Runs.MedianClass), QStringLiteral("9-15"));
        QCOMPARE(channel(KnownBand::Hourly).Runs.Longest, qint64(18));

        const auto group = [&report](const QString& caption) {
            return *std::find_if(report.Groups.begin(), report.Groups.end(), [&](const auto& g) {
                return channelGroups()[g.Group].Caption == caption;
            });
        };
        const GroupFigures grp3 = group("Grp 3");
        QCOMPARE(grp3.BandOccupancy, (busy.Figures.occupancy() + 0.25) / 16);
        const double eitherBusy = *grp3.WithinMargin;
        QVERIFY(eitherBusy > 0.25 && eitherBusy < 0.55);
        QVERIFY(grp3.MarginInterval.Low < eitherBusy && eitherBusy < grp3.MarginInterval.High);
        QCOMPARE(group("Grp 4").BusiestHour, std::optional<int>(14));
        QCOMPARE(group("Grp 1").WithinMargin, std::optional<double>(0));
        QVERIFY(grp3.Rank > group("Grp 1").Rank);
    }

    // Groups built alike are reported tied, in frequency order; a group 10 dB quieter is named
    // alone.
    void onlyTheDataSeparatesGroups_data() {
        QTest::addColumn<int>("grp6Level");
        QTest::addColumn<QString>("recommendation");
        QTest::newRow("alike") << -110
                               << "Grp 1, Grp 2, Grp 4, Grp 5, Grp 6, Grp 7 and Grp 8 are equally "
                                  "quiet: under 1 % occupied, median -110 dBm; the survey does "
                                  "not tell them apart";
        QTest::newRow("one quieter") << -120
                                     << "Grp 6 (918.2-921.2 MHz) is the quietest: 0 % occupied "
                                        "(0-1 %), median -120 dBm";
    }
    void onlyTheDataSeparatesGroups() {
        QFETCH(int, grp6Level);
        KnownBand band(grp6Level);
        const SurveyCounts counts = band.counts(600);
        for (int refresh = 0; refresh < 2; ++refresh)
            QTEST(recommendation(makeReport(counts, DefaultThresholdDbm)), "recommendation");
    }

    // Runs at every threshold from one pass: a loop without a level ends them, a run still going
    // counts, a group holds the runs of its channels.
    void runsAreKeptForEveryThreshold() {
        RunCounts runs;
        for (const int code : {70, 70, 70, 108, 60, 60, 108, 108, 80, 0, 80, 80})
            runs.add(static_cast<unsigned char>(code));
        const auto figures = [](const RunCounts& r, int dbm) {
            const RunCounts::Figures f = r.figures(dbm);
            return QStringLiteral("%1 %2 %3")
                .arg(f.Runs)
                .arg(f.Longest)
                .arg(f.MedianClass < 0 ? QStringLiteral("-")
                                       : RunCounts::lengthText(f.MedianClass));
        };
        QCOMPARE(figures(runs, -100), QStringLiteral("4 3 2"));
        QCOMPARE(figures(runs, -75), QStringLiteral("2 3 2"));
        QCOMPARE(figures(runs, -65), QStringLiteral("1 2 2"));
        QCOMPARE(figures(runs, -50), QStringLiteral("0 0 -"));
        RunCounts group;
        group.add(runs);
        group.add(runs);
        QCOMPARE(figures(group, -100), QStringLiteral("8 3 2"));
    }

    void thresholdsAreALevelOrAMarginOverTheFloor_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parsed"); // empty when refused
        QTest::newRow("level") << "-95"
                               << "-95";
        QTest::newRow("over the floor") << "floor+10"
                                        << "floor+10";
        QTest::newRow("spaced") << " Floor + 6 "
                                << "floor+6";
        QTest::newRow("too low") << "-131"
                                 << "";
        QTest::newRow("decimal") << "-99.5"
                                 << "";
        QTest::newRow("below the floor") << "floor-3"
                                         << "";
        QTest::newRow("far over") << "floor+61"
                                  << "";
    }
    void thresholdsAreALevelOrAMarginOverTheFloor() {
        QFETCH(QString, text);
        QString why;
        const auto setting = ThresholdSetting::parse(text, &why);
        QTEST(setting ? setting->text() : QString(), "parsed");
        QCOMPARE(why.isEmpty(), setting.has_value());
    }

    void paddingAtTheEndOfALoopIsNoReading() {
        QByteArray loop = testing::startupLoopCodes(108);
        loop.truncate(150);
        writeScan({loop});
        ScanReader reader;
        QVERIFY(reader.open(m_path));
        Loop read;
        QVERIFY(reader.next(read));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(read.Last.data()) + 149, 43),
                 QByteArray(1, char(108)) + QByteArray(42, char(NoReadingCode)));
        // Its final Peak and Average likewise; a skipped channel has none either.
        QString problem;
        const std::optional<FinalLevels> levels = readFinalLevels(m_path, &problem);
        QVERIFY2(levels, qPrintable(problem));
        QCOMPARE(levels->PeakDbm[149], std::optional<int>(-108));
        QCOMPARE(levels->AverageDbm[149], std::optional<int>(-108));
        QVERIFY(!levels->PeakDbm[150] && !levels->AverageDbm[191] && !levels->PeakDbm[0]);
    }

    // A file that is not whole is read as far as it is, and what is left out is said; a file
    // without a whole first loop is refused with the reason.
    void damagedScansAreReadAsFarAsTheyAreWhole_data() {
        QTest::addColumn<int>("good"); // whole loops before the damage
        QTest::addColumn<QByteArray>("damage");
        QTest::addColumn<qint64>("loops"); // -1: refused
        QTest::addColumn<QString>("message");
        const auto record = [](qint32 n) {
            return testing::loopRecord(n, testing::startupLoopCodes(108)).toBytes();
        };
        QByteArray badCode = record(4), noTime = record(4), firstBad = record(1);
        badCode[28 + 40] = char(230);
        noTime.replace(8, 20, QByteArray(20, ' '));
        firstBad[100] = char(202);
        // clang-format off
        QTest::newRow("whole") << 3 << QByteArray() << 3LL << "";
        QTest::newRow("partial record") << 3 << QByteArray(100, 'x') << 3LL
            << "scan.dat: the last 100 bytes are not a whole loop and are left out";
        QTest::newRow("code above 201") << 3 << badCode + record(5) << 3LL
            << "scan.dat: loop 4 holds code 230 (neither a level nor a skip code) for 903.8 MHz; "
               "only the 3 loops before it are read";
        QTest::newRow("loop number") << 3 << record(9) << 3LL
            << "scan.dat: record 4 gives loop number 9; only the 3 loops before it are read";
        QTest::newRow("start text") << 3 << noTime << 3LL
            << "scan.dat: loop 4 has no start time; only the 3 loops before it are read";
        QTest::newRow("empty") << 0 << QByteArray() << -1LL
            << "scan.dat holds no loops: the recording ended before its first loop";
        QTest::newRow("short") << 0 << QByteArray(603, '\0') << -1LL
            << "scan.dat is not a scan file: 603 bytes is less than one loop record (604 bytes)";
        QTest::newRow("text") << 0 << QByteArray(2000, 'a') << -1LL
            << "scan.dat is not a scan file: record 1 gives loop number 1633771873";
        QTest::newRow("first loop bad") << 0 << firstBad << -1LL
            << "scan.dat is not a scan file: loop 1 holds code 202 (neither a level nor a skip "
               "code) for 910.2 MHz";
        // clang-format on
    }
    // A rule is read back as the program writes it, over the channels it names; anything else is
    // refused with the reason, whatever the locale writes numbers with.
    void alarmRulesAreReadOrRefusedWithAReason_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read"); // the rule as written back, or the reason refused
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        // clang-format off
        QTest::newRow("group") << "Grp 3 >= -80 for 3 loops" << "Grp 3 >= -80 dBm for 3 loops" << 64 << 79;
        QTest::newRow("range, dBm") << "902.0-904.0 >= -75 dBm for 2 loops"
            << "902.0-904.0 MHz >= -75 dBm for 2 loops" << 31 << 41;
        QTest::newRow("tight, one loop") << "  hi 2>=-90dBm  for 1 loop " << "Hi 2 >= -90 dBm for 1 loop" << 176 << 191;
        QTest::newRow("whole band") << "895.8 - 934 MHz >= -100.5 for 4 loops"
            << "895.8-934.0 MHz >= -100.5 dBm for 4 loops" << 0 << 191;
        QTest::newRow("between channels") << "915.05-915.35 >= -60 for 2 loops"
            << "915.05-915.35 MHz >= -60 dBm for 2 loops" << 97 << 97;
        QTest::newRow("unknown group") << "Grp 9 >= -80 for 3 loops" << "neither a channel group (Lo 1, Lo 2, Grp 1," << 0 << 0;
        QTest::newRow("below the band") << "890.0-904.0 >= -80 for 2 loops" << "outside the band" << 0 << 0;
        QTest::newRow("above the band") << "930.0-934.2 >= -80 for 2 loops" << "outside the band" << 0 << 0;
        QTest::newRow("reversed") << "904.0-902.0 >= -80 for 2 loops" << "is reversed" << 0 << 0;
        QTest::newRow("no channel") << "915.05-915.15 >= -80 for 1 loop" << "holds no channel" << 0 << 0;
        QTest::newRow("no loops") << "Grp 3 >= -80 for 0 loops" << "not a whole number from 1" << 0 << 0;
        QTest::newRow("part of a loop") << "Grp 3 >= -80 for 1.5 loops" << "not a whole number from 1" << 0 << 0;
        QTest::newRow("decimal comma, level") << "Grp 3 >= -80,5 for 3 loops" << "not a comma" << 0 << 0;
        QTest::newRow("decimal comma, range") << "902,0-904,0 >= -80 for 2 loops" << "with a decimal point" << 0 << 0;
        QTest::newRow("level beyond") << "Grp 3 >= -250 for 3 loops" << "outside -199 to 0 dBm" << 0 << 0;
        QTest::newRow("level a word") << "Grp 3 >= loud for 3 loops" << "not a number of dBm" << 0 << 0;
        QTest::newRow("another comparison") << "Grp 3 > -80 for 3 loops" << "has no >=" << 0 << 0;
        QTest::newRow("no count") << "Grp 3 >= -80" << "is not in the form" << 0 << 0;
        // clang-format on
    }
    void alarmRulesAreReadOrRefusedWithAReason() {
        QFETCH(QString, text);
        QFETCH(QString, read);
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const auto parsed = parseAlarmRule(text);
        QLocale::setDefault(before);
        if (const auto* why = std::get_if<QString>(&parsed)) {
            QVERIFY2(why->contains(read), qPrintable(*why));
            QVERIFY(why->contains(text));
            return;
        }
        const AlarmRule& rule = std::get<AlarmRule>(parsed);
        QCOMPARE(rule.text, read);
        QTEST(rule.firstChannel, "first");
        QTEST(rule.lastChannel, "last");
        const auto again = parseAlarmRule(rule.text);
        QVERIFY(std::holds_alternative<AlarmRule>(again));
        QCOMPARE(std::get<AlarmRule>(again).text, rule.text);
    }

    // "Grp 3 >= -80 for 3 loops" over made-up loops, by the level of channel 71 (910.0 MHz) with
    // the rest of the band at -108 dBm. Two loops above and a dip start no alarm; a loop whose
    // group gave no level neither breaks a run nor adds to one; a single dip while it is on does
    // not end it; three loops below do. Padding where a sweep did not reach reads as no level,
    // never as -32 dBm.
    void alarmsStartAndEndAfterTheirRunsOfLoops() {
        constexpr int GroupOff = -1, NotReached = -2;
        const QList<int> levels{-70, -70, -108, -70, GroupOff,   -75, -60,
                                -90, -70, -90,  -90, NotReached, -95, -60};
        AlarmWatch watch({std::get<AlarmRule>(parseAlarmRule("Grp 3 >= -80 for 3 loops"))});
        AlarmBoard board;
        QStringList events, shown;
        for (int n = 1; n <= levels.size(); ++n) {
            AlarmLoop loop{n, testing::loopStart(n), QByteArray(scan::ChannelCount, char(108))};
            const int level = levels[n - 1];
            if (level == GroupOff)
                setGroup(loop.lastCodes, "Grp 3", scan::GroupOffCode);
            else if (level == NotReached)
                loop.lastCodes.replace(60, scan::ChannelCount - 60, QByteArray(132, char(32)));
            else
                loop.lastCodes[71] = char(-level);
            for (const AlarmEvent& e : watch.take(loop)) {
                QCOMPARE(e.rule, QStringLiteral("Grp 3 >= -80 dBm for 3 loops"));
                QCOMPARE(e.loopStart, loop.start);
                events << QStringLiteral("%1 %2 %3 %4")
                              .arg(e.kindText())
                              .arg(e.loop)
                              .arg(e.mhzText())
                              .arg(e.dbm);
                board.take(QString(), e);
            }
            shown << board.text();
        }
        QCOMPARE(events, QStringList({"start 7 910.0 -60", "end 13 910.0 -95"}));
        const QString on = QStringLiteral("ALARM Grp 3 >= -80 dBm for 3 loops since loop 7");
        QCOMPARE(shown, QStringList(6, QString()) + QStringList(6, on) + QStringList(2, QString()));

        // The board shows an alarm two origins report once, and lets an origin's alarms go.
        AlarmEvent started;
        started.rule = "Hi 1 >= -90 dBm for 1 loop";
        started.loop = 4;
        QVERIFY(board.take("north", started));
        QVERIFY(!board.take(QString(), started));
        QCOMPARE(board.text(), QStringLiteral("ALARM Hi 1 >= -90 dBm for 1 loop since loop 4"));
        QVERIFY(!board.clear("north"));
        QVERIFY(board.clear(QString()));
        QVERIFY(board.isEmpty());
    }

    void damagedScansAreReadAsFarAsTheyAreWhole() {
        QFETCH(int, good);
        QFETCH(QByteArray, damage);
        writeScan(QList<QByteArray>(good, testing::startupLoopCodes(108)), damage);
        ScanReader reader;
        const bool opened = reader.open(m_path);
        QTEST(opened ? qint64(csvOf(reader).count('\n')) : -1LL, "loops");
        QTEST((opened ? reader.warning() : reader.errorString()).replace(m_dir.path() + '/', ""),
              "message");
        // A comparison takes the last whole loop, or is refused for the same reason.
        QString problem;
        const std::optional<FinalLevels> levels = readFinalLevels(m_path, &problem);
        QCOMPARE(levels ? levels->Loop : -1, opened ? good : -1);
        QCOMPARE(problem, opened ? QString() : reader.errorString());
    }
};

QTEST_MAIN(TestSurvey)
#include "tst_survey.moc"
