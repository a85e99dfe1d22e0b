// SPDX-License-Identifier: MIT
#include "display/plot_view.h"

#include "display/twips.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace display {

namespace {

int buttonCode(Qt::MouseButtons buttons) {
    int code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    return code;
}

int shiftCode(Qt::KeyboardModifiers modifiers) {
    int code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= 1;
    if (modifiers & Qt::ControlModifier)
        code |= 2;
    if (modifiers & Qt::AltModifier)
        code |= 4;
    return code;
}

} // namespace

PlotView::PlotView(QWidget* parent) : QFrame(parent) {
    m_repaint.setSingleShot(true);
    connect(&m_repaint, &QTimer::timeout, this, &PlotView::repaintDrawn);
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    // The frame and the picture cover the whole widget.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    syncPictureSize();
    m_renderer.setPenColor(palette().color(QPalette::WindowText));
    m_renderer.setSeparatorColor(toQColor(GrayTextColor, palette()));
}

PlotRenderer& PlotView::renderer() {
    syncPictureSize();
    paintWaitingSlots();
    return m_renderer;
}

void PlotView::Cls() {
    updatePicture(renderer().Cls());
}

std::optional<double> PlotView::DrawChannel(const PlotGeometry& geometry,
                                            const PlotOptions& options,
                                            const ChannelDraw& channel) {
    syncPictureSize();
    if (m_renderer.size().isEmpty())
        return std::nullopt;
    if (m_waiting.size() >= MaxWaitingSlots)
        paintWaitingSlots();
    m_waiting.append({geometry, options, channel});
    repaintSoon();
    if (!options.LineMode)
        return std::nullopt;
    return scanMarkerLeft(geometry.ChanWidth,
                          slotOfChannel(channel.Chan, geometry.LowBandChannels));
}

void PlotView::setSeparators(const SeparatorLines& lines) {
    updatePicture(renderer().setSeparators(lines));
}

void PlotView::setColors(const ActiveColors& colors) {
    updatePicture(renderer().setColors(colors));
}

void PlotView::setComparison(std::shared_ptr<const Comparison> comparison) {
    if (comparison == m_comparison)
        return;
    m_comparison = std::move(comparison);
    comparisonChanged();
}

void PlotView::setComparisonScale(const ComparisonScale& scale) {
    if (scale == m_comparisonScale)
        return;
    m_comparisonScale = scale;
    if (m_comparison)
        comparisonChanged();
}

// The overlay is painted again when next shown, over the whole picture.
void PlotView::comparisonChanged() {
    m_overlay = QImage();
    update();
}

const QImage& PlotView::comparisonOverlay() {
    if (m_overlay.isNull() || m_overlay.size() != m_renderer.size()) {
        m_overlay = QImage(m_renderer.size(), QImage::Format_ARGB32_Premultiplied);
        m_overlay.fill(Qt::transparent);
        QPainter painter(&m_overlay);
        paintComparison(painter, m_comparisonScale, *m_comparison);
    }
    return m_overlay;
}

// A hidden widget gets its resize event only when it is shown. Slots waiting to be painted
// were placed on the picture as it was. Asking Qt for the contents rectangle costs more than
// drawing a slot, so it is asked only when the widget's size has changed.
void PlotView::syncPictureSize() {
    if (size() == m_syncedSize)
        return;
    paintWaitingSlots();
    m_syncedSize = size();
    m_client = contentsRect();
    m_renderer.resize(m_client.size());
    m_overlay = QImage();
}

// The repaint timer runs while slots wait, and shows them.
void PlotView::paintWaitingSlots() {
    for (const WaitingSlot& slot : std::as_const(m_waiting)) {
        const QRect dirty = m_renderer.DrawChannel(slot.geometry, slot.options, slot.channel).Dirty;
        if (!dirty.isEmpty())
            m_pending |= dirty.translated(m_client.topLeft());
    }
    m_waiting.clear();
}

