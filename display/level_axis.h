// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <vector>

// The level axis left of the plot and the plot's vertical scale. Limits are the level
// selectors' values in dBm (negative: -40 is the top, -120 the bottom); a level magnitude m is
// dB below 0 dBm (95 means -95 dBm). Positions are twips unless pixels are named.
namespace display {

constexpr int LevelStepDb = 5;

// Number of 5 dB divisions between the limits: 16 for -40 / -120.
int levelDivisions(int upperLimit, int lowerLimit);

// A label of the level axis, centred on its marker line MarkerY below the plot's top edge.
struct LevelLabel {
    QString Caption; // "-45"
    int MarkerY = 0;
    double Top = 0; // on the window
};

struct LevelAxis {
    int LevelHighLimit = 0;
    int LevelLowLimit = 0;
    int LevelDivisions = 0;
    qint32 Spacing = 0;             // between neighbouring labels
    std::vector<LevelLabel> Labels; // one per inner division line: none for the top or bottom
};

// labelHeight is the height of the labels (the text height of "-55" in the window's font).
LevelAxis BuildLevelAxis(int upperLimit, int lowerLimit, int plotTop, int plotHeight,
                         int labelHeight);
// A label ends 90 twips left of the plot.
int levelLabelLeft(int plotLeft, int labelWidth);

struct LevelScale {
    float TwipsPerDb = 0;
    float PixelsPerDb = 0;
};

// Limits whose span is 0 or less (the selectors never make them) give a scale of 0.
LevelScale ComputeLevelScale(int upperLimit, int lowerLimit, int plotHeight);

// Pixel row of a level magnitude: 0 at the upper limit, the plot's height at the lower one.
int levelRow(int magnitude, int upperLimit, float pixelsPerDb);
// Distance of a level magnitude below the plot's top edge in twips.
double levelY(int magnitude, int upperLimit, float twipsPerDb);

} // namespace display
