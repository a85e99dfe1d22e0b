// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>
#include <QString>

#include <optional>

// Where the main window was and how large, kept in a section of its own of the settings file
// and read back at the next start.
namespace settings {

inline const QString PlacementSection = QStringLiteral("Window");

struct WindowPlacement {
    QRect Geometry; // the inner area, on the desktop; the size it had before it was maximised
    bool Maximized = false;
};

// The placement the file holds; none when a key is missing or is not a whole number, or the
// size is not positive.
std::optional<WindowPlacement> readWindowPlacement();
// False when the file could not be written.
bool writeWindowPlacement(const WindowPlacement& placement);

} // namespace settings
