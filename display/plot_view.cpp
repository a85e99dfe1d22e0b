// SPDX-License-Identifier: MIT
#include "display/plot_view.h"

#include "display/twips.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

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
    m_repaint.setInterval(RepaintIntervalMs);
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
    return m_renderer;
}

void PlotView::Cls() {
    syncPictureSize();
    updatePicture(m_renderer.Cls());
}

DrawResult PlotView::DrawChannel(const PlotGeometry& geometry, const PlotOptions& options,
                                 const ChannelDraw& channel) {
    syncPictureSize();
    const DrawResult result = m_renderer.DrawChannel(geometry, options, channel);
    updatePicture(result.Dirty);
    return result;
}

void PlotView::setSeparators(const SeparatorLines& lines) {
    syncPictureSize();
    updatePicture(m_renderer.setSeparators(lines));
}

void PlotView::setColors(const ActiveColors& colors) {
    syncPictureSize();
    updatePicture(m_renderer.setColors(colors));
}

// A hidden widget gets its resize event only when it is shown.
void PlotView::syncPictureSize() {
    m_renderer.resize(contentsRect().size());
}

// What lies under a visible control that paints all of its own area does not show: leaving it
// out spares the control a repaint each time the sweep passes under it.
void PlotView::repaintDrawn() {
    QRegion region(m_pending);
    m_pending = QRect();
    for (const QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisible() && child->autoFillBackground())
            region -= child->geometry();
    if (!region.isEmpty())
        update(region);
}

void PlotView::updatePicture(const QRect& pixels) {
    if (pixels.isEmpty())
        return;
    m_pending |= pixels.translated(contentsRect().topLeft());
    if (!m_repaint.isActive())
        m_repaint.start();
}

QPoint PlotView::twipsOf(const QMouseEvent* event) const {
    const QPoint pixels = event->position().toPoint() - contentsRect().topLeft();
    return QPoint(pixels.x() * TwipsPerPixel, pixels.y() * TwipsPerPixel);
}

void PlotView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect client = contentsRect();
    const QRect exposed = event->rect() & client;
    if (!exposed.isEmpty())
        painter.drawImage(exposed.topLeft(), m_renderer.image(),
                          exposed.translated(-client.topLeft()));
    if (!client.contains(event->rect()))
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
