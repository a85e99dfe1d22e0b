// SPDX-License-Identifier: MIT
#include "display/plot_picture.h"

#include "display/freq_axis.h"
#include "display/level_axis.h"
#include "display/twips.h"
#include "survey/channel_groups.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace display {

namespace {

constexpr int Gap = 6;
constexpr int Tick = 4;
constexpr int FontPixels = 11;
constexpr int LevelTickDb = 5;
constexpr int LevelLabelDb = 10;

QFont pictureFont() {
    QFont font;
    font.setPixelSize(FontPixels);
    return font;
}

struct Layout {
    QRect Whole;
    QRect Title; // two lines
    QRect Plot;
    QRect Legend;
};

Layout layoutAround(QSize plot, const QFontMetrics& m) {
    const int line = m.height();
    const int left = Gap + m.horizontalAdvance(QStringLiteral("-120 dBm")) + Tick + 2;
    const int top = Gap + 2 * line + Gap + line + Tick;
    const int bottom = Tick + line + Gap + line + Gap;
    Layout layout;
    layout.Whole = QRect(0, 0, left + plot.width() + 2 * Gap, top + plot.height() + bottom);
    layout.Title = QRect(Gap, Gap, layout.Whole.width() - 2 * Gap, 2 * line);
    layout.Plot = QRect(QPoint(left, top), plot);
    layout.Legend = QRect(left, layout.Plot.bottom() + 1 + Tick + line + Gap, plot.width(), line);
    return layout;
}

void paintLevelAxis(QPainter& painter, const Layout& layout, const PlotGeometry& g,
                    const QFontMetrics& m) {
    const QRect& plot = layout.Plot;
    int lastLabelY = -m.height();
    for (int dbm = g.UL; dbm >= g.LL; dbm -= LevelTickDb) {
        const int y =
            plot.top() + std::clamp(levelRow(-dbm, g.UL, g.PixelsPerDb), 0, plot.height() - 1);
        painter.drawLine(plot.left() - Tick, y, plot.left() - 1, y);
        if (dbm % LevelLabelDb != 0 || y - lastLabelY < m.height())
            continue;
        lastLabelY = y;
        painter.drawText(QRect(0, y - m.height() / 2, plot.left() - Tick - 2, m.height()),
                         Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1 dBm").arg(dbm));
    }
}

// Ticks and MHz at the first channel of every group on the plot, the group names between them.
void paintFrequencyAxis(QPainter& painter, const Layout& layout, const PlotGeometry& g,
                        int slotCount, const QFontMetrics& m) {
    const QRect& plot = layout.Plot;
    const int firstChannel = channelOfSlot(0, g.LowBandChannels);
    const int lastChannel = channelOfSlot(slotCount - 1, g.LowBandChannels);
    const auto xOf = [&](int channel) {
        return plot.left() +
               slotColumns(slotOfChannel(channel, g.LowBandChannels), g.ChanWidth).Left;
    };
    const int captionTop = plot.top() - Tick - m.height();
    const int labelTop = plot.bottom() + 1 + Tick;
    int lastLabelRight = -Gap - 1;
    for (const survey::ChannelGroup& group : survey::channelGroups()) {
        const int first = std::max(group.FirstChannel, firstChannel);
        const int last = std::min(group.lastChannel(), lastChannel);
        if (first > last)
            continue;
        const int left = xOf(first);
        const int right = last == lastChannel ? plot.right() + 1 : xOf(last + 1);
        painter.drawLine(left, plot.top() - Tick, left, plot.top() - 1);
        painter.drawLine(left, plot.bottom() + 1, left, plot.bottom() + Tick);
        if (m.horizontalAdvance(group.Caption) < right - left)
            painter.drawText(QRect(left, captionTop, right - left, m.height()), Qt::AlignCenter,
                             group.Caption);
        const QString mhz = scan::frequencyText(scan::channelF10(first));
        const int width = m.horizontalAdvance(mhz);
        const int x = std::max(left - width / 2, 0);
        if (x > lastLabelRight + Gap) {
            painter.drawText(QRect(x, labelTop, width, m.height()), Qt::AlignCenter, mhz);
            lastLabelRight = x + width;
        }
    }
    const QString end = scan::frequencyText(scan::channelF10(lastChannel)) + QStringLiteral(" MHz");
    const int width = m.horizontalAdvance(end);
    if (plot.right() - width > lastLabelRight + Gap)
        painter.drawText(QRect(plot.right() + 1 - width, labelTop, width, m.height()),
                         Qt::AlignRight, end);
}

void paintLegend(QPainter& painter, const Layout& layout, const PlotOptions& options,
                 const ActiveColors& colors, const QFontMetrics& m) {
    struct Entry {
        QColor Color;
        QString Text;
    };
    std::vector<Entry> entries{{colors.Last, QStringLiteral("Last")}};
    if (options.ShowPeaks)
        entries.push_back({colors.Peak, QStringLiteral("Peak")});
    if (options.ShowAverages)
        entries.push_back({colors.Average, QStringLiteral("Average")});
    int x = layout.Legend.left();
    const int y = layout.Legend.top();
    for (const Entry& entry : entries) {
        const QRect swatch(x, y + 2, 2 * m.height(), m.height() - 4);
        if (options.LineMode) {
            painter.fillRect(swatch, colors.Back);
            painter.fillRect(QRect(swatch.left(), swatch.center().y() - 1, swatch.width(), 2),
                             entry.Color);
        } else {
            painter.fillRect(swatch, entry.Color);
        }
        painter.drawRect(swatch);
        x = swatch.right() + Gap;
        painter.drawText(QRect(x, y, m.horizontalAdvance(entry.Text), m.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, entry.Text);
        x += m.horizontalAdvance(entry.Text) + 3 * Gap;
    }
}

} // namespace

QRect plotPictureArea(QSize plot) {
    return layoutAround(plot, QFontMetrics(pictureFont())).Plot;
}

QSize plotPictureSize(QSize plot, const QFontMetrics& metrics) {
    return layoutAround(plot, metrics).Whole.size();
}

void paintPlotPicture(QPainter& painter, const QImage& plot, const PlotGeometry& geometry,
                      const PlotOptions& options, const ActiveColors& colors,
                      const PlotPictureText& text) {
    const QFontMetrics m = painter.fontMetrics();
    const Layout layout = layoutAround(plot.size(), m);
    painter.save();
    painter.fillRect(layout.Whole, Qt::white);
    painter.setPen(Qt::black);
    painter.drawImage(layout.Plot.topLeft(), plot);
    painter.drawRect(layout.Plot.adjusted(-1, -1, 0, 0));

    QString attenuation = text.AttenuationDb > 0
                              ? QStringLiteral("attenuation %1 dB").arg(text.AttenuationDb)
                              : QStringLiteral("no attenuation");
    const QString title =
        text.Scan.isEmpty() ? attenuation : text.Scan + QStringLiteral(", ") + attenuation;
    painter.drawText(layout.Title, Qt::AlignLeft | Qt::AlignTop,
                     m.elidedText(title, Qt::ElideMiddle, layout.Title.width()) +
                         QLatin1Char('\n') + text.Time);
    paintLevelAxis(painter, layout, geometry, m);
    if (text.Slots > 0)
        paintFrequencyAxis(painter, layout, geometry, text.Slots, m);
    paintLegend(painter, layout, options, colors, m);
    painter.restore();
}

QImage plotPicture(const QImage& plot, const PlotGeometry& geometry, const PlotOptions& options,
                   const ActiveColors& colors, const PlotPictureText& text) {
    const QFont font = pictureFont();
    QImage picture(plotPictureSize(plot.size(), QFontMetrics(font)), QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setFont(font);
    paintPlotPicture(painter, plot, geometry, options, colors, text);
    return picture;
}

} // namespace display
