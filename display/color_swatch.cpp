// SPDX-License-Identifier: MIT
#include "display/color_swatch.h"

#include "display/display_colors.h"

#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>

namespace display {

ColorSwatch::ColorSwatch(QWidget* parent) : QWidget(parent) {}

void ColorSwatch::setValue(qint32 colorNumber) {
    if (colorNumber == m_value)
        return;
    m_value = colorNumber;
    update();
    emit valueChanged();
}

void ColorSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(m_value, palette()));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        choose();
}

void ColorSwatch::choose() {
    if (!m_picker)
        return;
    const QColor chosen = QColorDialog::getColor(toQColor(m_value, palette()), this, m_choiceTitle);
    if (chosen.isValid())
        setValue(colorNumber(chosen));
}

} // namespace display
