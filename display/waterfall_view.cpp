// SPDX-License-Identifier: MIT
#include "display/waterfall_view.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace display {

WaterfallView::WaterfallView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setMinimumSize(360, 200);
}

void WaterfallView::setTitle(const QString& title) {
    if (title == m_title)
        return;
    m_title = title;
    update(pictureLayout().Title);
}

void WaterfallView::showWaterfall() {
    m_plotPicture.invalidate();
    update();
}

void WaterfallView::showAddedLoop() {
    m_plotPicture.followLoop(m_waterfall);
    const WaterfallLayout& layout = pictureLayout();
    const int halfLine = fontMetrics().height() / 2 + 1;
    update(QRect(QPoint(layout.Whole.left(), layout.Plot.top() - halfLine),
                 QPoint(layout.Plot.right(), layout.Plot.bottom() + halfLine)));
}

const WaterfallLayout& WaterfallView::pictureLayout() const {
    if (!m_layout || m_layout->Whole != rect())
        m_layout = layoutInside(rect(), fontMetrics());
    return *m_layout;
}

WaterfallMapping WaterfallView::mapping() const {
    return {pictureLayout().Plot, m_waterfall.span(), m_waterfall.rowsUsed()};
}

int WaterfallView::plotRows() const {
    return std::max(1, pictureLayout().Plot.height());
}

WaterfallStyle WaterfallView::pictureStyle() const {
    WaterfallStyle style;
    style.Background = palette().color(QPalette::Window);
    style.Text = palette().color(QPalette::WindowText);
    return style;
}

void WaterfallView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const WaterfallLayout& layout = pictureLayout();
    const WaterfallStyle colors = pictureStyle();
    const QImage& plot = m_plotPicture.picture(m_waterfall, layout.Plot.size(), colors.Background);
    paintWaterfall(painter, layout, m_waterfall, m_title, colors, &plot, event->region());
}

void WaterfallView::resizeEvent(QResizeEvent*) {
    const int rows = plotRows();
    if (rows != m_waterfall.capacity())
        emit plotRowsChanged(rows);
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

void WaterfallView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        m_layout.reset();
    QWidget::changeEvent(event);
}

} // namespace display
