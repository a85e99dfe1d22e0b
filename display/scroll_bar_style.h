// SPDX-License-Identifier: MIT
#pragma once

#include <QProxyStyle>

class QScrollBar;

namespace display {

// The program's style, except that a scroll bar is painted under a clip of its own rectangle.
// Without a clip Qt's raster engine shares each antialiased fill of more than about a hundred
// spans out among helper threads and waits for them: a wide scroll bar costs some thirty thread
// hand-overs each time it is painted, nine times the painting itself. The pixels are the same.
class ScrollBarStyle : public QProxyStyle {
public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override;
};

// Gives the scroll bar a ScrollBarStyle of its own, which goes with it.
void paintWithoutHelperThreads(QScrollBar* bar);

} // namespace display
