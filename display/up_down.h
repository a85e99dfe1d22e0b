// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QToolButton;

namespace display {

// A pair of arrow buttons that steps a whole number within a range; it sits over the end of the
// read-only text box that shows the value.
class UpDown : public QWidget {
    Q_OBJECT

public:
    UpDown(Qt::Orientation orientation, QWidget* parent = nullptr);

    int value() const { return m_value; }
    // Values outside the range are clamped; a change raises Change once.
    void setValue(int value);
    void setRange(int min, int max);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    void setIncrement(int increment) { m_increment = increment; }
    int increment() const { return m_increment; }

    void stepUp() { setValue(m_value + m_increment); }
    void stepDown() { setValue(m_value - m_increment); }

signals:
    void Change();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Qt::Orientation m_orientation;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_value = 0;
    int m_min = 0;
    int m_max = 10;
    int m_increment = 1;
};

} // namespace display