// What lies under a visible control that paints all of its own area does not show: leaving it
// out spares the control a repaint each time the sweep passes under it.
QRegion PlotView::takeDrawnRegion() {
    m_repaint.stop();
    m_sinceRepaint.start();
    paintWaitingSlots();
    QRegion region(m_pending);
    m_pending = QRect();
    for (const QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisible() && child->autoFillBackground())
            region -= child->geometry();
    return region;
}

void PlotView::repaintDrawn() {
    const QRegion region = takeDrawnRegion();
    if (!region.isEmpty())
        update(region);
}

// Painting at once spares the event loop the rounds that a timer and a posted repaint would
// take. After the window's thread was held up, the frames that waited come in a row: the first
// is shown at once, the rest together a frame later.
void PlotView::showDrawn() {
    if (m_waiting.isEmpty() && m_pending.isEmpty())
        return;
    if (m_sinceRepaint.isValid() && !m_sinceRepaint.hasExpired(RepaintIntervalMs - 1)) {
        repaintSoon();
        return;
    }
    const QRegion region = takeDrawnRegion();
    if (!region.isEmpty())
        repaint(region);
}

void PlotView::updatePicture(const QRect& pixels) {
    if (pixels.isEmpty())
        return;
    m_pending |= pixels.translated(m_client.topLeft());
    repaintSoon();
}

// The repaint waits until control is back in the event loop, so that whatever the program does
// in one go (a batch of readings, a recorded loop) shows in one repaint, made in the same wakeup;
// within a frame of the last repaint it waits for the rest of that frame.
void PlotView::repaintSoon() {
    if (m_repaint.isActive())
        return;
    const qint64 since = m_sinceRepaint.isValid() ? m_sinceRepaint.elapsed() : RepaintIntervalMs;
    m_repaint.start(int(std::max<qint64>(0, RepaintIntervalMs - since)));
}

QPoint PlotView::twipsOf(const QMouseEvent* event) const {
    const QPoint pixels = event->position().toPoint() - m_client.topLeft();
    return QPoint(pixels.x() * TwipsPerPixel, pixels.y() * TwipsPerPixel);
}

void PlotView::paintEvent(QPaintEvent* event) {
    syncPictureSize();
    paintWaitingSlots();
    QPainter painter(this);
    // Qt's raster engine shares a blend of more than about a hundred spans out among helper
    // threads; for the few columns a frame of a sweep repaints, waking them costs more than the
    // blend. Each exposed rectangle is drawn in bands of 64 rows, each under a clip of its own
    // rectangle (one span a row, where the exposed region would cut rows into several), so that
    // the blends stay on this thread.
    constexpr int RowsPerBand = 64;
    for (const QRect& rect : event->region()) {
        const QRect exposed = rect & m_client;
        for (int top = exposed.top(); top <= exposed.bottom(); top += RowsPerBand) {
            const QRect band(exposed.left(), top, exposed.width(),
                             std::min(RowsPerBand, exposed.bottom() + 1 - top));
            const QRect source = band.translated(-m_client.topLeft());
            painter.setClipRect(band);
            painter.drawImage(band.topLeft(), m_renderer.image(), source);
            if (m_comparison)
                painter.drawImage(band.topLeft(), comparisonOverlay(), source);
        }
    }
    painter.setClipping(false);
    if (!m_client.contains(event->rect()))
        drawFrame(&painter);
}

void PlotView::resizeEvent(QResizeEvent* event) {
    syncPictureSize();
    QFrame::resizeEvent(event);
}

void PlotView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = twipsOf(event);
    emit mouseMoved(buttonCode(event->buttons()), shiftCode(event->modifiers()), at.x(), at.y());
}

void PlotView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = twipsOf(event);
    emit mouseReleased(buttonCode(event->button()), shiftCode(event->modifiers()), at.x(), at.y());
}

} // namespace display
