// SPDX-License-Identifier: MIT
#include "survey/frm_survey_report.h"

#include "core/time_scale.h"
#include "survey/channel_groups.h"
#include "survey/output_file.h"
#include "survey/report_pdf.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

namespace survey {

namespace {

constexpr int LowestThresholdDbm = -130;
constexpr int HighestThresholdDbm = -20;

constexpr int DefaultFloorMarginDb = 10;

const QStringList FigureHeaders = {
    QStringLiteral("Occupied"),    QStringLiteral("95 %"),       QStringLiteral("Floor"),
    QStringLiteral("Median"),      QStringLiteral("90th pct"),   QStringLiteral("Strongest"),
    QStringLiteral("Longest run"), QStringLiteral("Median run"), QStringLiteral("Measured")};
const QStringList GroupHeaders = {QStringLiteral("Band occupancy"), QStringLiteral("Busiest hour"),
                                  QStringLiteral("In link margin")};

// Sorted by a number kept beside the text, so that "9 %" comes before "10 %".
class ReportCell : public QTableWidgetItem {
public:
    // The key goes first: writing the text re-sorts the cell's row by it.
    void show(const QString& text, double sortKey) {
        m_sortKey = sortKey;
        setText(text);
    }
    bool operator<(const QTableWidgetItem& other) const override {
        return m_sortKey < static_cast<const ReportCell&>(other).m_sortKey;
    }

private:
    double m_sortKey = 0;
};

// The first `keyColumns` columns name the row and are aligned left, figures right.
QTableWidget* makeTable(QWidget* parent, const QString& name, const QStringList& headers,
                        int keyColumns) {
    auto* table = new QTableWidget(0, int(headers.size()), parent);
    table->setObjectName(name);
    table->setProperty("keyColumns", keyColumns);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    table->setSortingEnabled(true);
    return table;
}

struct CellText {
    QString text;
    double sortKey;
};

// A level figure; a channel or group never measured sorts after every level.
CellText levelCell(const LevelFigures& f, int dbm) {
    return f.isMeasured() ? CellText{QStringLiteral("%1 dBm").arg(dbm), double(dbm)}
                          : CellText{QStringLiteral("-"), -1000};
}

CellText shareCell(const LevelFigures& f, double share) {
    return f.isMeasured() ? CellText{percentText(share), share} : CellText{QStringLiteral("-"), 2};
}

std::vector<CellText> figureCells(const OccupancyFigures& o) {
    const LevelFigures& f = o.Figures;
    return {f.isMeasured() ? CellText{percentText(f.occupancy()), f.occupancy()}
                           : CellText{QStringLiteral("not measured"), 2},
            f.isMeasured() ? CellText{intervalText(o.Interval), o.Interval.High}
                           : CellText{QStringLiteral("-"), 2},
            levelCell(f, o.FloorDbm),
            levelCell(f, f.MedianDbm),
            levelCell(f, f.P90Dbm),
            levelCell(f, f.StrongestDbm),
            {o.Runs.Longest > 0 ? QStringLiteral("%1").arg(o.Runs.Longest) : QStringLiteral("-"),
             double(o.Runs.Longest)},
            o.Runs.MedianClass >= 0
                ? CellText{RunCounts::lengthText(o.Runs.MedianClass), double(o.Runs.MedianClass)}
                : CellText{QStringLiteral("-"), -1},
            {percentText(f.coverage()), f.coverage()}};
}

std::vector<CellText> groupCells(const GroupFigures& g) {
    return {shareCell(g.Figures, g.BandOccupancy),
            g.BusiestHour
                ? CellText{QStringLiteral("%1:00").arg(*g.BusiestHour, 2, 10, QLatin1Char('0')),
                           double(*g.BusiestHour)}
                : CellText{QStringLiteral("-"), -1},
            g.WithinMargin ? CellText{percentText(*g.WithinMargin) + QStringLiteral(" (") +
                                          intervalText(g.MarginInterval) + QLatin1Char(')'),
                                      *g.WithinMargin}
                           : CellText{QStringLiteral("-"), 2}};
}

// A table row: the channel or group it stands for, and its cells' texts.
struct RowText {
    int key;
    std::vector<CellText> cells;
};

// The rows stand for channels or groups, not for places in the table: the cells of one follow it
// wherever a sort puts them. New rows are made only when the channels or groups change;
// otherwise a cell is written only when its text changes. Returns the cells written, and
// whether the rows were made anew.
std::pair<int, bool> showRows(QTableWidget* table, frmSurveyReport::ShownRows& shown,
                              const std::vector<RowText>& rows) {
    std::vector<int> keys;
    for (const RowText& row : rows)
        keys.push_back(row.key);
    const bool newRows = keys != shown.Keys;
    if (newRows) {
        table->setSortingEnabled(false);
        table->setRowCount(0);
        table->setRowCount(int(keys.size()));
        shown.Keys = keys;
        shown.Cells.assign(keys.size(), {});
        for (int row = 0; row < int(keys.size()); ++row) {
            for (int column = 0; column < table->columnCount(); ++column) {
                auto* item = new ReportCell;
                item->setTextAlignment(column < table->property("keyColumns").toInt()
                                           ? Qt::AlignLeft | Qt::AlignVCenter
                                           : Qt::AlignRight | Qt::AlignVCenter);
                shown.Cells[row].push_back(item);
                table->setItem(row, column, item);
            }
        }
    }
    int written = 0;
    for (int row = 0; row < int(rows.size()); ++row) {
        for (int column = 0; column < int(rows[row].cells.size()); ++column) {
            const CellText& cell = rows[row].cells[column];
            auto* item = static_cast<ReportCell*>(shown.Cells[row][column]);
            if (item->text() == cell.text)
                continue;
            item->show(cell.text, cell.sortKey);
            ++written;
        }
    }
    if (newRows)
        table->setSortingEnabled(true);
    return {written, newRows};
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
    chkFromFloor = new QCheckBox(QStringLiteral("over the noise floor"), this);
    chkFromFloor->setObjectName(QStringLiteral("chkFromFloor"));
    chkLink = new QCheckBox(QStringLiteral("Link at"), this);
    chkLink->setObjectName(QStringLiteral("chkLink"));
    chkLink->setToolTip(QStringLiteral("The level the link is expected to receive and the fade "
                                       "margin it needs: groups are ranked by how often their "
                                       "strongest channel came within that margin"));
    udSignal = new QSpinBox(this);
    udSignal->setObjectName(QStringLiteral("udSignal"));
    udSignal->setRange(LowestThresholdDbm, HighestThresholdDbm);
    udSignal->setSuffix(QStringLiteral(" dBm"));
    udSignal->setValue(LinkBudget().SignalDbm);
    auto* lblMargin = new QLabel(QStringLiteral("needs"), this);
    udMargin = new QSpinBox(this);
    udMargin->setObjectName(QStringLiteral("udMargin"));
    udMargin->setRange(0, 60);
    udMargin->setSuffix(QStringLiteral(" dB margin"));
    udMargin->setValue(LinkBudget().MarginDb);
    lblMargin->setBuddy(udMargin);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblRecommendation = new QLabel(this);
    lblRecommendation->setObjectName(QStringLiteral("lblRecommendation"));
    QFont bold = lblRecommendation->font();
    bold.setBold(true);
    lblRecommendation->setFont(bold);
    lblRecommendation->setWordWrap(true);
    lblRecommendation->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblMethod = new QLabel(this);
    lblMethod->setObjectName(QStringLiteral("lblMethod"));
    lblMethod->setWordWrap(true);
    lblMethod->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tblGroups = makeTable(
        this, QStringLiteral("tblGroups"),
        QStringList{QStringLiteral("Rank"), QStringLiteral("Group"), QStringLiteral("MHz")} +
            FigureHeaders + GroupHeaders,
        3);
    tblChannels =
        makeTable(this, QStringLiteral("tblChannels"),
                  QStringList{QStringLiteral("MHz"), QStringLiteral("Group")} + FigureHeaders, 2);
    cmdSaveReport = new QPushButton(QStringLiteral("Save Report (CSV)"), this);
    cmdSaveReport->setObjectName(QStringLiteral("cmdSaveReport"));
    cmdExportLoops = new QPushButton(QStringLiteral("Export Loops (CSV)"), this);
    cmdExportLoops->setObjectName(QStringLiteral("cmdExportLoops"));
    cmdExportLoops->setToolTip(QStringLiteral("Every loop as a row in the layout of rtl_power, "
                                              "for heatmap and analysis scripts"));
    cmdSavePdf = new QPushButton(QStringLiteral("Save PDF..."), this);
    cmdSavePdf->setObjectName(QStringLiteral("cmdSavePdf"));
    cmdSavePdf->setToolTip(QStringLiteral("The report on one or two A4 pages, with the waterfall "
                                          "and the plot, to hand to a client or a regulator"));
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));

