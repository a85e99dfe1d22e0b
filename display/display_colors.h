// SPDX-License-Identifier: MIT
#pragma once

#include "settings/ini_file.h"

#include <QColor>
#include <QPalette>
#include <QString>

#include <optional>

// The plot's colours. A colour number is a Windows colour value: 0x00BBGGRR for a plain colour,
// or a system colour index with bit 31 set.
namespace display {

constexpr qint32 SystemColorFlag = qint32(0x80000000u);
constexpr qint32 WindowTextColor = qint32(0x80000008u);
constexpr qint32 GrayTextColor = qint32(0x80000011u);

// System colours come from the palette: grey text is the disabled window-text colour.
QColor toQColor(qint32 number, const QPalette& palette);
qint32 colorNumber(const QColor& color);

enum class GraphMode { Bar, Line };
enum class ColorRole { Back, Last, Peak, Average };

struct ColorSet {
    qint32 PlotBackColor = GrayTextColor;
    qint32 LastColor = 0;           // black
    qint32 PeakColor = 255;         // red
    qint32 AverageColor = 16711680; // blue

    bool operator==(const ColorSet& other) const {
        return PlotBackColor == other.PlotBackColor && LastColor == other.LastColor &&
               PeakColor == other.PeakColor && AverageColor == other.AverageColor;
    }
    bool operator!=(const ColorSet& other) const { return !(*this == other); }
};

inline const QString DisplayColorsSection = QStringLiteral("DisplayColors");

// "BBack", "LPeak", ...
QString colorKey(GraphMode mode, ColorRole role);

// The stored number; nullopt when the key is missing or empty or the number is not a 32-bit
// one. Text that is not a number reads as 0.
std::optional<qint32> readColorNumber(const settings::IniFile& ini, GraphMode mode, ColorRole role);

// A role whose number cannot be read takes its default.
ColorSet readColorSet(const settings::IniFile& ini, GraphMode mode);
// Writes the mode's four keys as decimal text, in the order last, average, peak, background.
void writeColorSet(settings::IniFile& ini, GraphMode mode, const ColorSet& colors);

// The colour set in use, with its colours resolved once.
struct ActiveColors {
    ColorSet Numbers;
    QColor Back;
    QColor Last;
    QColor Peak;
    QColor Average;
};

ActiveColors resolveColors(const ColorSet& numbers, const QPalette& palette);
ActiveColors LoadDisplayColors(const settings::IniFile& ini, GraphMode mode,
                               const QPalette& palette);

} // namespace display
