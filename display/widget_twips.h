// SPDX-License-Identifier: MIT
#pragma once

#include "display/twips.h"

#include <QRect>

class QWidget;

// Control positions are kept in twips. Each widget remembers its exact twips rectangle, so that
// rules that read one control's position to place another work on the designed numbers rather
// than on pixels rounded back.
namespace display {

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

} // namespace display
