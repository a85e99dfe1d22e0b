// SPDX-License-Identifier: MIT
#pragma once

#include "recording/scan_record.h"
#include "survey/scan_reader.h"
#include "survey/survey_counts.h"
#include "survey/survey_report.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTableWidgetItem;

namespace survey {

// The "Survey Report" window: per channel group and per channel of a scan, the occupancy at a
// threshold the user sets (a level, or a margin over the measured noise floor) with its
// confidence interval, the floor, the median, 90th percentile and strongest level, the runs; for
// a link the user describes, each group's share of loops within its margin. The groups are ranked
// quietest first with a one-line recommendation and the method; the report and the scan's loops
// are saved as CSV, and the report as PDF pages to hand on.
// It shows a recorded scan, or the recording of a running scan that appendLoop keeps up to date.
class frmSurveyReport : public QWidget {
    Q_OBJECT

public:
    // A window of its own that stays in front of its parent.
    explicit frmSurveyReport(QWidget* parent);

    // Reads the scan at `path` once. An empty file is a recording without loops yet. False,
    // with errorString(), when it cannot be read or is not a scan file.
    bool openScan(const QString& path);
    QString errorString() const { return m_error; }
    QString scanPath() const { return m_path; }

    // The loop just recorded; a loop already counted is ignored, one that does not follow the
    // last one counted has the scan read again. Its figures are shown at once when none were shown
    // in the last RefreshMs, otherwise at the end of that time, with those of the loops after it.
    void appendLoop(const recording::ScanRecord& record);
    static constexpr int RefreshMs = 3000;

    // Shows the figures of every loop counted.
    void refresh();

    // The threshold in dBm as the report applies it.
    int threshold() const;
    void setThreshold(int dbm);
    ReportSettings settings() const;
    const SurveyReport& report() const { return m_report; }

    // The table cells written since the window was made: a loop's end writes only those whose
    // text changed.
    qint64 cellsWritten() const { return m_cellsWritten; }

    // The rows of a table: the channel or group each stands for, and its cells.
    struct ShownRows {
        std::vector<int> Keys;
        std::vector<std::vector<QTableWidgetItem*>> Cells;
    };

    // "<scan name>_report.csv", "<scan name>.csv" and "<scan name>_report.pdf".
    QString defaultReportName() const;
    QString defaultLoopsName() const;
    QString defaultPdfName() const;
    bool saveReportCsv(const QString& path);
    bool saveLoopsCsv(const QString& path);
    // The report as shown, titled with the scan's name.
    bool savePdf(const QString& path);

    QSpinBox* udThreshold;
    QCheckBox* chkFromFloor;
    QCheckBox* chkLink;
    QSpinBox* udSignal;
    QSpinBox* udMargin;
    QLabel* lblSummary;
    QLabel* lblRecommendation;
    QLabel* lblMethod;
    QTableWidget* tblGroups;
    QTableWidget* tblChannels;
    QPushButton* cmdSaveReport;
    QPushButton* cmdExportLoops;
    QPushButton* cmdSavePdf;
    QLabel* lblStatus;

private slots:
    void udThreshold_Change();
    void chkFromFloor_Click();
    void cmdSaveReport_Click();
    void cmdExportLoops_Click();
    void cmdSavePdf_Click();

private:
    void readScan();
    void showStatus(const QString& text);
    QString askPath(const QString& title, const QString& name, const QString& filter);
    bool openReader();

    QString m_path;
    QString m_error;
    ScanReader m_reader;
    SurveyCounts m_counts;
    SurveyReport m_report;
    ShownRows m_groupRows;
    ShownRows m_channelRows;
    qint64 m_cellsWritten = 0;
    QElapsedTimer m_sinceShown;
    QTimer m_pendingLoops;
};

} // namespace survey
