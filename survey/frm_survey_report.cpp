// SPDX-License-Identifier: MIT
#include "survey/frm_survey_report.h"

#include "survey/channel_groups.h"
#include "survey/output_file.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace survey {

namespace {

constexpr int LowestThresholdDbm = -130;
constexpr int HighestThresholdDbm = -20;

const QStringList FigureHeaders = {QStringLiteral("Occupied"), QStringLiteral("Median"),
                                   QStringLiteral("90th pct"), QStringLiteral("Strongest"),
                                   QStringLiteral("Measured")};

QTableWidget* makeTable(QWidget* parent, const QString& name, const QStringList& headers) {
    auto* table = new QTableWidget(0, int(headers.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    return table;
}

void setRow(QTableWidget* table, int row, const QStringList& leading, const LevelFigures& f) {
    QStringList cells = leading;
    const auto level = [&f](int dbm) {
        return f.isMeasured() ? QStringLiteral("%1 dBm").arg(dbm) : QStringLiteral("-");
    };
    cells << (f.isMeasured() ? percentText(f.occupancy()) : QStringLiteral("not measured"))
          << level(f.MedianDbm) << level(f.P90Dbm) << level(f.StrongestDbm)
          << percentText(f.coverage());
    for (int column = 0; column < cells.size(); ++column) {
        auto* item = new QTableWidgetItem(cells[column]);
        if (column >= leading.size())
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(row, column, item);
    }
}

} // namespace

frmSurveyReport::frmSurveyReport(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmSurveyReport"));
    setWindowTitle(QStringLiteral("Survey Report"));

    auto* lblThreshold = new QLabel(QStringLiteral("Occupied at or above"), this);
    udThreshold = new QSpinBox(this);
    udThreshold->setObjectName(QStringLiteral("udThreshold"));
    udThreshold->setRange(LowestThresholdDbm, HighestThresholdDbm);
    udThreshold->setSuffix(QStringLiteral(" dBm"));
    udThreshold->setValue(DefaultThresholdDbm);
    lblThreshold->setBuddy(udThreshold);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblRecommendation = new QLabel(this);
    lblRecommendation->setObjectName(QStringLiteral("lblRecommendation"));
    QFont bold = lblRecommendation->font();
    bold.setBold(true);
    lblRecommendation->setFont(bold);
    lblRecommendation->setWordWrap(true);
    lblRecommendation->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tblGroups = makeTable(
        this, QStringLiteral("tblGroups"),
        QStringList{QStringLiteral("Rank"), QStringLiteral("Group"), QStringLiteral("MHz")} +
            FigureHeaders);
    tblChannels =
        makeTable(this, QStringLiteral("tblChannels"),
                  QStringList{QStringLiteral("MHz"), QStringLiteral("Group")} + FigureHeaders);
    cmdSaveReport = new QPushButton(QStringLiteral("Save Report (CSV)"), this);
    cmdSaveReport->setObjectName(QStringLiteral("cmdSaveReport"));
    cmdExportLoops = new QPushButton(QStringLiteral("Export Loops (CSV)"), this);
    cmdExportLoops->setObjectName(QStringLiteral("cmdExportLoops"));
    cmdExportLoops->setToolTip(QStringLiteral("Every loop as a row in the layout of rtl_power, "
                                              "for heatmap and analysis scripts"));
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));

    auto* top = new QHBoxLayout;
    top->addWidget(lblThreshold);
    top->addWidget(udThreshold);
    top->addSpacing(12);
    top->addWidget(lblSummary, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblStatus, 1);
    bottom->addWidget(cmdSaveReport);
    bottom->addWidget(cmdExportLoops);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblRecommendation);
    layout->addWidget(tblGroups, 2);
    layout->addWidget(tblChannels, 3);
    layout->addLayout(bottom);
    resize(720, 640);

    connect(udThreshold, &QSpinBox::valueChanged, this, &frmSurveyReport::udThreshold_Change);
    connect(cmdSaveReport, &QPushButton::clicked, this, &frmSurveyReport::cmdSaveReport_Click);
    connect(cmdExportLoops, &QPushButton::clicked, this, &frmSurveyReport::cmdExportLoops_Click);
    showReport();
}

bool frmSurveyReport::openScan(const QString& path) {
    m_path = path;
    m_error.clear();
    const QFileInfo file(path);
    if (!(file.isFile() && file.size() == 0) && !m_reader.open(path)) {
        m_error = m_reader.errorString();
        m_path.clear();
    }
    setWindowTitle(QStringLiteral("Survey Report - ") + file.fileName());
    readScan();
    return m_error.isEmpty();
}

