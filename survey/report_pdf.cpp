// SPDX-License-Identifier: MIT
#include "survey/report_pdf.h"

#include "display/waterfall_image.h"
#include "display/waterfall_picture.h"
#include "recording/scan_file.h"
#include "survey/channel_groups.h"
#include "survey/output_file.h"
#include "survey/report_plot.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <numeric>
#include <optional>

namespace survey {

namespace {

// The pages are laid out in points (1/72 inch); the pictures in pixels of half a point, so that
// the display's renderers draw them at twice a screen's detail with their text still text.
constexpr int PointsPerInch = 72;
constexpr double MarginMm = 15;
constexpr double PicturePoints = 0.5;
constexpr double PictureTextPoints = 7;
constexpr int WaterfallRows = 600; // pixels
constexpr int PlotRows = 440;      // pixels
constexpr double BlockGap = 12;
constexpr double CellPad = 5;

// Black on white with greys between, for a black and white print as well.
const QColor Ink(Qt::black);
const QColor Band(0xee, 0xee, 0xee);
const QColor Rule(0xa0, 0xa0, 0xa0);
const QColor Bar(0x55, 0x55, 0x55);

QFont textFont(double points, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString timeText(const std::optional<LoopTime>& time) {
    return time ? time->text() : QString();
}

// The pages as they fill, top to bottom; a block that does not fit starts the next page.
class Pages {
public:
    Pages(QPdfWriter& writer, QPainter& painter, const QString& site)
        : m_writer(writer), m_painter(painter), m_site(site) {
        m_footer = textFont(7.5);
        m_width = writer.width();
        m_bottom = writer.height() - 2 * QFontMetricsF(m_footer, &writer).height();
        footer();
    }

    QPainter& painter() { return m_painter; }
    QPaintDevice* device() { return &m_writer; }
    double width() const { return m_width; }
    double y() const { return m_y; }
    void advance(double height) { m_y += height; }

    // Room for `height` more points, on a new page when this one has too little.
    void need(double height) {
        if (m_y > 0 && m_y + height > m_bottom)
            newPage();
    }
    void newPage() {
        m_writer.newPage();
        m_y = 0;
        ++m_page;
        footer();
    }

    double heightOf(const QFont& font, const QString& text, double width) {
        m_painter.setFont(font);
        return m_painter.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text).height();
    }
    // Text wrapped to the page's width.
    void paragraph(const QFont& font, const QString& text, double after = 4) {
        const double height = heightOf(font, text, m_width);
        need(height);
        m_painter.setPen(Ink);
        m_painter.drawText(QRectF(0, m_y, m_width, height), Qt::TextWordWrap, text);
        m_y += height + after;
    }
    // A heading kept with at least `following` points of what it heads.
    void heading(const QString& text, double following) {
        const QFont font = textFont(11.5, true);
        need(heightOf(font, text, m_width) + following);
        paragraph(font, text, 5);
    }

private:
    void footer() {
        const QFontMetricsF m(m_footer, &m_writer);
        const double top = m_writer.height() - m.height();
        m_painter.save();
        m_painter.setPen(QPen(Rule, 0.5));
        m_painter.drawLine(QPointF(0, top - 3), QPointF(m_width, top - 3));
        m_painter.setPen(Ink);
        m_painter.setFont(m_footer);
        const QRectF line(0, top, m_width, m.height());
        m_painter.drawText(
            line, Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("Site survey of %1 - made by %2 on %3")
                .arg(m_site, reportPdfProgram(), QDate::currentDate().toString(Qt::ISODate)));
        m_painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter,
                           QStringLiteral("Page %1").arg(m_page));
        m_painter.restore();
    }

