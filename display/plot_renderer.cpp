// SPDX-License-Identifier: MIT
#include "display/plot_renderer.h"

#include "core/conventions.h"
#include "display/twips.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace display {

namespace {

// The picture's background until the configured colours arrive.
const QColor StartBackColor(240, 240, 240);
constexpr qint32 SkippedAverageCode = 121;
constexpr int SlotsPerGroup = scan::ChannelsPerGroup;

// Far beyond any picture; keeps pixel arithmetic clear of overflow.
constexpr int PixelLimit = 1 << 20;

// nearest() for pixel positions.
int pixel(double x) {
    return std::clamp(nearest(x), -PixelLimit, PixelLimit);
}

QPoint toPixels(QPointF twips) {
    return QPoint(pixel(twips.x() / TwipsPerPixel), pixel(twips.y() / TwipsPerPixel));
}

// Nearest of Sum / Count; nullopt when nothing has been counted.
std::optional<double> averageOf(const scan::ChannelReading& reading) {
    if (reading.Count == 0)
        return std::nullopt;
    return core::roundHalfEven(double(reading.Sum) / double(reading.Count));
}

} // namespace

double scanMarkerLeft(qint32 chanWidth, int slot) {
    const double width = chanWidth;
    return slot == 0 ? width * 0.5 : (slot + 1) * width + width * 0.5 + TwipsPerPixel;
}

PlotRenderer::PlotRenderer(QSize size)
    : m_colors(resolveColors(ColorSet{colorNumber(StartBackColor)}, QPalette())) {
    resize(size);
}

PlotRenderer::~PlotRenderer() {
    flush();
}

void PlotRenderer::flush() const {
    if (m_painter)
        m_painter.reset();
}

QPainter& PlotRenderer::painter() {
    if (!m_painter)
        m_painter = std::make_unique<QPainter>(&m_image);
    return *m_painter;
}

void PlotRenderer::resize(QSize size) {
    if (size == m_image.size() && !m_image.isNull())
        return;
    flush();
    QImage picture(size.expandedTo(QSize(0, 0)), QImage::Format_RGB32);
    if (picture.isNull()) {
        m_image = picture;
        return;
    }
    picture.fill(m_colors.Back);
    if (!m_image.isNull()) {
        QPainter painter(&picture);
        painter.drawImage(0, 0, m_image);
    }
    m_image = picture;
    drawAllSeparators(m_separatorColor);
}

QRect PlotRenderer::setColors(const ActiveColors& colors) {
    const bool newBackground = colors.Back != m_colors.Back;
    m_colors = colors;
    return newBackground ? Cls() : QRect();
}

QRect PlotRenderer::setSeparators(const SeparatorLines& lines) {
    if (m_image.isNull()) {
        m_separators = lines;
        return QRect();
    }
    m_dirty = QRect();
    // The lines of the previous axis go; their places show the background.
    drawAllSeparators(m_colors.Back);
    m_separators = lines;
    drawAllSeparators(m_separatorColor);
    return m_dirty & m_image.rect();
}

QRect PlotRenderer::Cls() {
    if (m_image.isNull())
        return QRect();
    flush();
    m_image.fill(m_colors.Back);
    drawAllSeparators(m_separatorColor);
    return m_image.rect();
}

DrawResult PlotRenderer::DrawChannel(const PlotGeometry& geometry, const PlotOptions& options,
                                     const ChannelDraw& channel) {
    DrawResult result;
    if (m_image.isNull())
        return result;
    m_dirty = QRect();
    const int slot = slotOfChannel(channel.Chan, geometry.LowBandChannels);
    if (options.LineMode)
        drawLines(geometry, options, channel, slot);
    else
        drawBars(geometry, options, channel, slot);
    repairSeparator(slot, channel.Chan, geometry.LowBandChannels);
    result.Dirty = m_dirty & m_image.rect();
    return result;
}