    auto* top = new QHBoxLayout;
    top->addWidget(lblThreshold);
    top->addWidget(udThreshold);
    top->addWidget(chkFromFloor);
    top->addSpacing(12);
    top->addWidget(chkLink);
    top->addWidget(udSignal);
    top->addWidget(lblMargin);
    top->addWidget(udMargin);
    top->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblStatus, 1);
    bottom->addWidget(cmdSaveReport);
    bottom->addWidget(cmdExportLoops);
    bottom->addWidget(cmdSavePdf);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblSummary);
    layout->addWidget(lblRecommendation);
    layout->addWidget(lblMethod);
    layout->addWidget(tblGroups, 2);
    layout->addWidget(tblChannels, 3);
    layout->addLayout(bottom);
    resize(900, 680);

    m_pendingLoops.setSingleShot(true);
    connect(&m_pendingLoops, &QTimer::timeout, this, &frmSurveyReport::refresh);
    connect(udThreshold, &QSpinBox::valueChanged, this, &frmSurveyReport::udThreshold_Change);
    connect(chkFromFloor, &QCheckBox::clicked, this, &frmSurveyReport::chkFromFloor_Click);
    for (QSpinBox* box : {udSignal, udMargin})
        connect(box, &QSpinBox::valueChanged, this, &frmSurveyReport::refresh);
    connect(chkLink, &QCheckBox::toggled, this, [this](bool on) {
        udSignal->setEnabled(on);
        udMargin->setEnabled(on);
        refresh();
    });
    udSignal->setEnabled(false);
    udMargin->setEnabled(false);
    connect(cmdSaveReport, &QPushButton::clicked, this, &frmSurveyReport::cmdSaveReport_Click);
    connect(cmdExportLoops, &QPushButton::clicked, this, &frmSurveyReport::cmdExportLoops_Click);
    connect(cmdSavePdf, &QPushButton::clicked, this, &frmSurveyReport::cmdSavePdf_Click);
    refresh();
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
    refresh();
}

