// SPDX-License-Identifier: MIT
#pragma once

#include "display/display_colors.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QRadioButton;

namespace display {

class ColorSwatch;

// Edits the four colours of the bar graph or of the line graph. "OK" writes the chosen mode's
// colours to the settings file; "Cancel" writes nothing. Either way the window unloads itself.
class frmColorPalette : public QWidget {
    Q_OBJECT

public:
    // A window of its own, kept in front of its owner.
    frmColorPalette(const QString& settingsPath, QWidget* owner);

    // Opens on the set of the main window's current mode.
    void Form_Load(bool lineMode);
    GraphMode selectedMode() const;

    QLabel* lblBarGraph;
    QWidget* Picture2;
    QRadioButton* optBar;
    QRadioButton* optLine;
    ColorSwatch* ColorPicker4 = nullptr; // background
    QLabel* Label1 = nullptr;
    ColorSwatch* ColorPicker1 = nullptr; // last level
    QLabel* Label2 = nullptr;
    ColorSwatch* ColorPicker2 = nullptr; // average
    QLabel* Label3 = nullptr;
    ColorSwatch* ColorPicker3 = nullptr; // peak
    QWidget* Picture1;
    QPushButton* cmdCancelColor;
    QPushButton* cmdApplyColor;

signals:
    // The colours were written; the main window loads them.
    void applied();
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadPickers();
    void cmdApplyColor_Click();

    settings::IniFile m_ini;
};

} // namespace display