// Background, sweep cursor, Last bar, Peak stroke, Average stroke: the marks lie on the bar.
void PlotRenderer::drawBars(const PlotGeometry& geometry, const PlotOptions& options,
                            const ChannelDraw& channel, int slot) {
    const double chanWidth = geometry.ChanWidth;
    const double upper = std::abs(double(geometry.UL));
    const double plotHeight = geometry.PlotHeight;
    const double v = double(channel.Level) - upper;

    const SlotColumns columns = slotColumns(slot, geometry.ChanWidth, geometry.BarGap);
    const int bottom = pixel(plotHeight / TwipsPerPixel - 1);
    fill(columns.Left, 0, columns.Right, bottom, m_colors.Back);

    // The cursor stands one pixel into the next slot, whose fill erases it.
    if (!channel.Recorded) {
        const double x = (slot + 1) * chanWidth + TwipsPerPixel;
        line({x, 1}, {x, plotHeight}, m_pen);
    }

    const int lastTop = pixel(double(geometry.PixelsPerDb) * v);
    fill(columns.Left, lastTop, columns.Right, bottom, m_colors.Last);

    const int fullHeight = pixel(plotHeight / TwipsPerPixel);

    if (options.ShowPeaks) {
        const double p = channel.PeakIn != 0 ? channel.PeakIn : channel.Reading.Peak;
        const int top = pixel(double(geometry.PixelsPerDb) * (p - upper) - 1);
        fill(columns.Left, top, columns.Right, top + 2, m_colors.Peak);
    }

    if (options.ShowAverages) {
        std::optional<double> a = channel.AverageIn;
        // During a live scan a skipped channel has no average; a measured one shows its own.
        if (options.ScrollAtMax && options.ScanActive)
            a = channel.AverageIn == SkippedAverageCode ? std::nullopt : averageOf(channel.Reading);
        const double span = std::abs(double(geometry.LL)) - upper;
        if (a && span != 0) {
            const int top = pixel(fullHeight / span * (*a - upper));
            fill(columns.Left, top, columns.Right, top + 2, m_colors.Average);
        }
    }
}

void PlotRenderer::drawLines(const PlotGeometry& geometry, const PlotOptions& options,
                             const ChannelDraw& channel, int slot) {
    const double chanWidth = geometry.ChanWidth;
    const double upper = std::abs(double(geometry.UL));
    const double plotHeight = geometry.PlotHeight;

    // Erase from this slot's centre to one pixel past the next slot's centre, where the previous
    // loop's segment to the next slot lay.
    const int left = pixel((slot + 0.5) * chanWidth / TwipsPerPixel);
    const int right = pixel(left + chanWidth / TwipsPerPixel + 1);
    fill(left, 0, right, pixel(plotHeight / TwipsPerPixel), m_colors.Back);

    m_pen = QColor(Qt::black);
    if (!channel.Recorded) {
        const double x = (slot + 1.5) * chanWidth + TwipsPerPixel;
        line({x, 1}, {x, plotHeight}, m_pen);
    }

    m_pen = m_colors.Last;
    trace(m_lastPoint, slot, geometry.ChanWidth,
          double(geometry.TwipsPerDb) * (double(channel.Level) - upper));

    if (options.ShowPeaks) {
        m_pen = m_colors.Peak;
        const int p = channel.PeakIn != 0 ? channel.PeakIn : channel.Reading.Peak;
        // A 16-bit distance times the single-precision scale stays in single precision.
        const auto distance = static_cast<qint16>(p - std::abs(geometry.UL));
        const float y = float(distance) * geometry.TwipsPerDb;
        trace(m_peakPoint, slot, geometry.ChanWidth, y);
    }

    if (options.ShowAverages) {
        m_pen = m_colors.Average;
        const std::optional<double> a =
            channel.AverageIn != 0 ? double(channel.AverageIn) : averageOf(channel.Reading);
        if (a)
            trace(m_averagePoint, slot, geometry.ChanWidth,
                  double(geometry.TwipsPerDb) * (*a - upper));
    }
}

