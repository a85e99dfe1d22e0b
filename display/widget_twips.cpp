// SPDX-License-Identifier: MIT
#include "display/widget_twips.h"

#include <QVariant>
#include <QWidget>

namespace display {

namespace {
const char* const TwipsProperty = "twipsRect";
}

QRect twipsRect(const QWidget* w) {
    const QVariant stored = w->property(TwipsProperty);
    if (stored.isValid())
        return stored.toRect();
    const QRect g = w->geometry();
    return {g.x() * TwipsPerPixel, g.y() * TwipsPerPixel, g.width() * TwipsPerPixel,
            g.height() * TwipsPerPixel};
}

void setTwipsRect(QWidget* w, const QRect& twips) {
    w->setProperty(TwipsProperty, twips);
    const int left = toPixels(twips.x());
    const int top = toPixels(twips.y());
    w->setGeometry(left, top, toPixels(twips.x() + twips.width()) - left,
                   toPixels(twips.y() + twips.height()) - top);
}

namespace {

template <typename Change> void adjust(QWidget* w, Change change) {
    QRect r = twipsRect(w);
    change(r);
    setTwipsRect(w, r);
}

} // namespace

void setTwLeft(QWidget* w, int left) {
    adjust(w, [left](QRect& r) { r.moveLeft(left); });
}
void setTwTop(QWidget* w, int top) {
    adjust(w, [top](QRect& r) { r.moveTop(top); });
}
void setTwWidth(QWidget* w, int width) {
    adjust(w, [width](QRect& r) { r.setWidth(width); });
}
void setTwHeight(QWidget* w, int height) {
    adjust(w, [height](QRect& r) { r.setHeight(height); });
}

} // namespace display
