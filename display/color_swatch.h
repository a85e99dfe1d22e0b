// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

namespace display {

// A filled square showing a colour. As a picker it opens the colour dialog when clicked; its value
// is a colour number (0x00BBGGRR, or a system colour with bit 31 set).
class ColorSwatch : public QWidget {
    Q_OBJECT

public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    qint32 value() const { return m_value; }
    void setValue(qint32 colorNumber);
    void setPicker(bool picker) { m_picker = picker; }
    // The colour dialog's title: which colour it changes.
    void setChoiceTitle(const QString& title) { m_choiceTitle = title; }
    // A picker offers the colour dialog, owned by the swatch's window; a plain swatch does nothing.
    void choose();

signals:
    void valueChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    qint32 m_value = 0;
    bool m_picker = false;
    QString m_choiceTitle;
};

} // namespace display
