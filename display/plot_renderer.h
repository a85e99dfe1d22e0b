// SPDX-License-Identifier: MIT
#pragma once

#include "display/display_colors.h"
#include "display/freq_axis.h"
#include "scan/readings.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <memory>
#include <optional>

class QPainter;

namespace display {

// The plot's scale as the axes left it.
struct PlotGeometry {
    qint32 ChanWidth = 0; // twips
    int BarGap = BarGapPixels;
    float PixelsPerDb = 0;
    float TwipsPerDb = 0;
    int LowBandChannels = 0;
    int UL = -40;       // upper level limit, dBm
    int LL = -120;      // lower level limit, dBm
    int PlotHeight = 0; // twips
};

struct PlotOptions {
    bool LineMode = false;
    bool ShowPeaks = true;
    bool ShowAverages = true;
    bool ScanActive = false;
    bool ScrollAtMax = true; // the time scroll bar shows the newest loop
};

// One channel to draw, as the readings model hands it over.
struct ChannelDraw {
    int Chan = 0;
    qint32 Level = 0;     // magnitude: 95 means -95 dBm; 120 for a skipped channel
    qint16 PeakIn = 0;    // 0: the channel's own Peak
    qint32 AverageIn = 0; // 0: the channel's own Sum / Count
    bool Recorded = false;
    scan::ChannelReading Reading;
};

struct DrawResult {
    QRect Dirty; // pixels to repaint
};

// Line mode: where the scan marker frScan stands, twips from the plot's left edge, while the
// slot is drawn.
double scanMarkerLeft(qint32 chanWidth, int slot);

// The plot's picture, painted one channel slot at a time. The image is the only record of what
// was drawn. Lines are given in twips and land on pixel twips / 15; rectangles are in pixels,
// left and top included, right and bottom excluded.
//
// Rectangles and upright lines in opaque colours are written straight into the picture. Sloping
// lines and translucent colours go through one painter, shared by the slots drawn one after the
// other and open until the picture is read (image(), flush()).
class PlotRenderer {
public:
    explicit PlotRenderer(QSize size = {});
    ~PlotRenderer();

    const QImage& image() const {
        flush();
        return m_image;
    }
    // Ends the painter, so that the picture holds everything drawn.
    void flush() const;
    QSize size() const { return m_image.size(); }
    // Keeps what is drawn where it still fits; new area shows the background.
    void resize(QSize size);

    // A new background clears the picture, as setting a picture's back colour does; the other
    // colours show as slots are drawn again. Returns the pixels to repaint.
    QRect setColors(const ActiveColors& colors);
    const ActiveColors& colors() const { return m_colors; }

    // The plot's pen: the system window-text colour at first; line mode changes it.
    void setPenColor(const QColor& color) { m_pen = color; }
    QColor penColor() const { return m_pen; }
    // The separator lines' colour: the system grey-text colour.
    void setSeparatorColor(const QColor& color) { m_separatorColor = color; }

    // The separator lines of a freshly built axis, drawn at once and repaired as slots are drawn.
    // The previous axis's lines are painted over with the background.
    QRect setSeparators(const SeparatorLines& lines);
    const SeparatorLines& separators() const { return m_separators; }

    // Fills the picture with the background; the separator lines stay.
    QRect Cls();

    DrawResult DrawChannel(const PlotGeometry& geometry, const PlotOptions& options,
                           const ChannelDraw& channel);

    // Where each line trace last ended, twips. They survive clears, mode changes and resizes.
    QPoint LastPoint() const { return m_lastPoint; }
    QPoint PeakPoint() const { return m_peakPoint; }
    QPoint AveragePoint() const { return m_averagePoint; }

private:
    void drawBars(const PlotGeometry& geometry, const PlotOptions& options,
                  const ChannelDraw& channel, int slot);
    void drawLines(const PlotGeometry& geometry, const PlotOptions& options,
                   const ChannelDraw& channel, int slot);
    void repairSeparator(int slot, int chan, int lowBandChannels);

    void fill(int left, int top, int right, int bottom, const QColor& color);
    void line(QPointF from, QPointF to, const QColor& color);
    void setPixels(const QRect& rect, QRgb color);
    void trace(QPoint& point, int slot, qint32 chanWidth, double y);
    void drawSeparator(int x, const QColor& color);
    void drawAllSeparators(const QColor& color);
    QPainter& painter();

    // Open on m_image while slots are drawn with sloping lines or translucent colours.
    mutable std::unique_ptr<QPainter> m_painter;
    QImage m_image;
    ActiveColors m_colors;
    QColor m_pen = Qt::black;
    QColor m_separatorColor = Qt::darkGray;
    SeparatorLines m_separators;
    QPoint m_lastPoint;
    QPoint m_peakPoint;
    QPoint m_averagePoint;
    QRect m_dirty;
};

} // namespace display