void frmSurveyReport::appendLoop(const recording::ScanRecord& record) {
    if (m_path.isEmpty())
        return;
    const auto loop = loopOfRecord(record);
    if (!loop || loop->Number <= m_counts.loops())
        return;
    if (loop->Number != m_counts.loops() + 1) {
        readScan();
        return;
    }
    m_counts.add(*loop);
    // The table's repaint costs more than the counting: loops that come faster than a reader
    // follows are shown together.
    const qint64 waited = m_sinceShown.elapsed();
    if (waited >= core::scaledMs(RefreshMs))
        refresh();
    else if (!m_pendingLoops.isActive())
        m_pendingLoops.start(core::scaledMs(RefreshMs) - int(waited));
}

int frmSurveyReport::threshold() const {
    return m_report.ThresholdDbm;
}

void frmSurveyReport::setThreshold(int dbm) {
    chkFromFloor->setChecked(false);
    chkFromFloor_Click();
    udThreshold->setValue(dbm);
}

ReportSettings frmSurveyReport::settings() const {
    ReportSettings settings;
    settings.Threshold = {chkFromFloor->isChecked(), udThreshold->value()};
    if (chkLink->isChecked())
        settings.Link = LinkBudget{udSignal->value(), udMargin->value()};
    return settings;
}

void frmSurveyReport::udThreshold_Change() {
    refresh();
}

// The box holds either a level or a margin over the floor.
void frmSurveyReport::chkFromFloor_Click() {
    const QSignalBlocker quiet(udThreshold);
    if (chkFromFloor->isChecked()) {
        udThreshold->setRange(0, 60);
        udThreshold->setPrefix(QStringLiteral("+"));
        udThreshold->setSuffix(QStringLiteral(" dB"));
        udThreshold->setValue(DefaultFloorMarginDb);
    } else {
        udThreshold->setRange(LowestThresholdDbm, HighestThresholdDbm);
        udThreshold->setPrefix(QString());
        udThreshold->setSuffix(QStringLiteral(" dBm"));
        udThreshold->setValue(DefaultThresholdDbm);
    }
    refresh();
}

