// SPDX-License-Identifier: MIT
#include "display/waterfall_picture.h"

#include "display/time_ticks.h"
#include "survey/channel_groups.h"
#include "survey/level_codes.h"

#include <QFontMetrics>
#include <QMargins>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cstring>

namespace display {

namespace {

constexpr int Gap = 6;
constexpr int Tick = 4;
constexpr int BarWidth = 14;
constexpr int ScaleStepDb = 10;
constexpr int LegendLines = 2;
constexpr int LeastScaleLines = 10; // of a picture's colour scale

QMargins marginsFor(const QFontMetrics& m) {
    const int line = m.height();
    const int timeWidth = m.horizontalAdvance(QStringLiteral("00-00 00:00:00"));
    const int scaleWidth = BarWidth + Tick + m.horizontalAdvance(QStringLiteral("-120 dBm"));
    const int legendWidth = line + Gap + m.horizontalAdvance(QStringLiteral("no reading"));
    return {Gap + timeWidth + Tick + 2, Gap + 2 * line + Tick,
            Gap + 2 * Gap + std::max(scaleWidth, legendWidth), Tick + line + Gap};
}

void paintTimeAxis(QPainter& painter, const WaterfallMapping& map, const WaterfallImage& w,
                   const QFontMetrics& m) {
    if (map.Rows == 0)
        return;
    std::vector<survey::LoopTime> starts(map.Rows);
    for (int row = 0; row < map.Rows; ++row)
        starts[row] = w.rowStart(row);
    const double rowHeight = double(map.imageHeight()) / map.Rows;
    for (const TimeTick& tick : timeTicks(starts, rowHeight, 2 * m.height()).Ticks) {
        const int y = map.rowTop(tick.Row);
        painter.drawLine(map.Plot.left() - Tick, y, map.Plot.left() - 1, y);
        const QRect box(0, y - m.height() / 2, map.Plot.left() - Tick - 2, m.height());
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, tick.Label);
    }
}

// The plot's room below the rows: nothing was measured there, which the hatching says.
void paintEmptyRoom(QPainter& painter, const WaterfallMapping& map, const WaterfallStyle& style) {
    QRect room = map.Plot;
    room.setTop(map.Plot.top() + (map.Rows > 0 ? map.imageHeight() : 0));
    if (room.isEmpty())
        return;
    painter.fillRect(room, style.Background);
    painter.fillRect(room, QBrush(style.Hatch, Qt::BDiagPattern));
}

void paintFrequencyAxis(QPainter& painter, const WaterfallMapping& map, const QFontMetrics& m) {
    const int captionTop = map.Plot.top() - Tick - m.height();
    const int labelTop = map.Plot.bottom() + 1 + Tick;
    int lastLabelRight = -1;
    for (const survey::ChannelGroup& group : survey::channelGroups()) {
        const int first = std::max(group.FirstChannel, map.Span.First);
        const int last = std::min(group.lastChannel(), map.Span.Last);
        if (first > last)
            continue;
        const int left = int(map.columnLeft(first));
        const int right = int(map.columnLeft(last + 1));
        if (group.FirstChannel >= map.Span.First) {
            painter.drawLine(left, map.Plot.top() - Tick, left, map.Plot.top() - 1);
            painter.drawLine(left, map.Plot.bottom() + 1, left, map.Plot.bottom() + Tick);
        }
        if (m.horizontalAdvance(group.Caption) < right - left)
            painter.drawText(QRect(left, captionTop, right - left, m.height()), Qt::AlignCenter,
                             group.Caption);
        const QString mhz = scan::frequencyText(scan::channelF10(first));
        const int width = m.horizontalAdvance(mhz);
        const int x = std::max(left - width / 2, map.Plot.left() - width / 2);
        if (x > lastLabelRight + Gap) {
            painter.drawText(QRect(x, labelTop, width, m.height()), Qt::AlignCenter, mhz);
            lastLabelRight = x + width;
        }
    }
    const QString unit = QStringLiteral("MHz");
    const int width = m.horizontalAdvance(unit);
    if (map.Plot.right() - width > lastLabelRight + Gap)
        painter.drawText(QRect(map.Plot.right() - width, labelTop, width, m.height()),
                         Qt::AlignRight, unit);
}

void paintColorScale(QPainter& painter, const WaterfallLayout& layout, const LevelScale& scale) {
    const QRect bar = layout.ColorBar;
    if (bar.height() < 2)
        return;
    const double dbPerPixel = double(scale.StrongDbm - scale.WeakDbm) / (bar.height() - 1);
    for (int y = 0; y < bar.height(); ++y) {
        painter.setPen(QColor(levelColor(int(scale.StrongDbm - y * dbPerPixel), scale)));
        painter.drawLine(bar.left(), bar.top() + y, bar.right(), bar.top() + y);
    }
}

void paintScaleLabels(QPainter& painter, const WaterfallLayout& layout, const LevelScale& scale,
                      const QFontMetrics& m) {
    const QRect bar = layout.ColorBar;
    if (bar.height() < 2)
        return;
    const double pixelsPerDb = (bar.height() - 1) / double(scale.StrongDbm - scale.WeakDbm);
    int lastY = -m.height();
    for (int dbm = scale.StrongDbm; dbm >= scale.WeakDbm; dbm -= ScaleStepDb) {
        const int y = bar.top() + int((scale.StrongDbm - dbm) * pixelsPerDb);
        if (y - lastY < m.height())
            continue;
        lastY = y;
        painter.drawLine(bar.right() + 1, y, bar.right() + Tick, y);
        painter.drawText(QRect(bar.right() + Tick + 2, y - m.height() / 2,
                               layout.Whole.right() - bar.right(), m.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("%1 dBm").arg(dbm));
    }
}

// The colours the rows give codes without a level, from the rows' own colour table.
void paintLegend(QPainter& painter, const WaterfallLayout& layout, const WaterfallImage& w,
                 const QFontMetrics& m) {
    const struct {
        unsigned char Code;
        QString Text;
    } entries[] = {{survey::NoReadingCode, QStringLiteral("no reading")},
                   {scan::GroupOffCode, QStringLiteral("group off")}};
    int y = layout.Legend.top();
    for (const auto& entry : entries) {
        const QRect swatch(layout.Legend.left(), y + 2, m.height() - 4, m.height() - 4);
        painter.fillRect(swatch, QColor(w.image().color(entry.Code)));
        painter.drawRect(swatch);
        painter.drawText(QRect(swatch.right() + Gap, y, layout.Legend.width(), m.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, entry.Text);
        y += m.height();
    }
}

} // namespace

int WaterfallMapping::imageHeight() const {
    if (Rows <= 0)
        return 0;
    const int rowHeight = std::min(MaxRowHeight, Plot.height() / Rows);
    return rowHeight >= 1 ? Rows * rowHeight : Plot.height();
}

int WaterfallMapping::rowAt(int y) const {
    const int height = imageHeight();
    if (y < Plot.top() || y >= Plot.top() + height)
        return -1;
    return int(qint64(y - Plot.top()) * Rows / height);
}

int WaterfallMapping::channelAt(int x) const {
    if (x < Plot.left() || x > Plot.right())
        return -1;
    return Span.First + int(qint64(x - Plot.left()) * Span.count() / Plot.width());
}

int WaterfallMapping::rowTop(int row) const {
    return Plot.top() + int(qint64(row) * imageHeight() / std::max(1, Rows));
}

double WaterfallMapping::columnLeft(int channel) const {
    return Plot.left() + double(channel - Span.First) * Plot.width() / Span.count();
}

WaterfallLayout layoutInside(const QRect& whole, const QFontMetrics& metrics) {
    const QMargins margins = marginsFor(metrics);
    const int line = metrics.height();
    WaterfallLayout layout;
    layout.Whole = whole;
    layout.Title = QRect(whole.left() + Gap, whole.top() + Gap / 2, whole.width() - 2 * Gap, line);
    layout.Plot = whole.marginsRemoved(margins);
    const int legendHeight = LegendLines * line;
    layout.ColorBar = QRect(layout.Plot.right() + 2 * Gap, layout.Plot.top(), BarWidth,
                            std::max(0, layout.Plot.height() - legendHeight - 2 * Gap));
    layout.Legend = QRect(layout.ColorBar.left(), layout.ColorBar.bottom() + 2 * Gap,
                          whole.right() - layout.ColorBar.left(), legendHeight);
    return layout;
}

WaterfallLayout layoutAround(QSize plot, const QFontMetrics& metrics) {
    const QMargins margins = marginsFor(metrics);
    const int scaleHeight = (LeastScaleLines + LegendLines) * metrics.height() + 2 * Gap;
    const int height = std::max(plot.height(), scaleHeight);
    WaterfallLayout layout =
        layoutInside(QRect(0, 0, plot.width() + margins.left() + margins.right(),
                           height + margins.top() + margins.bottom()),
                     metrics);
    layout.Plot.setHeight(plot.height());
    return layout;
}

QString waterfallTitle(const QString& scanName, const WaterfallImage& waterfall) {
    if (waterfall.loops() == 0)
        return QStringLiteral("%1: no loops yet").arg(scanName);
    const QString rows =
        waterfall.loopsPerRow() == 1
            ? QStringLiteral("a row a loop")
            : QStringLiteral("each row the strongest of %1 loops").arg(waterfall.loopsPerRow());
    return QStringLiteral("%1: %2 loops from %3, %4")
        .arg(scanName)
        .arg(waterfall.loops())
        .arg(waterfall.rowStart(waterfall.rowsUsed() - 1).text(), rows);
}

const QImage& PlotPicture::picture(const WaterfallImage& waterfall, QSize plot,
                                   const QColor& background) {
    if (!m_picture.isNull() && m_picture.size() == plot && m_background == background)
        return m_picture;
    m_picture = QImage(plot, QImage::Format_RGB32);
    m_picture.fill(background);
    m_background = background;
    m_span = waterfall.span();
    m_rows = waterfall.rowsUsed();
    const WaterfallMapping map{QRect(QPoint(0, 0), plot), m_span, m_rows};
    m_rowHeight = m_rows > 0 ? map.imageHeight() / m_rows : 0;
    if (m_rows > 0) {
        QPainter painter(&m_picture);
        painter.drawImage(map.imageRect(), waterfall.image(),
                          QRect(m_span.First, 0, m_span.count(), m_rows));
    }
    return m_picture;
}

void PlotPicture::followLoop(const WaterfallImage& waterfall) {
    if (m_picture.isNull())
        return;
    const int rows = waterfall.rowsUsed();
    const WaterfallMapping map{m_picture.rect(), waterfall.span(), rows};
    const int rowHeight = map.imageHeight() / rows;
    const bool sameRows = rowHeight == m_rowHeight && rows * rowHeight == map.imageHeight() &&
                          waterfall.span() == m_span;
    using Change = WaterfallImage::Change;
    if (!sameRows || waterfall.lastChange() == Change::AllRows ||
        (waterfall.lastChange() == Change::TopRow && rows != m_rows) ||
        (waterfall.lastChange() == Change::NewRow && rows != m_rows + 1)) {
        invalidate();
        return;
    }
    if (waterfall.lastChange() == Change::NewRow) {
        uchar* bits = m_picture.bits();
        const qsizetype stride = m_picture.bytesPerLine();
        std::memmove(bits + rowHeight * stride, bits, (m_picture.height() - rowHeight) * stride);
    }
    m_rows = rows;
    drawRows(waterfall, 0, 1);
}

void PlotPicture::drawRows(const WaterfallImage& waterfall, int first, int count) {
    QPainter painter(&m_picture);
    painter.drawImage(QRect(0, first * m_rowHeight, m_picture.width(), count * m_rowHeight),
                      waterfall.image(), QRect(m_span.First, first, m_span.count(), count));
}

void paintWaterfall(QPainter& painter, const WaterfallLayout& layout,
                    const WaterfallImage& waterfall, const QString& title,
                    const WaterfallStyle& style, const QImage* plotPicture, const QRegion& dirty) {
    const QFontMetrics m = painter.fontMetrics();
    // Parts the dirty area does not touch are left as they are.
    const auto needed = [&dirty](const QRect& area) { return dirty.intersects(area); };
    const QRect beside(layout.Whole.left(), layout.Plot.top() - m.height(),
                       layout.Plot.left() - layout.Whole.left(),
                       layout.Plot.height() + 2 * m.height());
    const QRect above(layout.Whole.left(), layout.Title.bottom() + 1, layout.Whole.width(),
                      layout.Plot.top() - layout.Title.bottom() - 1);
    const QRect below(layout.Whole.left(), layout.Plot.bottom() + 1, layout.Whole.width(),
                      layout.Whole.bottom() - layout.Plot.bottom());
    const QRect right(QPoint(layout.Plot.right() + 1, layout.Plot.top() - m.height()),
                      layout.Whole.bottomRight());

    for (const QRect& area : dirty.intersected(layout.Whole).subtracted(QRegion(layout.Plot)))
        painter.fillRect(area, style.Background);
    const WaterfallMapping map{layout.Plot, waterfall.span(), waterfall.rowsUsed()};
    if (plotPicture) {
        for (const QRect& area : dirty.intersected(layout.Plot))
            painter.drawImage(area.topLeft(), *plotPicture,
                              area.translated(-layout.Plot.topLeft()));
    } else if (map.Rows > 0) {
        const QRect source(map.Span.First, 0, map.Span.count(), map.Rows);
        painter.drawImage(map.imageRect(), waterfall.image(), source);
    }
    paintEmptyRoom(painter, map, style);
    if (needed(right))
        paintColorScale(painter, layout, waterfall.scale());
    painter.setPen(style.Text);
    if (needed(layout.Title))
        painter.drawText(layout.Title, Qt::AlignLeft | Qt::AlignVCenter,
                         m.elidedText(title, Qt::ElideRight, layout.Title.width()));
    if (needed(above) || needed(below))
        paintFrequencyAxis(painter, map, m);
    if (needed(beside))
        paintTimeAxis(painter, map, waterfall, m);
    if (needed(right)) {
        paintScaleLabels(painter, layout, waterfall.scale(), m);
        paintLegend(painter, layout, waterfall, m);
    }
}

QImage waterfallPicture(const WaterfallImage& waterfall, const QString& title, int plotHeight,
                        int columnWidth) {
    QFont font;
    font.setPixelSize(11);
    const QFontMetrics metrics(font);
    const int width = waterfall.span().count() * columnWidth;
    const WaterfallMapping rows{QRect(0, 0, width, plotHeight), waterfall.span(),
                                waterfall.rowsUsed()};
    // Without loops, one row's height of the empty plot says so.
    const int height =
        rows.Rows > 0 ? rows.imageHeight() : std::min(plotHeight, WaterfallMapping::MaxRowHeight);
    const WaterfallLayout layout = layoutAround(QSize(width, height), metrics);
    QImage picture(layout.Whole.size(), QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setFont(font);
    paintWaterfall(painter, layout, waterfall, title, WaterfallStyle{}, nullptr,
                   QRegion(layout.Whole));
    return picture;
}

} // namespace display
