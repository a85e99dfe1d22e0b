// SPDX-License-Identifier: MIT
#include "display/compare_overlay.h"

#include "display/level_axis.h"
#include "display/twips.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <limits>

namespace display {

namespace {

constexpr int LegendMargin = 4;
constexpr int LegendPadding = 3;
constexpr int LegendFontPixels = 11;
constexpr int SwatchWidth = 18;

int distance(const QColor& a, const QColor& b) {
    const int r = a.red() - b.red();
    const int g = a.green() - b.green();
    const int bl = a.blue() - b.blue();
    return r * r + g * g + bl * bl;
}

QColor farthest(const std::array<QColor, 4>& candidates, const std::vector<QColor>& taken) {
    QColor best = candidates[0];
    int bestDistance = -1;
    for (const QColor& candidate : candidates) {
        int nearestTaken = std::numeric_limits<int>::max();
        for (const QColor& colour : taken)
            nearestTaken = std::min(nearestTaken, distance(candidate, colour));
        if (nearestTaken > bestDistance) {
            bestDistance = nearestTaken;
            best = candidate;
        }
    }
    return best;
}

QPen tracePen(const QColor& color, Qt::PenStyle style) {
    QPen pen(color, ComparisonPenWidth, style, Qt::FlatCap, Qt::MiterJoin);
    return pen;
}

// One trace: a polyline for every run of neighbouring slots with a level.
void paintTrace(QPainter& painter, const ComparisonScale& scale,
                const std::array<std::optional<int>, scan::ChannelCount>& levels, const QPen& pen) {
    const PlotGeometry& g = scale.Geometry;
    painter.setPen(pen);
    QPolygonF run;
    const auto endRun = [&] {
        if (!run.isEmpty())
            painter.drawPolyline(run);
        run.clear();
    };
    for (int slot = 0; slot < scale.Slots; ++slot) {
        const int chan = channelOfSlot(slot, g.LowBandChannels);
        const std::optional<int> dbm =
            chan >= 0 && chan < scan::ChannelCount ? levels[chan] : std::nullopt;
        if (!dbm) {
            endRun();
            continue;
        }
        const double y = levelRow(-*dbm, g.UL, g.PixelsPerDb);
        const SlotColumns columns = slotColumns(slot, g.ChanWidth, g.BarGap);
        if (run.isEmpty())
            run << QPointF(columns.Left, y);
        run << QPointF((slot + 0.5) * g.ChanWidth / TwipsPerPixel, y);
        const bool lastOfRun = slot + 1 == scale.Slots ||
                               !(channelOfSlot(slot + 1, g.LowBandChannels) < scan::ChannelCount &&
                                 levels[channelOfSlot(slot + 1, g.LowBandChannels)]);
        if (lastOfRun) {
            run << QPointF(columns.Right, y);
            endRun();
        }
    }
}

QColor legendInk(const QColor& back) {
    return back.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

void paintLegend(QPainter& painter, const ComparisonScale& scale, const QString& caption) {
    QFont font = painter.font();
    font.setPixelSize(LegendFontPixels);
    painter.setFont(font);
    const QFontMetrics m(font);
    const QString peak = QStringLiteral("Peak");
    const QString average = QStringLiteral("Average");
    const int gap = m.horizontalAdvance(QLatin1Char(' '));
    const int width = m.horizontalAdvance(caption) + 3 * gap + 2 * (SwatchWidth + gap) +
                      m.horizontalAdvance(peak) + gap + m.horizontalAdvance(average);
    const QRect box(LegendMargin, LegendMargin, width + 2 * LegendPadding,
                    m.height() + 2 * LegendPadding);
    const QColor ink = legendInk(scale.Back);
    painter.fillRect(box, scale.Back);
    painter.setPen(ink);
    painter.drawRect(box.adjusted(0, 0, -1, -1));

    int x = box.left() + LegendPadding;
    const int top = box.top() + LegendPadding;
    const int middle = top + m.height() / 2;
    const auto text = [&](const QString& words) {
        painter.setPen(ink);
        painter.drawText(QRect(x, top, m.horizontalAdvance(words), m.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, words);
        x += m.horizontalAdvance(words) + gap;
    };
    const auto swatch = [&](const QPen& pen) {
        painter.setPen(pen);
        painter.drawLine(QPointF(x, middle), QPointF(x + SwatchWidth, middle));
        x += SwatchWidth + gap;
    };
    text(caption);
    x += 2 * gap;
    swatch(tracePen(scale.Colors.Peak, Qt::DashLine));
    text(peak);
    swatch(tracePen(scale.Colors.Average, Qt::DashDotLine));
    text(average);
}

} // namespace

ComparisonColors comparisonColors(const ActiveColors& plot) {
    static const std::array<QColor, 4> PeakCandidates{QColor(255, 140, 0), QColor(255, 0, 255),
                                                      QColor(0, 200, 255), QColor(255, 230, 0)};
    static const std::array<QColor, 4> AverageCandidates{
        QColor(0, 170, 120), QColor(150, 80, 255), QColor(120, 220, 0), QColor(255, 120, 170)};
    std::vector<QColor> taken{plot.Back, plot.Last, plot.Peak, plot.Average};
    ComparisonColors colors;
    colors.Peak = farthest(PeakCandidates, taken);
    taken.push_back(colors.Peak);
    colors.Average = farthest(AverageCandidates, taken);
    return colors;
}

bool ComparisonScale::operator==(const ComparisonScale& o) const {
    const PlotGeometry& a = Geometry;
    const PlotGeometry& b = o.Geometry;
    return a.ChanWidth == b.ChanWidth && a.BarGap == b.BarGap && a.PixelsPerDb == b.PixelsPerDb &&
           a.LowBandChannels == b.LowBandChannels && a.UL == b.UL && a.LL == b.LL &&
           a.PlotHeight == b.PlotHeight && Slots == o.Slots && Colors == o.Colors && Back == o.Back;
}

void paintComparison(QPainter& painter, const ComparisonScale& scale,
                     const Comparison& comparison) {
    if (scale.Geometry.ChanWidth <= 0 || scale.Slots <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    paintTrace(painter, scale, comparison.Levels.AverageDbm,
               tracePen(scale.Colors.Average, Qt::DashDotLine));
    paintTrace(painter, scale, comparison.Levels.PeakDbm,
               tracePen(scale.Colors.Peak, Qt::DashLine));
    paintLegend(painter, scale, comparison.Caption);
    painter.restore();
}

} // namespace display
