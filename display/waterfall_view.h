// SPDX-License-Identifier: MIT
#pragma once

#include "display/waterfall_image.h"
#include "display/waterfall_picture.h"

#include <QWidget>

#include <optional>

namespace display {

// Paints a waterfall with its axes and colour scale, and says which row and channel the mouse
// is over or clicks. Its plot's height in pixels is the most rows the waterfall should hold.
class WaterfallView : public QWidget {
    Q_OBJECT

public:
    explicit WaterfallView(QWidget* parent = nullptr);

    WaterfallImage& waterfall() { return m_waterfall; }
    const WaterfallImage& waterfall() const { return m_waterfall; }
    void setTitle(const QString& title);
    // After the waterfall was drawn anew.
    void showWaterfall();
    // After a loop was added to it: the rows move by one and the time axis follows; nothing else
    // is drawn again.
    void showAddedLoop();
    const WaterfallLayout& pictureLayout() const;
    WaterfallMapping mapping() const;
    // Rows the plot has room for, one pixel each.
    int plotRows() const;

signals:
    // Row and channel under the mouse; -1, -1 when it is off the rows.
    void hovered(int row, int channel);
    void clicked(int row, int channel);
    // The plot's room differs from the rows the waterfall was drawn with.
    void plotRowsChanged(int rows);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::pair<int, int> rowAndChannelAt(const QPoint& point) const;

    WaterfallStyle pictureStyle() const;

    WaterfallImage m_waterfall;
    PlotPicture m_plotPicture;
    QString m_title;
    mutable std::optional<WaterfallLayout> m_layout; // for the current size and font
};

} // namespace display
