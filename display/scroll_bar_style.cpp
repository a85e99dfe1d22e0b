// SPDX-License-Identifier: MIT
#include "display/scroll_bar_style.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionComplex>

namespace display {

void ScrollBarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                        QPainter* painter, const QWidget* widget) const {
    if (control != CC_ScrollBar) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    painter->save();
    painter->setClipRect(option->rect, Qt::IntersectClip);
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    painter->restore();
}

void paintWithoutHelperThreads(QScrollBar* bar) {
    auto* style = new ScrollBarStyle;
    style->setParent(bar);
    bar->setStyle(style);
}

} // namespace display