// Slot 0 starts a trace with a point; every other slot joins the previous slot's centre.
void PlotRenderer::trace(QPoint& point, int slot, qint32 chanWidth, double y) {
    const double centre = double(chanWidth) * slot + chanWidth / 2.0;
    const QPointF here(slot == 0 ? chanWidth / 2.0 : centre, y);
    line(slot == 0 ? here : QPointF(point), here, m_pen);
    point = QPoint(nearest(here.x()), nearest(y));
}

// The fills paint over separator lines on slot borders; the first slot of each 16-channel group
// draws one line again.
void PlotRenderer::repairSeparator(int slot, int chan, int lowBandChannels) {
    if (slot % SlotsPerGroup != 0)
        return;
    std::optional<int> x;
    if (slot == (lowBandChannels == 16 ? 16 : 0)) {
        x = m_separators.Low2;
    } else if (slot == (lowBandChannels == 32 ? 16 : 0)) {
        x = m_separators.Low1;
    } else if (slot == (lowBandChannels == 32 ? 32 : 0)) {
        x = m_separators.Low2;
    } else {
        const auto group = static_cast<qint16>(core::Int(chan / double(SlotsPerGroup)) - 3);
        if (group >= 0 && group < int(m_separators.Group.size()))
            x = m_separators.Group[group];
    }
    if (x)
        drawSeparator(*x, m_separatorColor);
}

void PlotRenderer::fill(int left, int top, int right, int bottom, const QColor& color) {
    if (right <= left || bottom <= top)
        return;
    const QRect rect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    if (color.alpha() == 255)
        setPixels(rect, color.rgb());
    else
        painter().fillRect(rect, color);
    m_dirty |= rect;
}

// Both ends are drawn; a line whose ends fall on one pixel is that pixel.
void PlotRenderer::line(QPointF from, QPointF to, const QColor& color) {
    const QPoint a = toPixels(from);
    const QPoint b = toPixels(to);
    if (a.x() == b.x() && color.alpha() == 255) {
        setPixels(
            QRect(QPoint(a.x(), std::min(a.y(), b.y())), QPoint(a.x(), std::max(a.y(), b.y()))),
            color.rgb());
    } else {
        QPainter& p = painter();
        p.setPen(QPen(color, 1, Qt::SolidLine, Qt::SquareCap));
        if (a == b)
            p.drawPoint(a);
        else
            p.drawLine(a, b);
    }
    m_dirty |= QRect(a, b).normalized().adjusted(-1, -1, 1, 1);
}

// A slot is a few narrow columns and its marks; written straight into the picture they cost a
// fraction of the painter's way there.
void PlotRenderer::setPixels(const QRect& rect, QRgb color) {
    const QRect inside = rect & m_image.rect();
    if (inside.isEmpty())
        return;
    const qsizetype stride = m_image.bytesPerLine();
    // The painter, when one is open, draws into this same buffer: the picture is not shared
    // while it is open.
    uchar* row = m_image.bits() + inside.top() * stride + inside.left() * qsizetype(sizeof(QRgb));
    for (int y = inside.top(); y <= inside.bottom(); ++y, row += stride)
        std::fill_n(reinterpret_cast<QRgb*>(row), inside.width(), color);
}

void PlotRenderer::drawSeparator(int x, const QColor& color) {
    const int height =
        m_separators.Height > 0 ? m_separators.Height : m_image.height() * TwipsPerPixel;
    line(QPointF(x, 0), QPointF(x, height), color);
}

void PlotRenderer::drawAllSeparators(const QColor& color) {
    if (m_separators.Low1)
        drawSeparator(*m_separators.Low1, color);
    if (m_separators.Low2)
        drawSeparator(*m_separators.Low2, color);
    for (int x : m_separators.Group)
        drawSeparator(x, color);
}

} // namespace display
