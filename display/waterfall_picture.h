// SPDX-License-Identifier: MIT
#pragma once

#include "display/waterfall_image.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>

class QFontMetrics;
class QPainter;

namespace display {

// Where the waterfall's rows and columns land inside its plot area. A column is a channel of
// the span; rows are scaled by a whole factor (at most MaxRowHeight pixels a row) so that a short
// scan takes as much of the plot as it can, and never below one pixel a row while they fit.
struct WaterfallMapping {
    static constexpr int MaxRowHeight = 16;

    QRect Plot;
    survey::ChannelSpan Span;
    int Rows = 0; // rows in use

    // Height of the rows' picture: Rows * rowHeight, or the whole plot when they do not fit.
    int imageHeight() const;
    QRect imageRect() const { return {Plot.left(), Plot.top(), Plot.width(), imageHeight()}; }
    // The row and the channel under a point; -1 outside the rows or the span.
    int rowAt(int y) const;
    int channelAt(int x) const;
    int rowTop(int row) const;
    double columnLeft(int channel) const;
};

// The plot area's pixels, kept between paints so that a new loop costs one row: the rows move
// down by one row's height and the new top row is drawn, as a waterfall scrolls.
class PlotPicture {
public:
    // The picture of the waterfall in a plot of that size, drawn whole when it is stale.
    const QImage& picture(const WaterfallImage& waterfall, QSize plot, const QColor& background);
    // Follows the loop just added to the waterfall; what it cannot follow is drawn whole later.
    void followLoop(const WaterfallImage& waterfall);
    void invalidate() { m_picture = QImage(); }

private:
    void drawRows(const WaterfallImage& waterfall, int first, int count);

    QImage m_picture;
    QColor m_background;
    survey::ChannelSpan m_span;
    int m_rows = 0;
    int m_rowHeight = 0;
};

// The waterfall with its frequency axis (MHz below, group captions above), time axis (the start
// of the loops at the rows), colour scale in dBm and a title, laid out around the plot area.
struct WaterfallLayout {
    QRect Whole;
    QRect Title;
    QRect Plot;
    QRect ColorBar;
    QRect Legend;
};

// Margins from the font; the plot takes the rest.
WaterfallLayout layoutInside(const QRect& whole, const QFontMetrics& metrics);
// A picture whose plot area has the given size; beside a low plot, the colour scale keeps a height
// of its own.
WaterfallLayout layoutAround(QSize plot, const QFontMetrics& metrics);

struct WaterfallStyle {
    QColor Background = Qt::white;
    QColor Text = Qt::black;
    // Lines across the background of the plot's room below the rows, which no loop reached.
    QColor Hatch = QColor(0xc0, 0xc0, 0xc0);
};

// "lastScan.dat: 40 loops, 05-01-2024 14:00:01 to 05-01-2024 14:01:19, a row a loop".
QString waterfallTitle(const QString& scanName, const WaterfallImage& waterfall);

// Paints what lies in `dirty`. `plotPicture`, when given, holds the plot area's pixels already
// (see PlotPicture).
void paintWaterfall(QPainter& painter, const WaterfallLayout& layout,
                    const WaterfallImage& waterfall, const QString& title,
                    const WaterfallStyle& style, const QImage* plotPicture, const QRegion& dirty);

// The whole picture, for a PNG, `columnWidth` pixels a channel. The rows grow toward
// `plotHeight` pixels as in a plot of that height, and the plot is exactly as tall as they are.
QImage waterfallPicture(const WaterfallImage& waterfall, const QString& title, int plotHeight,
                        int columnWidth = 4);

} // namespace display