void frmSurveyReport::readScan() {
    m_counts = SurveyCounts();
    if (!m_path.isEmpty() &&
        ((m_reader.isOpen() && m_reader.path() == m_path) || m_reader.open(m_path)))
        m_counts = countLoops(m_reader);
    showReport();
}

void frmSurveyReport::appendLoop(const recording::ScanRecord& record) {
    if (m_path.isEmpty())
        return;
    const auto loop = loopOfRecord(record);
    if (!loop || loop->Number <= m_counts.loops())
        return;
    if (loop->Number == m_counts.loops() + 1) {
        m_counts.add(*loop);
        showReport();
    } else {
        readScan();
    }
}

int frmSurveyReport::threshold() const {
    return udThreshold->value();
}

void frmSurveyReport::setThreshold(int dbm) {
    udThreshold->setValue(dbm);
}

void frmSurveyReport::udThreshold_Change() {
    showReport();
}

void frmSurveyReport::showReport() {
    m_report = makeReport(m_counts, threshold());
    const auto time = [](const std::optional<LoopTime>& t) { return t ? t->text() : QString(); };
    lblSummary->setText(m_report.Loops == 0
                            ? QStringLiteral("No loops")
                            : QStringLiteral("%1 loops from %2 to %3")
                                  .arg(m_report.Loops)
                                  .arg(time(m_report.FirstStart), time(m_report.LastStart)));
    lblRecommendation->setText(m_report.Loops == 0 ? QString() : recommendation(m_report));

    tblGroups->setRowCount(int(m_report.Groups.size()));
    for (int row = 0; row < int(m_report.Groups.size()); ++row) {
        const GroupFigures& g = m_report.Groups[row];
        const ChannelGroup& group = channelGroups()[g.Group];
        setRow(tblGroups, row,
               {g.Rank > 0 ? QString::number(g.Rank) : QStringLiteral("-"), group.Caption,
                group.rangeText()},
               g.Figures);
    }
    tblChannels->setRowCount(int(m_report.Channels.size()));
    for (int row = 0; row < int(m_report.Channels.size()); ++row) {
        const ChannelFigures& c = m_report.Channels[row];
        setRow(tblChannels, row,
               {scan::frequencyText(scan::channelF10(c.Channel)),
                channelGroups()[groupOfChannel(c.Channel)].Caption},
               c.Figures);
    }
}

QString frmSurveyReport::defaultReportName() const {
    const QString base = QFileInfo(m_path).completeBaseName();
    return (base.isEmpty() ? QStringLiteral("scan") : base) + QStringLiteral("_report.csv");
}

QString frmSurveyReport::defaultLoopsName() const {
    const QString base = QFileInfo(m_path).completeBaseName();
    return (base.isEmpty() ? QStringLiteral("scan") : base) + QStringLiteral(".csv");
}

bool frmSurveyReport::saveReportCsv(const QString& path) {
    QString error;
    if (!survey::saveReportCsv(m_report, path, m_path, &error)) {
        showStatus(error);
        return false;
    }
    showStatus(QStringLiteral("Saved ") + path);
    return true;
}

bool frmSurveyReport::saveLoopsCsv(const QString& path) {
    QString error;
    if (m_path.isEmpty() ||
        !((m_reader.isOpen() && m_reader.path() == m_path) || m_reader.open(m_path))) {
        showStatus(m_path.isEmpty() ? QStringLiteral("No scan to export") : m_reader.errorString());
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool saved = survey::saveLoopsCsv(m_reader, path, &error);
    QApplication::restoreOverrideCursor();
    showStatus(saved ? QStringLiteral("Saved ") + path : error);
    return saved;
}

QString frmSurveyReport::askPath(const QString& title, const QString& name) {
    const QString folder = m_path.isEmpty() ? QString() : QFileInfo(m_path).absolutePath();
    return QFileDialog::getSaveFileName(this, title, QDir(folder).filePath(name),
                                        QStringLiteral("CSV files (*.csv)"));
}

void frmSurveyReport::cmdSaveReport_Click() {
    const QString path = askPath(QStringLiteral("Save Report"), defaultReportName());
    if (!path.isEmpty())
        saveReportCsv(path);
}

void frmSurveyReport::cmdExportLoops_Click() {
    const QString path = askPath(QStringLiteral("Export Loops"), defaultLoopsName());
    if (!path.isEmpty())
        saveLoopsCsv(path);
}

void frmSurveyReport::showStatus(const QString& text) {
    lblStatus->setText(text);
}

} // namespace survey
