// SPDX-License-Identifier: MIT
#include "survey/channel_groups.h"
#include "survey/frm_survey_report.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scan_fixture.h"

#include <QLabel>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace survey;
using testing::fileBytes;

namespace {

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

} // namespace

class TestSurveyReportWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QWidget m_owner;
    QString m_scan;

private slots:
    void initTestCase() {
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
            << "Grp 2 (905.4-908.4 MHz) is the quietest: 10 % occupied, median -108 dBm";
        QTest::newRow("-90 dBm")
            << -90 << "Grp 1"
            << "Grp 1 (902.2-905.2 MHz) is the quietest: 0 % occupied, median -95 dBm";
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
        QCOMPARE(w.report().Loops, qint64(3));
        QVERIFY(writer.append(loopCodes(4)));
        QVERIFY(writer.append(loopCodes(5)));
        w.appendLoop(testing::loopRecord(5, loopCodes(5)));
        QCOMPARE(w.report().Loops, qint64(5));
        QCOMPARE(w.lblSummary->text(),
                 QStringLiteral("5 loops from 05-01-2024  14:00:00 to 05-01-2024  14:00:04"));
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
};

QTEST_MAIN(TestSurveyReportWindow)
#include "tst_survey_report_window.moc"
