// SPDX-License-Identifier: MIT
#include "settings/window_placement.h"

#include "settings/program_settings.h"

#include <array>

namespace settings {

namespace {

const std::array<QString, 5> Keys = {QStringLiteral("Left"), QStringLiteral("Top"),
                                     QStringLiteral("Width"), QStringLiteral("Height"),
                                     QStringLiteral("Maximized")};

} // namespace

std::optional<WindowPlacement> readWindowPlacement() {
    std::array<int, 5> values{};
    for (size_t i = 0; i < Keys.size(); ++i) {
        bool whole = false;
        values[i] = ReadIni(PlacementSection, Keys[i]).toInt(&whole);
        if (!whole)
            return std::nullopt;
    }
    const auto [left, top, width, height, maximized] = values;
    if (width <= 0 || height <= 0)
        return std::nullopt;
    return WindowPlacement{QRect(left, top, width, height), maximized == 1};
}

bool writeWindowPlacement(const WindowPlacement& placement) {
    const QRect& g = placement.Geometry;
    const std::array<int, 5> values = {g.left(), g.top(), g.width(), g.height(),
                                       placement.Maximized ? 1 : 0};
    bool written = true;
    for (size_t i = 0; i < Keys.size(); ++i)
        written = WriteIni(PlacementSection, Keys[i], QString::number(values[i])) && written;
    return written;
}

} // namespace settings
