// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>

class QWidget;

// Control positions are kept in twips, 15 to a pixel. Each widget remembers its exact twips
// rectangle, so that rules that read one control's position to place another work on the designed
// numbers rather than on pixels rounded back.
namespace app {

constexpr int TwipsPerPixel = 15;

constexpr int toPixels(int twips) {
    return twips >= 0 ? (twips + TwipsPerPixel / 2) / TwipsPerPixel
                      : -((-twips + TwipsPerPixel / 2) / TwipsPerPixel);
}

QRect twipsRect(const QWidget* w);
void setTwipsRect(QWidget* w, const QRect& twips);

inline int twLeft(const QWidget* w) {
    return twipsRect(w).x();
}
inline int twTop(const QWidget* w) {
    return twipsRect(w).y();
}
inline int twWidth(const QWidget* w) {
    return twipsRect(w).width();
}
inline int twHeight(const QWidget* w) {
    return twipsRect(w).height();
}
inline int twRight(const QWidget* w) {
    return twLeft(w) + twWidth(w);
}
inline int twBottom(const QWidget* w) {
    return twTop(w) + twHeight(w);
}
void setTwLeft(QWidget* w, int left);
void setTwTop(QWidget* w, int top);
void setTwWidth(QWidget* w, int width);
void setTwHeight(QWidget* w, int height);

} // namespace app