void frmSurveyReport::refresh() {
    m_pendingLoops.stop();
    m_sinceShown.start();
    m_report = makeReport(m_counts, settings());
    const auto time = [](const std::optional<LoopTime>& t) { return t ? t->text() : QString(); };
    lblSummary->setText(m_report.Loops == 0
                            ? QStringLiteral("No loops")
                            : QStringLiteral("%1 loops from %2 to %3")
                                  .arg(m_report.Loops)
                                  .arg(time(m_report.FirstStart), time(m_report.LastStart)));
    lblRecommendation->setText(m_report.Loops == 0 ? QString() : recommendation(m_report));
    lblMethod->setText(m_report.Loops == 0 ? QString()
                                           : methodText(m_report).join(QLatin1Char('\n')));

    std::vector<RowText> groups;
    for (const GroupFigures& g : m_report.Groups) {
        const ChannelGroup& group = channelGroups()[g.Group];
        std::vector<CellText> cells{g.Rank > 0 ? CellText{QString::number(g.Rank), double(g.Rank)}
                                               : CellText{QStringLiteral("-"), 1000},
                                    {group.Caption, double(g.Group)},
                                    {group.rangeText(), double(g.Group)}};
        for (const auto& more : {figureCells(g), groupCells(g)})
            cells.insert(cells.end(), more.begin(), more.end());
        groups.push_back({g.Group, cells});
    }
    // A group keeps its row whatever its rank.
    std::sort(groups.begin(), groups.end(),
              [](const RowText& a, const RowText& b) { return a.key < b.key; });
    std::vector<RowText> channels;
    for (const ChannelFigures& c : m_report.Channels) {
        const int f10 = scan::channelF10(c.Channel);
        const int group = groupOfChannel(c.Channel);
        std::vector<CellText> cells{{scan::frequencyText(f10), double(f10)},
                                    {channelGroups()[group].Caption, double(group)}};
        const std::vector<CellText> figures = figureCells(c);
        cells.insert(cells.end(), figures.begin(), figures.end());
        channels.push_back({c.Channel, cells});
    }
    // Columns are sized to their contents once, when the rows are made: later loops change
    // figures, not the table's shape.
    for (auto [table, shown, rows] : {std::tuple{tblGroups, &m_groupRows, &groups},
                                      std::tuple{tblChannels, &m_channelRows, &channels}}) {
        const auto [written, newRows] = showRows(table, *shown, *rows);
        m_cellsWritten += written;
        if (newRows)
            table->resizeColumnsToContents();
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

QString frmSurveyReport::defaultPdfName() const {
    return survey::defaultPdfName(m_path);
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

bool frmSurveyReport::openReader() {
    if (m_path.isEmpty() ||
        !((m_reader.isOpen() && m_reader.path() == m_path) || m_reader.open(m_path))) {
        showStatus(m_path.isEmpty() ? QStringLiteral("No scan to export") : m_reader.errorString());
        return false;
    }
    return true;
}

bool frmSurveyReport::saveLoopsCsv(const QString& path) {
    if (!openReader())
        return false;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool saved = survey::saveLoopsCsv(m_reader, path, &error);
    QApplication::restoreOverrideCursor();
    showStatus(saved ? QStringLiteral("Saved ") + path : error);
    return saved;
}

// A scan without loops yet gives the page that says so; its pictures need the loops read again.
bool frmSurveyReport::savePdf(const QString& path) {
    if (m_report.Loops > 0 && !openReader())
        return false;
    const QString base = QFileInfo(m_path).completeBaseName();
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool saved = saveReportPdf(m_report, base.isEmpty() ? QStringLiteral("scan") : base,
                                     m_reader, path, &error);
    QApplication::restoreOverrideCursor();
    showStatus(saved ? QStringLiteral("Saved ") + path : error);
    return saved;
}

QString frmSurveyReport::askPath(const QString& title, const QString& name, const QString& filter) {
    const QString folder = m_path.isEmpty() ? QString() : QFileInfo(m_path).absolutePath();
    return QFileDialog::getSaveFileName(this, title, QDir(folder).filePath(name), filter);
}

void frmSurveyReport::cmdSaveReport_Click() {
    const QString path = askPath(QStringLiteral("Save Report"), defaultReportName(),
                                 QStringLiteral("CSV files (*.csv)"));
    if (!path.isEmpty())
        saveReportCsv(path);
}

void frmSurveyReport::cmdExportLoops_Click() {
    const QString path = askPath(QStringLiteral("Export Loops"), defaultLoopsName(),
                                 QStringLiteral("CSV files (*.csv)"));
    if (!path.isEmpty())
        saveLoopsCsv(path);
}

void frmSurveyReport::cmdSavePdf_Click() {
    const QString path =
        askPath(QStringLiteral("Save PDF"), defaultPdfName(), QStringLiteral("PDF files (*.pdf)"));
    if (!path.isEmpty())
        savePdf(path);
}

void frmSurveyReport::showStatus(const QString& text) {
    lblStatus->setText(text);
}

} // namespace survey
