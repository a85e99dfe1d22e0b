// SPDX-License-Identifier: MIT
#include "app/twips.h"

#include <QVariant>
#include <QWidget>

namespace app {

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

void setTwLeft(QWidget* w, int left) {
    QRect r = twipsRect(w);
    r.moveLeft(left);
    setTwipsRect(w, r);
}

void setTwTop(QWidget* w, int top) {
    QRect r = twipsRect(w);
    r.moveTop(top);
    setTwipsRect(w, r);
}

void setTwWidth(QWidget* w, int width) {
    QRect r = twipsRect(w);
    r.setWidth(width);
    setTwipsRect(w, r);
}

void setTwHeight(QWidget* w, int height) {
    QRect r = twipsRect(w);
    r.setHeight(height);
    setTwipsRect(w, r);
}

} // namespace app
