// SPDX-License-Identifier: MIT
#include "display/up_down.h"

#include <QToolButton>

#include <algorithm>

namespace display {

UpDown::UpDown(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), m_orientation(orientation), m_up(new QToolButton(this)),
      m_down(new QToolButton(this)) {
    const bool vertical = orientation == Qt::Vertical;
    m_up->setArrowType(vertical ? Qt::UpArrow : Qt::RightArrow);
    m_down->setArrowType(vertical ? Qt::DownArrow : Qt::LeftArrow);
    for (QToolButton* button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIconSize(QSize(7, 7));
    }
    connect(m_up, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDown::stepDown);
}

void UpDown::setValue(int value) {
    value = std::clamp(value, m_min, m_max);
    if (value == m_value)
        return;
    m_value = value;
    emit Change();
}

void UpDown::setRange(int min, int max) {
    m_min = min;
    m_max = std::max(min, max);
    setValue(m_value);
}

void UpDown::resizeEvent(QResizeEvent*) {
    const int w = width();
    const int h = height();
    if (m_orientation == Qt::Vertical) {
        m_up->setGeometry(0, 0, w, h / 2);
        m_down->setGeometry(0, h / 2, w, h - h / 2);
    } else {
        m_down->setGeometry(0, 0, w / 2, h);
        m_up->setGeometry(w / 2, 0, w - w / 2, h);
    }
}

} // namespace display