    QPdfWriter& m_writer;
    QPainter& m_painter;
    QString m_site;
    QFont m_footer;
    double m_width = 0;
    double m_bottom = 0;
    double m_y = 0;
    int m_page = 1;
};

void titleBlock(Pages& pages, const SurveyReport& report, const QString& site) {
    pages.paragraph(textFont(20, true), QStringLiteral("Site survey: ") + site, 2);
    pages.paragraph(textFont(10),
                    report.Loops == 0
                        ? QStringLiteral("No loops were recorded.")
                        : QStringLiteral("%1 loops, the first begun %2, the last %3")
                              .arg(report.Loops)
                              .arg(timeText(report.FirstStart), timeText(report.LastStart)),
                    BlockGap);
}

// The recommendation in a shaded box with a heavy edge, the first thing a reader meets.
void recommendationBlock(Pages& pages, const SurveyReport& report) {
    const QFont label = textFont(8.5);
    const QFont font = textFont(13, true);
    const QString text = recommendation(report);
    const double pad = 8;
    const double edge = 4;
    const double textWidth = pages.width() - 2 * pad - edge;
    const double labelHeight = pages.heightOf(label, QStringLiteral("Recommendation"), textWidth);
    const double height = labelHeight + 2 + pages.heightOf(font, text, textWidth) + 2 * pad;
    pages.need(height);
    QPainter& p = pages.painter();
    const QRectF box(0, pages.y(), pages.width(), height);
    p.fillRect(box, Band);
    p.fillRect(QRectF(box.topLeft(), QSizeF(edge, height)), Ink);
    p.setPen(QPen(Ink, 0.75));
    p.drawRect(box);
    const QRectF inside = box.adjusted(edge + pad, pad, -pad, -pad);
    p.setFont(label);
    p.drawText(inside, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Recommendation"));
    p.setFont(font);
    p.drawText(inside.adjusted(0, labelHeight + 2, 0, 0), Qt::TextWordWrap, text);
    pages.advance(height + BlockGap);
}

// The rows rankingTable() lays out as text, cut into their cells: its column names, then a row
// per group. Cells are parted by two blanks or more, which no cell holds.
struct Table {
    QStringList Header;
    QList<QStringList> Rows;
};

Table rankingCells(const SurveyReport& report) {
    static const QRegularExpression parting(QStringLiteral("\\s{2,}"));
    Table table;
    for (const QString& line : rankingTable(report).split(QLatin1Char('\n'))) {
        const QStringList cells = line.trimmed().split(parting);
        if (table.Header.isEmpty()) {
            if (cells.value(0) == QLatin1String("Rank"))
                table.Header = cells;
        } else if (cells.size() == table.Header.size()) {
            table.Rows << cells;
        } else {
            break;
        }
    }
    return table;
}

// The ranking as a ruled table, banded every other row, the quietest group in bold.
void rankingBlock(Pages& pages, const SurveyReport& report) {
    const Table table = rankingCells(report);
    if (table.Header.isEmpty())
        return;
    const qsizetype columns = table.Header.size();
    std::vector<double> widths(columns);
    const auto measure = [&](const QFontMetricsF& m) {
        for (qsizetype c = 0; c < columns; ++c) {
            widths[c] = m.horizontalAdvance(table.Header[c]);
            for (const QStringList& row : table.Rows)
                widths[c] = std::max(widths[c], m.horizontalAdvance(row[c]));
            widths[c] += 2 * CellPad;
        }
        return std::accumulate(widths.begin(), widths.end(), 0.0);
    };
    // As large as the page's width lets the table be, from 9 points down to 6.
    double points = 9;
    while (points > 6 &&
           measure(QFontMetricsF(textFont(points, true), pages.device())) > pages.width())
        points -= 0.5;
    const QFont plain = textFont(points);
    const QFont bold = textFont(points, true);
    const QFontMetricsF m(bold, pages.device());
    measure(m);
    const double spare =
        (pages.width() - std::accumulate(widths.begin(), widths.end(), 0.0)) / double(columns);
    for (double& width : widths)
        width += std::max(0.0, spare);
    const double rowHeight = m.height() * 1.45;

    pages.heading(QStringLiteral("Channel groups, quietest first"),
                  rowHeight * double(table.Rows.size() + 1));
    QPainter& p = pages.painter();
    const auto drawRow = [&](const QStringList& cells, const QFont& font, double top) {
        p.setFont(font);
        p.setPen(Ink);
        double left = 0;
        for (qsizetype c = 0; c < columns; ++c) {
            const bool text = table.Header[c] == QLatin1String("Group") ||
                              table.Header[c] == QLatin1String("MHz");
            p.drawText(QRectF(left + CellPad, top, widths[c] - 2 * CellPad, rowHeight),
                       (text ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, cells[c]);
            left += widths[c];
        }
    };
    double top = pages.y();
    drawRow(table.Header, bold, top);
    top += rowHeight;
    p.setPen(QPen(Ink, 1));
    p.drawLine(QPointF(0, top), QPointF(pages.width(), top));
    for (qsizetype r = 0; r < table.Rows.size(); ++r) {
        if (r % 2 == 1)
            p.fillRect(QRectF(0, top, pages.width(), rowHeight), Band);
        const QStringList& row = table.Rows[r];
        drawRow(row, row.value(0) == QLatin1String("1") ? bold : plain, top);
        top += rowHeight;
    }
    p.setPen(QPen(Ink, 0.5));
    p.drawLine(QPointF(0, top), QPointF(pages.width(), top));
    pages.advance(top - pages.y() + BlockGap);
}

// A bar per group in frequency order, as long as the share of its readings that were occupied,
// on a scale of quarters; the group's caption and band before it, the share after it.
void occupancyBlock(Pages& pages, const SurveyReport& report) {
    const QFont plain = textFont(9);
    const QFont bold = textFont(9, true);
    const QFontMetricsF m(bold, pages.device());
    const double rowHeight = m.height() * 1.35;
    const double barHeight = m.height() * 0.8;
    double labelWidth = 0;
    for (const ChannelGroup& group : channelGroups())
        labelWidth = std::max(labelWidth, m.horizontalAdvance(group.Caption + QStringLiteral("  ") +
                                                              group.rangeText()));
    const double valueWidth = m.horizontalAdvance(QStringLiteral("not measured, quietest"));
    const double barLeft = labelWidth + 2 * CellPad;
    const double barWidth = pages.width() - barLeft - valueWidth - 2 * CellPad;

    pages.heading(QStringLiteral("Occupancy by channel group"), rowHeight * (GroupCount + 1.5));
    QPainter& p = pages.painter();
    const double top = pages.y();
    const double chartHeight = rowHeight * GroupCount;
    p.setFont(textFont(7.5));
    for (int quarter = 0; quarter <= 4; ++quarter) {
        const double x = barLeft + barWidth * quarter / 4;
        p.setPen(QPen(Rule, 0.5, quarter == 0 ? Qt::SolidLine : Qt::DotLine));
        p.drawLine(QPointF(x, top), QPointF(x, top + chartHeight));
        p.setPen(Ink);
        p.drawText(QRectF(x - 20, top + chartHeight + 1, 40, rowHeight),
                   Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("%1 %").arg(quarter * 25));
    }
    for (int g = 0; g < GroupCount; ++g) {
        const auto figures =
            std::find_if(report.Groups.begin(), report.Groups.end(),
                         [g](const GroupFigures& shown) { return shown.Group == g; });
        const bool measured = figures != report.Groups.end() && figures->Figures.isMeasured();
        const bool quietest = measured && figures->Rank == 1;
        const ChannelGroup& group = channelGroups()[g];
        const double y = top + rowHeight * g;
        p.setFont(quietest ? bold : plain);
        p.setPen(Ink);
        p.drawText(QRectF(0, y, labelWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   group.Caption + QStringLiteral("  ") + group.rangeText());
        QString value = QStringLiteral("not measured");
        if (measured) {
            const double share = figures->Figures.occupancy();
            const QRectF bar(barLeft, y + (rowHeight - barHeight) / 2, barWidth * share, barHeight);
            p.fillRect(bar, Bar);
            p.setPen(QPen(Ink, 0.5));
            p.drawRect(bar);
            value = percentText(share);
        }
        if (quietest)
            value += QStringLiteral(", quietest");
        p.setPen(Ink);
        p.drawText(QRectF(barLeft + barWidth + 2 * CellPad, y, valueWidth, rowHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, value);
    }
    pages.advance(chartHeight + rowHeight + BlockGap);
}

void methodBlock(Pages& pages, const SurveyReport& report) {
    pages.heading(QStringLiteral("How it was measured"), 40);
    for (const QString& line : methodText(report))
        pages.paragraph(textFont(9), line, 4);
    pages.advance(BlockGap);
}

// A picture painted by a display renderer in pixels of PicturePoints, its text still text.
class PictureSpace {
public:
    explicit PictureSpace(Pages& pages) : m_painter(pages.painter()) {
        m_painter.save();
        m_painter.translate(0, pages.y());
        m_painter.scale(PicturePoints, PicturePoints);
        m_painter.setFont(textFont(PictureTextPoints / PicturePoints));
        m_painter.setPen(Ink);
    }
    ~PictureSpace() { m_painter.restore(); }
    QFontMetrics metrics() const { return m_painter.fontMetrics(); }

private:
    QPainter& m_painter;
};

// Pixels across the page.
int pictureWidth(const Pages& pages) {
    return int(pages.width() / PicturePoints);
}

void waterfallBlock(Pages& pages, const display::WaterfallImage& waterfall, const QString& site) {
    pages.heading(QStringLiteral("Waterfall: every loop, the newest at the top"),
                  WaterfallRows * PicturePoints);
    PictureSpace space(pages);
    const QFontMetrics m = space.metrics();
    const int margins = display::layoutAround(QSize(0, 0), m).Whole.width();
    const survey::ChannelSpan span = waterfall.span();
    const int columnWidth = std::max(1, (pictureWidth(pages) - margins) / span.count());
    const int width = columnWidth * span.count();
    const display::WaterfallMapping rows{QRect(0, 0, width, WaterfallRows), span,
                                         waterfall.rowsUsed()};
    const display::WaterfallLayout layout =
        display::layoutAround(QSize(width, rows.imageHeight()), m);
    display::paintWaterfall(pages.painter(), layout, waterfall,
                            display::waterfallTitle(site, waterfall), display::WaterfallStyle{},
                            nullptr, QRegion(layout.Whole));
    pages.advance(layout.Whole.height() * PicturePoints + BlockGap);
}

void plotBlock(Pages& pages, const recording::ScanRecord& record, const Loop& last,
               const ChannelSpan& span, const QString& site) {
    pages.heading(QStringLiteral("Peak and Average at the scan's end"), PlotRows * PicturePoints);
    PictureSpace space(pages);
    const QSize painted =
        paintLastLoopPlot(pages.painter(), record, last, span, pictureWidth(pages), PlotRows, site);
    pages.advance(painted.height() * PicturePoints);
}

// The loops the report counted, read again: the waterfall of them, and the last one.
bool readLoops(ScanReader& reader, qint64 loops, display::WaterfallImage& waterfall, Loop& last) {
    reader.rewind();
    while (waterfall.loops() < loops && reader.next(last))
        if (!waterfall.addLoop(last))
            return false;
    return waterfall.loops() == loops;
}

bool picturesPage(Pages& pages, const SurveyReport& report, const QString& site, ScanReader& reader,
                  QString* error) {
    display::WaterfallImage waterfall(WaterfallRows);
    Loop last;
    recording::ScanFile file;
    std::optional<recording::ScanRecord> record;
    if (readLoops(reader, report.Loops, waterfall, last) && file.openForReading(reader.path()))
        record = file.readRecord(last.Number);
    if (!record) {
        *error = QStringLiteral("%1: the %2 loops of the report could not be read again")
                     .arg(reader.path())
                     .arg(report.Loops);
        return false;
    }
    pages.newPage();
    waterfallBlock(pages, waterfall, site);
    plotBlock(pages, *record, last, waterfall.span(), site);
    return true;
}

} // namespace

QString reportPdfProgram() {
    return QStringLiteral("KorlanSpecAn " KORLAN_VERSION);
}

QString defaultPdfName(const QString& scanPath) {
    const QString base = QFileInfo(scanPath).completeBaseName();
    return (base.isEmpty() ? QStringLiteral("scan") : base) + QStringLiteral("_report.pdf");
}

bool writeReportPdf(const SurveyReport& report, const QString& site, ScanReader& reader,
                    QIODevice& out, QString* error) {
    QPdfWriter writer(&out);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                          QPageLayout::Millimeter);
    writer.setResolution(PointsPerInch);
    writer.setTitle(QStringLiteral("Site survey: ") + site);
    writer.setCreator(reportPdfProgram());
    QPainter painter;
    if (!painter.begin(&writer)) {
        *error = QStringLiteral("the PDF could not be begun");
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    Pages pages(writer, painter, site);
    titleBlock(pages, report, site);
    if (report.Loops > 0) {
        recommendationBlock(pages, report);
        rankingBlock(pages, report);
        occupancyBlock(pages, report);
    }
    methodBlock(pages, report);
    const bool drawn = report.Loops == 0 || picturesPage(pages, report, site, reader, error);
    painter.end();
    return drawn;
}

bool saveReportPdf(const SurveyReport& report, const QString& site, ScanReader& reader,
                   const QString& path, QString* error) {
    const QFileInfo info(path);
    if (!reader.path().isEmpty() && sameFile(path, reader.path())) {
        *error = QStringLiteral("%1 is the scan itself; choose another file").arg(path);
        return false;
    }
    if (!info.absoluteDir().exists()) {
        *error = QStringLiteral("%1: there is no folder %2").arg(path, info.absolutePath());
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
        return false;
    }
    if (!writeReportPdf(report, site, reader, file, error)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace survey
