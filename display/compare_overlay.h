// SPDX-License-Identifier: MIT
#pragma once

#include "display/display_colors.h"
#include "display/plot_renderer.h"
#include "survey/final_levels.h"

#include <QColor>
#include <QString>

class QPainter;

// A saved scan's final Peak and Average drawn over the plot, so that a site measured again can be
// held against what it showed before. The overlay lies over the plot's picture and is never
// drawn into it: clearing, redrawing and the sweep leave it alone.
namespace display {

struct Comparison {
    QString Caption; // "compared: 2026-12-07_10-00-00.dat"
    survey::FinalLevels Levels;
};

// Colours of the compared traces, chosen to stand apart from the plot's own.
struct ComparisonColors {
    QColor Peak;
    QColor Average;

    bool operator==(const ComparisonColors& o) const {
        return Peak == o.Peak && Average == o.Average;
    }
};

// Of a few strong colours, for each trace the one farthest from the plot's background, Last,
// Peak and Average colours (and from the compared Peak, for the compared Average).
ComparisonColors comparisonColors(const ActiveColors& plot);

// What the overlay is drawn for: the plot's scale and how many slots it shows.
struct ComparisonScale {
    PlotGeometry Geometry;
    int Slots = 0;
    ComparisonColors Colors;
    QColor Back; // the plot's background, under the legend

    bool operator==(const ComparisonScale& o) const;
    bool operator!=(const ComparisonScale& o) const { return !(*this == o); }
};

// Pen width of the compared traces, in pixels: dashed, Average with a dash-dot pattern.
constexpr int ComparisonPenWidth = 2;

// Paints the compared Peak and Average as dashed lines through the slots' centres, at the pixel
// rows the level axis gives (the rows the plot's own Peak mark covers), and the legend at the
// top left. The painter's origin is the plot picture's pixel 0, 0. A channel without a level, or
// outside the slots on the plot, draws nothing and breaks its trace; a lone channel is a dash
// across its bar.
void paintComparison(QPainter& painter, const ComparisonScale& scale, const Comparison& comparison);

} // namespace display
