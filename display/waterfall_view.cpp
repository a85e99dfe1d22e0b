// SPDX-License-Identifier: MIT
#include "display/waterfall_view.h"

#include <QMouseEvent>
#include <QPainter>

namespace display {

WaterfallView::WaterfallView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setMinimumSize(360, 200);
    m_plotRows = plotRows();
}

void WaterfallView::setTitle(const QString& title) {
    m_title = title;
    update();
}

WaterfallLayout WaterfallView::pictureLayout() const {
    return layoutInside(rect(), fontMetrics());
}

WaterfallMapping WaterfallView::mapping() const {
    return {pictureLayout().Plot, m_waterfall.span(), m_waterfall.rowsUsed()};
}

int WaterfallView::plotRows() const {
    return std::max(1, pictureLayout().Plot.height());
}

void WaterfallView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    WaterfallStyle style;
    style.Background = palette().color(QPalette::Window);
    style.Text = palette().color(QPalette::WindowText);
    paintWaterfall(painter, pictureLayout(), m_waterfall, m_title, style);
}

void WaterfallView::resizeEvent(QResizeEvent*) {
    const int rows = plotRows();
    if (rows != m_plotRows) {
        m_plotRows = rows;
        emit plotRowsChanged(rows);
    }
}

std::pair<int, int> WaterfallView::rowAndChannelAt(const QPoint& point) const {
    const WaterfallMapping map = mapping();
    const int row = map.rowAt(point.y());
    const int channel = map.channelAt(point.x());
    if (row < 0 || channel < 0)
        return {-1, -1};
    return {row, channel};
}

void WaterfallView::mouseMoveEvent(QMouseEvent* event) {
    const auto [row, channel] = rowAndChannelAt(event->position().toPoint());
    emit hovered(row, channel);
}

void WaterfallView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const auto [row, channel] = rowAndChannelAt(event->position().toPoint());
    if (row >= 0)
        emit clicked(row, channel);
}

void WaterfallView::leaveEvent(QEvent*) {
    emit hovered(-1, -1);
}

} // namespace display
