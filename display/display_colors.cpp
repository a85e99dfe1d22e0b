// SPDX-License-Identifier: MIT
#include "display/display_colors.h"

#include "core/conventions.h"

#include <iterator>

namespace display {

namespace {

constexpr qint32 SystemIndexMask = 0x00FFFFFF;

struct SystemColor {
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
};

// Windows system colour indices 0 .. 30 by the palette entry that plays the same part.
constexpr QPalette::ColorGroup A = QPalette::Active;
constexpr SystemColor SystemColors[] = {
    {A, QPalette::Button},                           // 0 scroll bar
    {A, QPalette::Dark},                             // 1 desktop
    {A, QPalette::Highlight},                        // 2 active caption
    {QPalette::Inactive, QPalette::Highlight},       // 3 inactive caption
    {A, QPalette::Window},                           // 4 menu
    {A, QPalette::Base},                             // 5 window
    {A, QPalette::Shadow},                           // 6 window frame
    {A, QPalette::WindowText},                       // 7 menu text
    {A, QPalette::WindowText},                       // 8 window text
    {A, QPalette::HighlightedText},                  // 9 caption text
    {A, QPalette::Window},                           // 10 active border
    {A, QPalette::Window},                           // 11 inactive border
    {A, QPalette::Dark},                             // 12 application workspace
    {A, QPalette::Highlight},                        // 13 highlight
    {A, QPalette::HighlightedText},                  // 14 highlighted text
    {A, QPalette::Button},                           // 15 button face
    {A, QPalette::Dark},                             // 16 button shadow
    {QPalette::Disabled, QPalette::WindowText},      // 17 grey text
    {A, QPalette::ButtonText},                       // 18 button text
    {QPalette::Inactive, QPalette::HighlightedText}, // 19 inactive caption text
    {A, QPalette::Light},                            // 20 button highlight
    {A, QPalette::Shadow},                           // 21 dark 3-D shadow
    {A, QPalette::Midlight},                         // 22 3-D light
    {A, QPalette::ToolTipText},                      // 23 tool tip text
    {A, QPalette::ToolTipBase},                      // 24 tool tip background
    {A, QPalette::Window},                           // 25 (not used)
    {A, QPalette::Link},                             // 26 hot-tracked item
    {A, QPalette::Highlight},                        // 27 active caption gradient
    {QPalette::Inactive, QPalette::Highlight},       // 28 inactive caption gradient
    {A, QPalette::Highlight},                        // 29 menu highlight
    {A, QPalette::Window},                           // 30 menu bar
};

qint32 defaultColor(ColorRole role) {
    const ColorSet defaults;
    switch (role) {
    case ColorRole::Back:
        return defaults.PlotBackColor;
    case ColorRole::Last:
        return defaults.LastColor;
    case ColorRole::Peak:
        return defaults.PeakColor;
    case ColorRole::Average:
        return defaults.AverageColor;
    }
    return 0;
}

} // namespace

QColor toQColor(qint32 number, const QPalette& palette) {
    if (number & SystemColorFlag) {
        // An index the system does not know shows black.
        const qint32 index = number & SystemIndexMask;
        if (index >= qint32(std::size(SystemColors)))
            return QColor(Qt::black);
        return palette.color(SystemColors[index].Group, SystemColors[index].Role);
    }
    return QColor(number & 0xFF, (number >> 8) & 0xFF, (number >> 16) & 0xFF);
}

qint32 colorNumber(const QColor& color) {
    const QColor rgb = color.toRgb();
    return qint32(rgb.red()) | (qint32(rgb.green()) << 8) | (qint32(rgb.blue()) << 16);
}

QString colorKey(GraphMode mode, ColorRole role) {
    const QString prefix = mode == GraphMode::Bar ? QStringLiteral("B") : QStringLiteral("L");
    switch (role) {
    case ColorRole::Back:
        return prefix + QStringLiteral("Back");
    case ColorRole::Last:
        return prefix + QStringLiteral("Last");
    case ColorRole::Peak:
        return prefix + QStringLiteral("Peak");
    case ColorRole::Average:
        return prefix + QStringLiteral("Average");
    }
    return prefix;
}

std::optional<qint32> readColorNumber(const settings::IniFile& ini, GraphMode mode,
                                      ColorRole role) {
    const QString text = ini.ReadIni(DisplayColorsSection, colorKey(mode, role));
    if (text == settings::NotSet)
        return std::nullopt;
    return core::CLng(core::Val(text));
}

ColorSet readColorSet(const settings::IniFile& ini, GraphMode mode) {
    const auto read = [&](ColorRole role) {
        return readColorNumber(ini, mode, role).value_or(defaultColor(role));
    };
    ColorSet colors;
    colors.PlotBackColor = read(ColorRole::Back);
    colors.LastColor = read(ColorRole::Last);
    colors.PeakColor = read(ColorRole::Peak);
    colors.AverageColor = read(ColorRole::Average);
    return colors;
}

void writeColorSet(settings::IniFile& ini, GraphMode mode, const ColorSet& colors) {
    // Writes to the settings file report nothing.
    const auto write = [&](ColorRole role, qint32 number) {
        ini.WriteIni(DisplayColorsSection, colorKey(mode, role), QString::number(number));
    };
    write(ColorRole::Last, colors.LastColor);
    write(ColorRole::Average, colors.AverageColor);
    write(ColorRole::Peak, colors.PeakColor);
    write(ColorRole::Back, colors.PlotBackColor);
}

ActiveColors resolveColors(const ColorSet& numbers, const QPalette& palette) {
    ActiveColors active;
    active.Numbers = numbers;
    active.Back = toQColor(numbers.PlotBackColor, palette);
    active.Last = toQColor(numbers.LastColor, palette);
    active.Peak = toQColor(numbers.PeakColor, palette);
    active.Average = toQColor(numbers.AverageColor, palette);
    return active;
}

ActiveColors LoadDisplayColors(const settings::IniFile& ini, GraphMode mode,
                               const QPalette& palette) {
    return resolveColors(readColorSet(ini, mode), palette);
}

} // namespace display
